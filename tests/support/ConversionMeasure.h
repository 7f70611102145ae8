// A plug-in format's stereo output and what tells a live rate conversion
// right: the ideal conversion of the 44.1 kHz model and the lag at which the
// live sound matches it best.
#pragma once

#include <gtest/gtest.h>
#include <soxr.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/TimedEvent.h"

struct Stereo {
    std::vector<float> left, right;
};

inline bool allFinite(const Stereo& sound) {
    for (const auto* channel : {&sound.left, &sound.right})
        for (float sample : *channel)
            if (!std::isfinite(sample)) return false;
    return true;
}

// The 44100 Hz sound converted offline with the best filter there is,
// time-aligned: what the live conversion should sound like, late by its latency.
inline std::vector<float> idealConversion(const std::vector<float>& in, int rate) {
    std::vector<float> out(static_cast<std::size_t>(std::llround(in.size() * double(rate) / kRenderRate)));
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    std::size_t done = 0;
    EXPECT_EQ(soxr_oneshot(kRenderRate, rate, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &done, &io,
                           &quality, nullptr),
              nullptr);
    return out;
}

inline int lagOfBestCorrelation(const std::vector<float>& live, const std::vector<float>& ideal, int most) {
    int best = 0;
    double bestSum = -std::numeric_limits<double>::infinity();
    for (int lag = 0; lag <= most; ++lag) {
        double sum = 0.0;
        for (std::size_t i = 0; i + lag < live.size() && i < ideal.size(); ++i) sum += double(live[i + lag]) * ideal[i];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    return best;
}
