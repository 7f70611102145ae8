// Frequency of a partial measured from a recording, to compare the pitch of
// two renders to a fraction of a cent.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

// The magnitude at one frequency of a Hann-windowed stretch of one channel.
inline double magnitudeAt(const std::vector<float>& channel, std::int64_t start, std::int64_t length, int rate,
                          double frequency) {
    double re = 0.0, im = 0.0;
    const double step = 2.0 * std::numbers::pi * frequency / rate;
    for (std::int64_t i = 0; i < length; ++i) {
        const double window =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(length));
        re += window * channel[start + i] * std::cos(step * static_cast<double>(i));
        im += window * channel[start + i] * std::sin(step * static_cast<double>(i));
    }
    return std::hypot(re, im);
}

// The power-weighted mean frequency within `spread` of `around` Hz: where a
// note's two strings give two partials of nearly equal strength, this does
// not jump from one to the other as the strongest does.
inline double partialCentroid(const std::vector<float>& channel, std::int64_t start, std::int64_t length, int rate,
                              double around, double spread) {
    double weighted = 0.0, total = 0.0;
    const double low = around / spread, high = around * spread;
    for (int k = 0; k <= 160; ++k) {
        const double f = low + (high - low) * k / 160.0;
        const double power = std::pow(magnitudeAt(channel, start, length, rate, f), 2.0);
        weighted += f * power;
        total += power;
    }
    return weighted / total;
}

inline double cents(double frequency, double reference) { return 1200.0 * std::log2(frequency / reference); }
