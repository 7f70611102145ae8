// The plain sample-by-sample kernel: the measure every faster kernel is
// compared with, for speed in the benchmarks and for exact results in the tests.
#include <cmath>

#include "engine/RenderVariants.h"

namespace {

constexpr float kFixedEnd = 0.0f;  // the string ends never move

// Force along the link between two neighbouring points: tension on the
// displacement difference plus damping on the velocity difference.
inline float linkForce(float tension, float damping, float x0, float x1, float v0, float v1) {
    return damping * (v0 - v1) + tension * (x0 - x1);
}

// Writes the velocity increments of points 1..n-1 from the state at the start
// of the sample; each link force is computed once for both of its points.
inline void stringForces(float* acc, const float* x, const float* v, int n, float tension, float damping,
                         float loss) {
    float left = linkForce(tension, damping, kFixedEnd, x[1], kFixedEnd, v[1]);
    for (int j = 1; j < n; ++j) {
        const bool last = j == n - 1;
        const float right =
            linkForce(tension, damping, x[j], last ? kFixedEnd : x[j + 1], v[j], last ? kFixedEnd : v[j + 1]);
        acc[j] = (left - right) - loss * v[j];
        left = right;
    }
}

}  // namespace

void renderKeysScalar(RenderJob* job) {
    KeyModel& m = *job->plugin;
    const std::uint8_t firstKey = static_cast<std::uint8_t>(job->firstKey);
    // A zero stride would never leave the first key; it renders that key alone.
    const std::uint8_t strideBits = static_cast<std::uint8_t>(job->keyStride);
    const std::uint8_t keyStride = strideBits == 0 ? kNumKeys : strideBits;
    float accA[kMaxPoints];
    float accB[kMaxPoints];

    for (int s = 0; s < job->frames; ++s) {
        float sumL = 0.0f;
        float sumR = 0.0f;
        for (std::uint8_t k = firstKey; k < kNumKeys; k = static_cast<std::uint8_t>(k + keyStride)) {
            if (m.active[k] == 0) continue;
            const float tA = m.tensionA[k];
            const float tB = m.tensionB[k];
            const float d = m.highDamping[k];
            const float lambda = m.loss[k];
            const int n = m.segments[k];
            float* xA = m.pos[k][0];
            float* vA = m.vel[k][0];
            float* xB = m.pos[k][1];
            float* vB = m.vel[k][1];

            stringForces(accA, xA, vA, n, tA, d, lambda);
            stringForces(accB, xB, vB, n, tB, d, lambda);

            // The hammer is a force: it enters through the velocity.
            if (m.strikeLeft[k] > 0) {
                const int r = --m.strikeLeft[k];
                const float strike =
                    m.strikeRaw[k][r] * m.strikeGainRaw[k] + m.strikeSmooth[k][r] * m.strikeGainSmooth[k];
                const int tap = m.strikeTap[k];
                accA[tap] = accA[tap] + strike;
                accB[tap] = accB[tap] + strike;
            }

            float peak = 0.0f;
            for (int j = 1; j < n; ++j) {
                vA[j] = vA[j] + accA[j];
                xA[j] = xA[j] + vA[j];
                vB[j] = vB[j] + accB[j];
                xB[j] = xB[j] + vB[j];
                const float magnitudeA = std::fabs(accA[j]);
                if (magnitudeA > peak) peak = magnitudeA;
                const float magnitudeB = std::fabs(accB[j]);
                if (magnitudeB > peak) peak = magnitudeB;
            }

            // Never during a strike; held or not, a quiet key stops costing time.
            if (m.strikeLeft[k] <= 0 && kSilenceLevel / m.frequency[k] > peak) m.active[k] = 0;

            const int left = m.tapLeft[k];
            const int right = m.tapRight[k];
            sumL = (xB[left] + xA[left]) + sumL;
            sumR = (xB[right] + xA[right]) + sumR;
        }
        job->outLeft[s] = sumL;
        job->outRight[s] = sumR;
    }
}
