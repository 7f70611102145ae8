// Scales audio by a fixed factor on its way to another sink (--gain, --normalize).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/AudioSink.h"

class GainStage : public AudioSink {
public:
    GainStage(float factor, AudioSink& next) : factor(factor), next(next) {}

    void write(const float* left, const float* right, std::int64_t frames) override {
        if (factor == 1.0f) return next.write(left, right, frames);
        scaledLeft.resize(static_cast<std::size_t>(frames));
        scaledRight.resize(static_cast<std::size_t>(frames));
        for (std::int64_t i = 0; i < frames; ++i)
            scaledLeft[i] = left[i] * factor, scaledRight[i] = right[i] * factor;
        next.write(scaledLeft.data(), scaledRight.data(), frames);
    }

private:
    float factor;
    AudioSink& next;
    std::vector<float> scaledLeft, scaledRight;
};
