// Conversion of the instrument's 44100 Hz output to a host's rate, for the
// player, the renderer and the plug-in formats alike, in blocks of any length
// from call to call, 0 included.
//
// Host frame h plays instrument frame floor(h * 44100 / rate): a block's
// input is the instrument frames its host frames stand for, and instrument
// frame p sounds at host frame p * rate / 44100 + latencyFrames(). soxr's
// output is time-aligned with its input and, drained fully at every call,
// its output count depends only on the input fed so far, never on how it was
// cut; so a dry run at construction, one input frame at a time, finds the
// lowest the output queue ever falls for any cut of the stream, and the
// latency is set so that it never runs dry. Construction primes the converter
// with a long silence, so its buffers reach their size before the stream:
// convert() then never allocates, locks or makes a system call.
#pragma once

#include <soxr.h>

#include <cstdint>
#include <vector>

// Live: short, linear-phase filter for playing; Offline: soxr's very high
// quality, for files, where latency does not matter.
enum class ConversionQuality { Live, Offline };

class StreamResampler {
public:
    static constexpr int kLowestRate = 1000;
    static constexpr int kHighestRate = 768000;

    // Throws std::runtime_error for a rate outside kLowestRate..kHighestRate,
    // a negative block size, or when libsoxr refuses.
    StreamResampler(int hostRate, int maxBlockFrames, ConversionQuality quality = ConversionQuality::Live);
    ~StreamResampler();
    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

    // Host frames converted so far: the start of the next block.
    std::int64_t hostFrame() const { return converted; }
    // floor(hostFrame * 44100 / rate), exactly.
    std::int64_t instrumentFrameOf(std::int64_t hostFrame) const;
    // The instrument frames the next `frames` host frames stand for; 0 is possible when upsampling.
    int inputFramesFor(int frames) const;
    // The most host frames from hostFrame() whose input is within the next `inputFrames` instrument frames.
    std::int64_t framesFilledBy(std::int64_t inputFrames) const;
    // Feeds inputFramesFor(frames) instrument frames and writes `frames`
    // host frames; frames up to the construction's maxBlockFrames.
    void convert(const float* left, const float* right, float* outLeft, float* outRight, int frames);

    // Constant from construction, in host frames; 0 at 44100 Hz, where the
    // samples pass unchanged.
    int latencyFrames() const { return latency; }
    // Most instrument frames one block needs.
    int largestInput() const { return largestInputFrames; }
    // Host frames written as silence because the queue ran dry: 0 unless the
    // dry run's bound failed.
    std::int64_t underruns() const { return underrunFrames; }

private:
    void feed(const float* left, const float* right, int frames);
    void push(std::size_t frames);

    int hostRate;
    int maxBlockFrames;
    int latency = 0;
    int largestInputFrames = 0;
    soxr_t converter = nullptr;  // null at 44100 Hz
    std::int64_t converted = 0;
    std::int64_t underrunFrames = 0;
    std::int64_t discard = 0;  // soxr's outputs still to drop: those of the priming silence
    // Output queue: a ring of stereo frames, and soxr's own output before it enters the ring.
    std::vector<float> queueLeft, queueRight;
    std::size_t queueRead = 0, queueCount = 0;
    std::vector<float> scratchLeft, scratchRight;
};
