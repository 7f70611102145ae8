#include "engine/Noise.h"

#include <bit>
#include <cmath>
#include <mutex>

float noiseValue[kNoisePeriod];
float noiseSlope[kNoisePeriod];

namespace {

const float kUnitScale = std::bit_cast<float>(0x38000100u);    // nearest float to 1/32767
const float kSlopeScale = std::bit_cast<float>(0x3faa3d71u);   // 1.33
const float kOctaveShift = std::bit_cast<float>(0x440ecaf2u);  // 571.171

std::mutex noiseMutex;
bool noiseFilled = false;

void fillNoise() {
    NoiseGenerator generator(1);
    for (int i = 0; i < kNoisePeriod; ++i) {
        noiseValue[i] = static_cast<float>(generator.next()) * kUnitScale;
        noiseSlope[i] = (static_cast<float>(generator.next()) * kUnitScale - 0.5f) * kSlopeScale;
    }
}

int wrapNoiseIndex(int i) {
    const int r = i % kNoisePeriod;
    return r < 0 ? r + kNoisePeriod : r;
}

}  // namespace

// Every build would write the same values; filling once keeps concurrent
// constructions from writing the tables while another reads them. A plain
// lock rather than a once-flag: on Windows the thread library behind the
// flag gives the host's thread a record of its own that outlives the
// unloaded module, four handles lost at every load.
void initNoise() {
    std::lock_guard lock(noiseMutex);
    if (noiseFilled) return;
    fillNoise();
    noiseFilled = true;
}

float smoothNoise(float x) {
    const int a = static_cast<int>(std::floor(x));
    const float t = x - static_cast<float>(a);
    const int i0 = wrapNoiseIndex(a);
    const int i1 = wrapNoiseIndex(a + 1);
    const float p0 = noiseValue[i0];
    const float m0 = noiseSlope[i0];
    const float p1 = noiseValue[i1];
    const float m1 = noiseSlope[i1];
    const float c2 = 3.0f * (p1 - p0) - 2.0f * m0 - m1;
    const float c3 = 2.0f * (p0 - p1) + m0 + m1;
    return p0 + t * (m0 + t * (c2 + t * c3));
}

float fractalNoise(float x, int octaves, float gainStep, float frequencyStep) {
    const float gain = 1.0f + gainStep;
    const float frequency = 1.0f + frequencyStep;
    float weight = 1.0f;
    float scale = 1.0f;
    float sum = 0.0f;
    float total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        weight = weight * gain;
        total = total + weight;
        sum = sum + (smoothNoise(scale * x + static_cast<float>(o) * kOctaveShift) - 0.5f) * weight;
        scale = scale * frequency;
    }
    return sum / total * 10.0f;
}
