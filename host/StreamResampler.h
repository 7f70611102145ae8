// Real-time conversion of the instrument's 44100 Hz output to an audio
// server's rate, for periods of a fixed size.
//
// Everything is planned before audio starts: the converter is primed with
// silence, and a dry run of a second converter on the same period pattern
// finds how much of the primed output can be dropped so that the queue never
// runs dry. soxr's output is time-aligned with its input and its output
// counts depend only on its input counts, so the real stream behaves exactly
// as the dry run did: the latency is constant and known. During the stream
// nothing is allocated and no lock or system call is taken.
#pragma once

#include <soxr.h>

#include <cstdint>
#include <vector>

class StreamResampler {
public:
    // Throws std::runtime_error when libsoxr refuses the rates.
    StreamResampler(int serverRate, int periodFrames);
    ~StreamResampler();
    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

    // The instrument frames to render for the next period, and the first of
    // them on the converter's own timeline, where frame p sounds at server
    // frame (p * serverRate / 44100) - latency past the stream start.
    int framesForNextPeriod() const;
    std::int64_t firstFrameOfNextPeriod() const { return inputTarget(period); }
    // The instrument frame that sounds with server frame `offset` of the next period.
    std::int64_t frameFor(int offset) const;
    // Feeds the period's rendered frames (framesForNextPeriod() of them) and
    // writes one period of output.
    void convertPeriod(const float* left, const float* right, float* outLeft, float* outRight);

    // From a MIDI event's arrival to its sound, in server frames.
    int latencyFrames() const { return latency; }
    // Most instrument frames one period needs.
    int largestInput() const { return largestInputFrames; }

private:
    std::int64_t inputTarget(std::int64_t period) const;
    void feed(const float* left, const float* right, std::size_t frames);

    int serverRate;
    int periodFrames;
    soxr_t converter = nullptr;
    std::int64_t period = 0;  // periods done, priming included
    int latency = 0;
    int largestInputFrames = 0;
    // Output queue: a ring of stereo frames.
    std::vector<float> queueLeft, queueRight;
    std::size_t queueRead = 0, queueCount = 0;
    std::vector<float> scratchLeft, scratchRight, silence;
};
