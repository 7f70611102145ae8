// The render kernel written once over a lane type, compiled once per
// instruction set (one translation unit each). Everything here has internal
// linkage: an out-of-line copy built for a wide instruction set must never be
// shared with the baseline build.
//
// It computes exactly what the plain sample-by-sample kernel computes:
// - keys are independent, so each key (two at a time, side by side) runs a
//   stretch of samples while its strings sit in L1; every sample's pick-ups
//   are still added in the job's key order, which keeps the float sum order;
// - lanes run along the string points: every point sees the same operations in
//   the same order as in the scalar code, with the fixed ends read as +0;
// - the force pass runs one chunk ahead of the integration pass in the same
//   sweep, so every force is still formed from the state at the start of the
//   sample, without a round trip through memory;
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

constexpr int kStretchFrames = 256;

// One string of one key, copied out of the model for a stretch. Points are in
// chunks of W: chunk c holds points 1 + c·W .. (c + 1)·W at index W + c·W, so
// every load and store of the state is aligned and matches an earlier store
// exactly; neighbours come from shifting adjacent chunks in registers (an
// unaligned load straddling two recent stores would stall). The chunk before
// the first holds point 0 in its last lane; it and everything past the last
// point stay +0, which are the fixed ends.
template <class V>
struct LocalString {
    static constexpr int W = V::width;
    static constexpr int kSize = kMaxPoints + 3 * W;
    alignas(64) float x[kSize];
    alignas(64) float v[kSize];

    // Only the padding that a sweep reads is cleared: the chunk before the first
    // and everything from point n to the end of the chunk after the last.
    void load(const float* pos, const float* vel, int n) {
        const int end = W + ((n - 2) / W + 2) * W;
        std::memset(x, 0, sizeof(float) * W);
        std::memset(v, 0, sizeof(float) * W);
        std::memcpy(x + W, pos + 1, sizeof(float) * (n - 1));
        std::memcpy(v + W, vel + 1, sizeof(float) * (n - 1));
        std::memset(x + W + n - 1, 0, sizeof(float) * (end - (W + n - 1)));
        std::memset(v + W + n - 1, 0, sizeof(float) * (end - (W + n - 1)));
    }
    void store(float* pos, float* vel, int n) const {
        std::memcpy(pos + 1, x + W, sizeof(float) * (n - 1));
        std::memcpy(vel + 1, v + W, sizeof(float) * (n - 1));
    }
    float at(int point) const { return x[point + W - 1]; }
};

// Walks a string chunk by chunk, one chunk of links ahead of the integration:
// the links right of chunk c are formed from the old state of chunks c and
// c + 1 before chunk c is moved, so every force sees the state at the start
// of the sample.
template <class V>
struct Sweep {
    using Vec = typename V::Vec;
    static constexpr int W = V::width;
    Vec x, v, link;

    Sweep(const LocalString<V>& s, Vec t, Vec d) {
        const Vec x0 = V::load(s.x);
        const Vec v0 = V::load(s.v);
        x = V::load(s.x + W);
        v = V::load(s.v + W);
        link = linkOf(x0, v0, x, v, t, d);
    }
    static Vec linkOf(Vec xBefore, Vec vBefore, Vec x1, Vec v1, Vec t, Vec d) {
        const Vec dv = V::sub(V::shiftInFromLeft(vBefore, v1), v1);
        const Vec dx = V::sub(V::shiftInFromLeft(xBefore, x1), x1);
        return V::add(V::mul(d, dv), V::mul(t, dx));
    }
    // Increment of chunk c; loads chunk c + 1 and its links for the next call.
    Vec force(const LocalString<V>& s, int c, Vec t, Vec d, Vec loss) {
        nextX = V::load(s.x + 2 * W + c * W);
        nextV = V::load(s.v + 2 * W + c * W);
        nextLink = linkOf(x, v, nextX, nextV, t, d);
        const Vec right = V::shiftInFromRight(link, nextLink);
        return V::sub(V::sub(link, right), V::mul(loss, v));
    }
    Vec step(LocalString<V>& s, int c, Vec acc, Vec peak) {
        const Vec vNew = V::add(v, acc);
        V::store(s.v + W + c * W, vNew);
        V::store(s.x + W + c * W, V::add(x, vNew));
        x = nextX;
        v = nextV;
        link = nextLink;
        return V::larger(V::abs(acc), peak);
    }
    Vec nextX, nextV, nextLink;
};

// One active key over a stretch: its constants hoisted, its strings copied
// into local chunks, advanced one sample at a time.
template <class V>
class KeyRun {
public:
    using Vec = typename V::Vec;
    static constexpr int W = V::width;

    void begin(KeyModel& model, int key) {
        m = &model;
        k = key;
        n = m->segments[k];
        lastChunk = (n - 2) / W;
        const int tap = m->strikeTap[k];
        strikeChunk = (tap - 1) / W;
        const int strikeLane = (tap - 1) % W;
        tapLeft = m->tapLeft[k];
        tapRight = m->tapRight[k];
        tA = V::splat(m->tensionA[k]);
        tB = V::splat(m->tensionB[k]);
        d = V::splat(m->highDamping[k]);
        loss = V::splat(m->loss[k]);
        threshold = V::splat(kSilenceLevel / m->frequency[k]);
        lastKeep = V::lanesUpTo((n - 1) - lastChunk * W);
        strikeLaneMask = V::andNot(V::lanesUpTo(strikeLane), V::lanesUpTo(strikeLane + 1));
        raw = m->strikeRaw[k];
        smooth = m->strikeSmooth[k];
        gainRaw = m->strikeGainRaw[k];
        gainSmooth = m->strikeGainSmooth[k];
        strikeLeft = m->strikeLeft[k];
        sounding = true;
        a.load(m->pos[k][0], m->vel[k][0], n);
        b.load(m->pos[k][1], m->vel[k][1], n);
    }

    // One sample; adds the pick-ups into sumL/sumR and clears `sounding` when
    // the key falls silent (it still contributes to this sample).
    void sample(float& sumL, float& sumR) {
        const Vec negativeZero = V::splat(-0.0f);
        Vec strike = negativeZero;
        if (strikeLeft > 0) {
            --strikeLeft;
            const float value = raw[strikeLeft] * gainRaw + smooth[strikeLeft] * gainSmooth;
            strike = V::bitOr(V::bitAnd(strikeLaneMask, V::splat(value)), V::andNot(strikeLaneMask, negativeZero));
        }

        // One running peak per string keeps the two max chains apart.
        Vec peakA = V::splat(0.0f);
        Vec peakB = peakA;
        Sweep<V> sa(a, tA, d);
        Sweep<V> sb(b, tB, d);
        for (int c = 0; c <= lastChunk; ++c) {
            Vec accA = sa.force(a, c, tA, d, loss);
            Vec accB = sb.force(b, c, tB, d, loss);
            if (c == strikeChunk) {
                accA = V::add(accA, strike);
                accB = V::add(accB, strike);
            }
            if (c == lastChunk) {
                accA = V::bitAnd(accA, lastKeep);
                accB = V::bitAnd(accB, lastKeep);
            }
            peakA = sa.step(a, c, accA, peakA);
            peakB = sb.step(b, c, accB, peakB);
        }

        sumL = (b.at(tapLeft) + a.at(tapLeft)) + sumL;
        sumR = (b.at(tapRight) + a.at(tapRight)) + sumR;

        if (strikeLeft <= 0 && V::allGreater(threshold, V::larger(peakA, peakB))) sounding = false;
    }

    void end() {
        a.store(m->pos[k][0], m->vel[k][0], n);
        b.store(m->pos[k][1], m->vel[k][1], n);
        m->strikeLeft[k] = static_cast<std::int16_t>(strikeLeft);
        if (!sounding) m->active[k] = 0;
    }

    bool sounding;

private:
    LocalString<V> a;
    LocalString<V> b;
    KeyModel* m;
    int k, n, lastChunk, strikeChunk, tapLeft, tapRight;
    Vec tA, tB, d, loss, threshold, lastKeep, strikeLaneMask;
    const float* raw;
    const float* smooth;
    float gainRaw, gainSmooth;
    int strikeLeft;
};

// Keys are rendered a few at a time, sample by sample in job order: one key's
// samples form a chain of dependent steps, and a short string alone cannot
// keep the processor busy, but independent keys side by side can.
constexpr int kKeysAtOnce = 2;

template <class V>
void renderKeysWith(RenderJob* job) {
    KeyModel& m = *job->plugin;
    const std::uint8_t firstKey = static_cast<std::uint8_t>(job->firstKey);
    // A zero stride would never leave the first key; it renders that key alone.
    const std::uint8_t strideBits = static_cast<std::uint8_t>(job->keyStride);
    const std::uint8_t keyStride = strideBits == 0 ? kNumKeys : strideBits;
    alignas(64) float sumL[kStretchFrames];
    alignas(64) float sumR[kStretchFrames];
    KeyRun<V> runs[kKeysAtOnce];

    for (int done = 0; done < job->frames; done += kStretchFrames) {
        const int remaining = job->frames - done;
        const int frames = remaining < kStretchFrames ? remaining : kStretchFrames;
        for (int s = 0; s < frames; ++s) {
            sumL[s] = 0.0f;
            sumR[s] = 0.0f;
        }
        std::uint8_t k = firstKey;
        while (k < kNumKeys) {
            int group = 0;
            for (; k < kNumKeys && group < kKeysAtOnce; k = static_cast<std::uint8_t>(k + keyStride))
                if (m.active[k] != 0) runs[group++].begin(m, k);
            for (int s = 0; s < frames; ++s) {
                bool any = false;
                for (int g = 0; g < group; ++g) {
                    if (runs[g].sounding) {
                        runs[g].sample(sumL[s], sumR[s]);
                        any = true;
                    }
                }
                if (!any) break;
            }
            for (int g = 0; g < group; ++g) runs[g].end();
        }
        for (int s = 0; s < frames; ++s) {
            job->outLeft[done + s] = sumL[s];
            job->outRight[done + s] = sumR[s];
        }
    }
}

}  // namespace
