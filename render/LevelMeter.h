// Passes audio on to another sink and keeps the figures for the summary:
// length, peak level and the number of samples at or beyond full scale.
#pragma once

#include <cmath>
#include <cstdint>

#include "render/AudioSink.h"

class LevelMeter : public AudioSink {
public:
    explicit LevelMeter(AudioSink& next) : next(next) {}

    void write(const float* left, const float* right, std::int64_t count) override {
        for (std::int64_t i = 0; i < count; ++i) measure(left[i]), measure(right[i]);
        frames += count;
        next.write(left, right, count);
    }

    std::int64_t framesWritten() const { return frames; }
    float peakLevel() const { return peak; }
    std::int64_t clippedSamples() const { return clipped; }

private:
    void measure(float sample) {
        const float level = std::fabs(sample);
        peak = std::fmax(peak, level);
        if (level >= 1.0f) ++clipped;
    }

    AudioSink& next;
    std::int64_t frames = 0;
    float peak = 0.0f;
    std::int64_t clipped = 0;
};
