#include <bit>
#include <cmath>

#include "engine/KeyModel.h"

namespace {

constexpr std::uint32_t kMetalPlasticDirty = dirtyBit(kMetalPlastic);
constexpr std::uint32_t kSustainDirty = dirtyBit(kSustain);
constexpr std::uint32_t kDamperDirty = dirtyBit(kDamper);

const float kCurveExponent = std::bit_cast<float>(0x3fe66666u);  // 1.8
const float kHighDampingScale = std::bit_cast<float>(0x38d1b717u);  // 1e-4
const float kHighDampingFloor = std::bit_cast<float>(0x33d6bf95u);  // 1e-7
const float kHeldLossScale = std::bit_cast<float>(0x38d1b717u);     // 1e-4
const float kHeldLossFloor = std::bit_cast<float>(0x3727c5acu);     // 1e-5
const float kDamperScale = std::bit_cast<float>(0x3a03126fu);       // 5e-4

// Values arrive unclamped from chunks and automation; a NaN counts as 0 so it
// can never reach the strings.
float unitRange(float p) {
    if (!(p > 0.0f)) return 0.0f;
    return p > 1.0f ? 1.0f : p;
}

float curve(float p) {
    return static_cast<float>(std::pow(static_cast<double>(p), static_cast<double>(kCurveExponent)));
}

}  // namespace

void KeyModel::updateCoefficients(std::uint32_t dirty, float metalPlastic, float sustain, float damper) {
    if (dirty & kMetalPlasticDirty) {
        const float shaped = curve(unitRange(metalPlastic));
        // Relative to the lowest key, so stiffer strings lose their high modes sooner.
        const float base = shaped * kHighDampingScale + kHighDampingFloor;
        for (int k = 0; k < kNumKeys; ++k) highDamping[k] = base / tensionA[0] * tensionA[k];
    }
    if (dirty & kSustainDirty) {
        const float shaped = curve(1.0f - unitRange(sustain));
        for (int k = 0; k < kNumKeys; ++k) heldLoss[k] = shaped * kHeldLossScale + kHeldLossFloor;
    }
    if (dirty & (kSustainDirty | kDamperDirty)) {
        const float shaped = curve(unitRange(damper));
        for (int k = 0; k < kNumKeys; ++k) {
            releaseLoss[k] = shaped * kDamperScale + heldLoss[k];
            loss[k] = releaseLoss[k];
        }
    }
}
