// Converts rendered audio from the instrument's 44100 Hz to another rate with
// the live converter at its offline quality, passing the result on to another
// sink. The converter's latency is dropped at the start, so the output is
// time-aligned with the input and, after finish(), exactly
// round(frames in * rate / 44100) frames long.
#pragma once

#include <cstdint>
#include <vector>

#include "host/StreamResampler.h"
#include "render/AudioSink.h"

class RateConverter : public AudioSink {
public:
    // Throws a HostError when the rate is refused.
    RateConverter(int outputRate, AudioSink& next);

    void write(const float* left, const float* right, std::int64_t frames) override;
    // Flushes the filter with silence and trims to the exact length.
    void finish();

private:
    void convertPending(std::int64_t hostFrames);
    void pass(std::int64_t frames);

    AudioSink& next;
    int outputRate;
    StreamResampler converter;
    std::int64_t framesIn = 0;
    std::int64_t lengthLimit = INT64_MAX;  // host frames to pass on, once finish() knows them
    // Instrument frames waiting for the host frames they stand for.
    std::vector<float> pendingLeft, pendingRight;
    std::size_t pending = 0;
    std::vector<float> outLeft, outRight;
};
