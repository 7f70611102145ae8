// The render kernel written once over a lane type, compiled once per
// instruction set (one translation unit each). Everything here has internal
// linkage: an out-of-line copy built for a wide instruction set must never be
// shared with the baseline build.
//
// It computes exactly what the plain sample-by-sample kernel computes:
// - keys are independent, so each key runs a stretch of samples on its own
//   while its strings sit in L1, and the pick-ups are summed per sample in the
//   job's key order afterwards, which keeps the float sum order;
// - lanes run along the string points: every point sees the same operations in
//   the same order as in the scalar code, with the fixed ends read as +0;
// - the strike is added as a vector holding -0.0 in every other lane, which
//   leaves those lanes bit for bit as they were;
// - the peak is kept per lane with max(|acc|, peak), which like the scalar
//   "replace only if strictly greater" ignores NaN, and the silence test asks
//   whether the threshold is greater than every lane's peak.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/KeyModel.h"

namespace {

constexpr std::uint32_t kSilenceLevelBits = 0x3727c5acu;  // 1e-5, scaled by 1/frequency
constexpr int kStretchFrames = 256;

inline float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// One string of one key, copied out of the model for a stretch. Points are in
// chunks of W: chunk c holds points 1 + c·W .. (c + 1)·W at index W + c·W, so
// every load and store of the state is aligned and matches an earlier store
// exactly; neighbours come from shifting adjacent chunks in registers. The
// chunk before the first holds point 0 in its last lane; it and everything past
// the last point stay +0, which are the fixed ends.
template <class V>
struct LocalString {
    static constexpr int W = V::width;
    static constexpr int kSize = kMaxPoints + 3 * W;
    alignas(64) float x[kSize];
    alignas(64) float v[kSize];
    // Link force j (between points j and j + 1) at index j: links c·W .. c·W + W − 1
    // are the left links of point chunk c.
    alignas(64) float link[kSize];

    void load(const float* pos, const float* vel, int n) {
        std::memset(x, 0, sizeof x);
        std::memset(v, 0, sizeof v);
        std::memset(link, 0, sizeof link);
        std::memcpy(x + W, pos + 1, sizeof(float) * (n - 1));
        std::memcpy(v + W, vel + 1, sizeof(float) * (n - 1));
    }
    void store(float* pos, float* vel, int n) const {
        std::memcpy(pos + 1, x + W, sizeof(float) * (n - 1));
        std::memcpy(vel + 1, v + W, sizeof(float) * (n - 1));
    }
    float at(int point) const { return x[point + W - 1]; }
};

// Link forces 0..n-1 of both strings from the state at the start of the
// sample: d·(v[j] − v[j+1]) + t·(x[j] − x[j+1]).
template <class V>
inline void linkForces(LocalString<V>& a, LocalString<V>& b, int linkChunks, typename V::Vec tA,
                       typename V::Vec tB, typename V::Vec d) {
    constexpr int W = V::width;
    auto xaBefore = V::load(a.x);
    auto vaBefore = V::load(a.v);
    auto xbBefore = V::load(b.x);
    auto vbBefore = V::load(b.v);
    for (int c = 0; c < linkChunks; ++c) {
        const auto xa = V::load(a.x + W + c * W);
        const auto va = V::load(a.v + W + c * W);
        const auto xb = V::load(b.x + W + c * W);
        const auto vb = V::load(b.v + W + c * W);
        const auto dva = V::sub(V::shiftInFromLeft(vaBefore, va), va);
        const auto dxa = V::sub(V::shiftInFromLeft(xaBefore, xa), xa);
        const auto dvb = V::sub(V::shiftInFromLeft(vbBefore, vb), vb);
        const auto dxb = V::sub(V::shiftInFromLeft(xbBefore, xb), xb);
        V::store(a.link + c * W, V::add(V::mul(d, dva), V::mul(tA, dxa)));
        V::store(b.link + c * W, V::add(V::mul(d, dvb), V::mul(tB, dxb)));
        xaBefore = xa;
        vaBefore = va;
        xbBefore = xb;
        vbBefore = vb;
    }
}

// Velocity increment of point chunk c from its left and right links, then the
// symplectic step; returns the increment for the strike and the peak.
template <class V>
inline typename V::Vec forceOf(const LocalString<V>& s, int c, typename V::Vec loss) {
    constexpr int W = V::width;
    const auto left = V::load(s.link + c * W);
    const auto right = V::shiftInFromRight(left, V::load(s.link + c * W + W));
    return V::sub(V::sub(left, right), V::mul(loss, V::load(s.v + W + c * W)));
}

template <class V>
inline typename V::Vec step(LocalString<V>& s, int c, typename V::Vec acc, typename V::Vec peak) {
    constexpr int W = V::width;
    const auto v = V::add(V::load(s.v + W + c * W), acc);
    V::store(s.v + W + c * W, v);
    V::store(s.x + W + c * W, V::add(V::load(s.x + W + c * W), v));
    return V::larger(V::abs(acc), peak);
}

// Runs one active key for up to `frames` samples, adding its pick-ups into
// sumL/sumR; returns with the model's strike counter and active flag updated.
template <class V>
void renderKey(KeyModel& m, int k, int frames, float* sumL, float* sumR) {
    using Vec = typename V::Vec;
    constexpr int W = V::width;
    const int n = m.segments[k];
    const int linkChunks = (n + W - 1) / W;
    const int lastChunk = (n - 2) / W;
    const int lastLanes = (n - 1) - lastChunk * W;
    const int tap = m.strikeTap[k];
    const int strikeChunk = (tap - 1) / W;
    const int strikeLane = (tap - 1) % W;
    const int tapLeft = m.tapLeft[k];
    const int tapRight = m.tapRight[k];

    const Vec tA = V::splat(m.tensionA[k]);
    const Vec tB = V::splat(m.tensionB[k]);
    const Vec d = V::splat(m.highDamping[k]);
    const Vec loss = V::splat(m.loss[k]);
    const Vec threshold = V::splat(floatFromBits(kSilenceLevelBits) / m.frequency[k]);
    const Vec lastKeep = V::lanesUpTo(lastLanes);
    const Vec strikeLaneMask = V::andNot(V::lanesUpTo(strikeLane), V::lanesUpTo(strikeLane + 1));
    const Vec negativeZero = V::splat(-0.0f);
    const float* raw = m.strikeRaw[k];
    const float* smooth = m.strikeSmooth[k];
    const float gainRaw = m.strikeGainRaw[k];
    const float gainSmooth = m.strikeGainSmooth[k];
    int strikeLeft = m.strikeLeft[k];

    LocalString<V> a;
    LocalString<V> b;
    a.load(m.pos[k][0], m.vel[k][0], n);
    b.load(m.pos[k][1], m.vel[k][1], n);

    for (int s = 0; s < frames; ++s) {
        linkForces(a, b, linkChunks, tA, tB, d);

        Vec strike = negativeZero;
        if (strikeLeft > 0) {
            --strikeLeft;
            const float value = raw[strikeLeft] * gainRaw + smooth[strikeLeft] * gainSmooth;
            strike = V::bitOr(V::bitAnd(strikeLaneMask, V::splat(value)), V::andNot(strikeLaneMask, negativeZero));
        }

        // One running peak per string keeps the two max chains apart.
        Vec peakA = V::splat(0.0f);
        Vec peakB = peakA;
        for (int c = 0; c <= lastChunk; ++c) {
            Vec accA = forceOf(a, c, loss);
            Vec accB = forceOf(b, c, loss);
            if (c == strikeChunk) {
                accA = V::add(accA, strike);
                accB = V::add(accB, strike);
            }
            if (c == lastChunk) {
                accA = V::bitAnd(accA, lastKeep);
                accB = V::bitAnd(accB, lastKeep);
            }
            peakA = step(a, c, accA, peakA);
            peakB = step(b, c, accB, peakB);
        }

        sumL[s] = (b.at(tapLeft) + a.at(tapLeft)) + sumL[s];
        sumR[s] = (b.at(tapRight) + a.at(tapRight)) + sumR[s];

        if (strikeLeft <= 0 && V::allGreater(threshold, V::larger(peakA, peakB))) {
            m.active[k] = 0;
            break;
        }
    }

    a.store(m.pos[k][0], m.vel[k][0], n);
    b.store(m.pos[k][1], m.vel[k][1], n);
    m.strikeLeft[k] = static_cast<std::int16_t>(strikeLeft);
}

template <class V>
void renderKeysWith(RenderJob* job) {
    KeyModel& m = *job->plugin;
    const std::uint8_t firstKey = static_cast<std::uint8_t>(job->firstKey);
    // A zero stride would never leave the first key; it renders that key alone.
    const std::uint8_t strideBits = static_cast<std::uint8_t>(job->keyStride);
    const std::uint8_t keyStride = strideBits == 0 ? kNumKeys : strideBits;
    alignas(64) float sumL[kStretchFrames];
    alignas(64) float sumR[kStretchFrames];

    for (int done = 0; done < job->frames; done += kStretchFrames) {
        const int remaining = job->frames - done;
        const int frames = remaining < kStretchFrames ? remaining : kStretchFrames;
        for (int s = 0; s < frames; ++s) {
            sumL[s] = 0.0f;
            sumR[s] = 0.0f;
        }
        for (std::uint8_t k = firstKey; k < kNumKeys; k = static_cast<std::uint8_t>(k + keyStride))
            if (m.active[k] != 0) renderKey<V>(m, k, frames, sumL, sumR);
        for (int s = 0; s < frames; ++s) {
            job->outLeft[done + s] = sumL[s];
            job->outRight[done + s] = sumR[s];
        }
    }
}

}  // namespace
