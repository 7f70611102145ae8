#include <bit>
#include <cmath>
#include <cstring>

#include "engine/KeyModel.h"

namespace {

const float kTwelfth = std::bit_cast<float>(0x3daaaaabu);          // 1/12
const float kSegmentLength = 21555.5f;                             // n·f stays at or below this
const float kTensionScale = std::bit_cast<float>(0x38ee500fu);     // 1/8800
const float kTensionGain = std::bit_cast<float>(0x3e23d70au);      // 0.16, also the strike point
const float kDetuneB = std::bit_cast<float>(0x3f7e978du);          // 0.9945: string B ~9.5 cents flat
const float kMaxTension = std::bit_cast<float>(0x3f7d70a4u);       // 0.99, stability bound
const float kLeftTapPosition = std::bit_cast<float>(0x3f333333u);  // 0.7

constexpr int kMinSegments = 5;
constexpr int kMaxSegments = kMaxPoints;

// A tap must lie on an interior point.
int interiorPoint(int point, int segments) {
    if (point <= 0) return 1;
    if (point >= segments) return segments - 1;
    return point;
}

float stringTension(float lengthTimesFrequency) {
    const float root = lengthTimesFrequency * kTensionScale;
    const float tension = root * root * kTensionGain;
    return tension > kMaxTension ? kMaxTension : tension;
}

}  // namespace

void KeyModel::tuneKeys() {
    // Leaves no strike table behind: they are rebuilt to the new lengths.
    freeStrikeTables();
    for (int k = 0; k < kNumKeys; ++k) {
        active[k] = 0;
        held[k] = 0;
        std::memset(pos[k], 0, sizeof pos[k]);
        std::memset(vel[k], 0, sizeof vel[k]);

        // The exponent is formed in float so that whole octaves land exactly.
        const float exponent = static_cast<float>(k - 48) * kTwelfth;
        const float f = static_cast<float>(440.0 * std::pow(2.0, static_cast<double>(exponent)));
        frequency[k] = f;

        int n = static_cast<int>(kSegmentLength / f);
        if (n < kMinSegments)
            n = kMinSegments;
        else if (n > kMaxSegments)
            n = kMaxSegments;
        segments[k] = n;

        const float length = static_cast<float>(n);
        tensionA[k] = stringTension(length * f);
        tensionB[k] = stringTension(f * kDetuneB * length);

        strikeTap[k] = interiorPoint(static_cast<int>(length * kTensionGain), n);
        const int leftTap = static_cast<int>(length * kLeftTapPosition);
        tapLeft[k] = interiorPoint(leftTap, n);
        tapRight[k] = interiorPoint(leftTap - 2, n);
    }
}
