#include <bit>
#include <cmath>
#include <new>

#include "engine/KeyModel.h"
#include "engine/Noise.h"

namespace {

constexpr int kSquareShift = 152;
constexpr int kNoiseOctaves = 22;
const float kNoiseGainStep = std::bit_cast<float>(0x3e53f7cfu);       // 0.207
const float kNoiseFrequencyStep = std::bit_cast<float>(0x3e978d50u);  // 0.296
const float kSquareLevel = std::bit_cast<float>(0x3ca3d70au);         // 0.02
const float kFadeSlope = std::bit_cast<float>(0x3ecccccdu);           // 0.4
const float kFadeStart = std::bit_cast<float>(0x3e4ccccdu);           // 0.2
constexpr int kMaxSmoothingHalfWidth = 12;

// Square wave of one key period, shifted so that it does not start on an edge;
// too short a period carries none.
float squareComponent(int i, int period) {
    if (period < 3) return 0.0f;
    const float r = static_cast<float>(i + kSquareShift) / static_cast<float>(period);
    return r - std::trunc(r) < 0.5f ? 1.0f : -1.0f;
}

// Generation step i plays as element length - 1 - i: the kernel reads back to front.
void fillRaw(float* raw, int length) {
    const int period = length / 3;
    const float invPeriod = 1.0f / static_cast<float>(period);
    for (int i = 0; i < length; ++i) {
        const float q = squareComponent(i, period);
        const float phase = static_cast<float>(i) / static_cast<float>(period);
        const float noise = fractalNoise(phase, kNoiseOctaves, kNoiseGainStep, kNoiseFrequencyStep);
        float v = 2.0f * ((noise + q * kSquareLevel) * invPeriod);
        if (i < period) v = (phase * kFadeSlope + kFadeStart) * v;
        raw[length - 1 - i] = v;
    }
}

// Centred moving average; the window is cut at the ends and divided by what it holds.
void fillSmooth(float* smooth, const float* raw, int length) {
    const int period = length / 3;
    int halfWidth = length > kMaxSmoothingHalfWidth ? kMaxSmoothingHalfWidth : length - 1;
    if (halfWidth > period / 2) halfWidth = period / 2;
    for (int i = 0; i < length; ++i) {
        float sum = raw[i];
        float count = 1.0f;
        for (int d = 1; d <= halfWidth; ++d) {
            if (i - d >= 0) {
                sum = sum + raw[i - d];
                count = count + 1.0f;
            }
            if (i + d < length) {
                sum = sum + raw[i + d];
                count = count + 1.0f;
            }
        }
        smooth[i] = sum / count;
    }
}

}  // namespace

bool KeyModel::buildStrikeTables() {
    initNoise();
    for (int k = 0; k < kNumKeys; ++k) {
        strikeLeft[k] = 0;
        strikeGainRaw[k] = 0.0f;
        strikeGainSmooth[k] = 0.0f;
        if (strikeLength[k] == 0) {
            delete[] strikeRaw[k];
            delete[] strikeSmooth[k];
            strikeRaw[k] = nullptr;
            strikeSmooth[k] = nullptr;
            const int length = 3 * static_cast<int>(44100.0f / frequency[k]);
            float* raw = new (std::nothrow) float[length];
            float* smooth = new (std::nothrow) float[length];
            if (raw == nullptr || smooth == nullptr) {
                delete[] raw;
                delete[] smooth;
                return false;
            }
            strikeRaw[k] = raw;
            strikeSmooth[k] = smooth;
            strikeLength[k] = static_cast<std::int16_t>(length);
        }
        const int length = strikeLength[k];
        fillRaw(strikeRaw[k], length);
        fillSmooth(strikeSmooth[k], strikeRaw[k], length);
    }
    return true;
}

void KeyModel::freeStrikeTables() {
    for (int k = 0; k < kNumKeys; ++k) {
        delete[] strikeRaw[k];
        delete[] strikeSmooth[k];
        strikeRaw[k] = nullptr;
        strikeSmooth[k] = nullptr;
        strikeLength[k] = 0;
        strikeLeft[k] = 0;
    }
}
