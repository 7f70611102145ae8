// Converts rendered audio from the instrument's 44100 Hz to another rate with
// libsoxr's very-high-quality filter, passing the result on to another sink.
// The output is time-aligned with the input and, after finish(), exactly
// round(frames in * rate / 44100) frames long.
#pragma once

#include <soxr.h>

#include <cstdint>
#include <vector>

#include "render/AudioSink.h"

class RateConverter : public AudioSink {
public:
    // Throws a HostError when libsoxr refuses the rate.
    RateConverter(int outputRate, AudioSink& next);
    ~RateConverter() override;
    RateConverter(const RateConverter&) = delete;
    RateConverter& operator=(const RateConverter&) = delete;

    void write(const float* left, const float* right, std::int64_t frames) override;
    // Drains the filter and pads or trims to the exact length.
    void finish();

private:
    void pass(const float* left, const float* right, std::int64_t frames, std::int64_t limit);

    AudioSink& next;
    soxr_t resampler = nullptr;
    double ratio;
    std::int64_t framesIn = 0;
    std::int64_t framesOut = 0;
    std::vector<float> outLeft, outRight;
};
