// The seeded noise behind the strike waveforms: a generator of its own (so the
// waveforms never depend on the platform's random function), a periodic spline
// through fixed random values and slopes, and its fractal sum.
#pragma once

#include <cstdint>

constexpr int kNoisePeriod = 1493;

// Linear congruential generator with the classic constants; each user owns one,
// so concurrent users each see the same sequence from their seed.
class NoiseGenerator {
public:
    explicit NoiseGenerator(std::uint32_t seed) : state(seed) {}
    // Next value in 0..32767.
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }

private:
    std::uint32_t state;
};

// Spline values in [0, 1] and slopes, filled once per process by initNoise.
extern float noiseValue[kNoisePeriod];
extern float noiseSlope[kNoisePeriod];

// Fills noiseValue and noiseSlope from seed 1; safe to call from any thread, any number of times.
void initNoise();
// Cubic Hermite spline through the noise values with the noise slopes, period kNoisePeriod.
float smoothNoise(float x);
// Sum of octaves of smoothNoise, finer octaves weighted heavier, scaled by 10.
float fractalNoise(float x, int octaves, float gainStep, float frequencyStep);
