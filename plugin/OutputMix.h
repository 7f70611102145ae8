// The last step of a render pass: the workers' partial sums added in worker
// order, scaled by Volume and clipped to [-1, 1].
#pragma once

#include <cmath>
#include <memory>

struct MixBuffer {
    std::unique_ptr<float[]> left;
    std::unique_ptr<float[]> right;
};

inline float clipSample(float x) {
    if (x > 1.0f) return 1.0f;
    if (x < -1.0f) return -1.0f;
    return x;  // NaN passes unclipped
}

// A stored Volume is unclamped; a NaN or infinite one would turn the mix into
// NaN (infinity times a zero sum too) and poison the host's mix bus, so it
// mixes as 0. Finite values, above 1 included, act as plain factors.
inline float mixGain(float volume) { return std::isfinite(volume) ? volume : 0.0f; }

// volume() is asked once per frame: another thread may change it meanwhile.
template <class VolumeSource>
void mixWorkers(const MixBuffer* buffers, int workers, VolumeSource volume, float* left, float* right, int frames) {
    for (int i = 0; i < frames; ++i) {
        // Starting from 0 rather than worker 0's value turns a -0.0 sum into +0.0.
        float sumL = 0.0f;
        float sumR = 0.0f;
        for (int w = 0; w < workers; ++w) {
            sumL = sumL + buffers[w].left[i];
            sumR = sumR + buffers[w].right[i];
        }
        const float v = mixGain(volume());
        left[i] = clipSample(v * sumL);
        right[i] = clipSample(v * sumR);
    }
}
