// Reduces float samples to 16-bit integers with triangular (TPDF) dither of
// one step peak to peak each side, so the rounding error becomes a steady,
// signal-independent hiss instead of distortion on quiet passages. The noise
// comes from a fixed seed: the same render gives the same file.
#pragma once

#include <cmath>
#include <cstdint>

class TpdfDither {
public:
    std::int16_t quantize(float sample) {
        const double scaled = static_cast<double>(sample) * 32768.0 + uniform() - uniform();
        const double rounded = std::floor(scaled + 0.5);
        return static_cast<std::int16_t>(rounded > 32767.0 ? 32767.0 : rounded < -32768.0 ? -32768.0 : rounded);
    }

private:
    // In [0, 1): a 64-bit linear congruential step, top 53 bits.
    double uniform() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    }

    std::uint64_t state = 0x9E3779B97F4A7C15ull;
};
