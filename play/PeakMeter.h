// The output's level from the audio thread to the main thread: each
// channel's largest magnitude since the main thread last took it, and whether
// a sample reached full scale. Neither side locks or waits.
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>

class PeakMeter {
public:
    struct Reading {
        float left = 0.0f, right = 0.0f;
        bool clipped = false;
    };

    // The audio thread, on what it has just written.
    void measure(const float* left, const float* right, std::size_t frames) {
        const float leftPeak = peakOf(left, frames), rightPeak = peakOf(right, frames);
        raise(leftMax, leftPeak);
        raise(rightMax, rightPeak);
        if (leftPeak >= 1.0f || rightPeak >= 1.0f) clip.store(true, std::memory_order_relaxed);
    }

    // The main thread: what came since the last call.
    Reading take() {
        return {leftMax.exchange(0.0f, std::memory_order_relaxed),
                rightMax.exchange(0.0f, std::memory_order_relaxed),
                clip.exchange(false, std::memory_order_relaxed)};
    }

private:
    static_assert(std::atomic<float>::is_always_lock_free);

    static float peakOf(const float* samples, std::size_t frames) {
        float peak = 0.0f;
        for (std::size_t i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(samples[i]));
        return peak;
    }

    static void raise(std::atomic<float>& peak, float value) {
        float seen = peak.load(std::memory_order_relaxed);
        while (value > seen && !peak.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
        }
    }

    std::atomic<float> leftMax{0.0f}, rightMax{0.0f};
    std::atomic<bool> clip{false};
};
