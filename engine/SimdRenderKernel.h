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
//   sample;
// - the strike is added as a vector holding -0.0 in every other lane, which
//   leaves those lanes bit for bit as they were;
// - the peak is kept per lane with max(|acc|, peak), which like the scalar
//   "replace only if strictly greater" ignores NaN, and the silence test asks
//   whether the threshold is greater than every lane's peak;
// - work that cannot change a bit is left out: the strike add between
//   strikes, the links past a fixed end that lies inside the last chunk, and
//   the peak once the first chunk already holds a lane at the threshold.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/KeyModel.h"

namespace {

constexpr int kStretchFrames = 256;

// One string of one key, copied out of the model for a stretch. Points are in
// chunks of W: chunk c holds points 1 + c·W .. (c + 1)·W at index c·W, so
// chunks are loaded and stored aligned. Left neighbours are one unaligned
// load, taken before the chunk to the left is overwritten; measured on every
// width, that costs less than shifting two chunks in registers, but not for
// the first chunk, whose left neighbour is the fixed end. Everything past the
// last point stays +0, as the fixed end does; point 0 is not stored.
template <class V>
struct LocalString {
    static constexpr int W = V::width;
    static constexpr int kSize = kMaxPoints + 2 * W;
    alignas(64) float x[kSize];
    alignas(64) float v[kSize];

    // Only the padding that a sweep reads is cleared: everything from point n
    // to the end of the chunk after the last.
    void load(const float* pos, const float* vel, int n) {
        const int end = ((n - 2) / W + 2) * W;
        std::memcpy(x, pos + 1, sizeof(float) * (n - 1));
        std::memcpy(v, vel + 1, sizeof(float) * (n - 1));
        std::memset(x + n - 1, 0, sizeof(float) * (end - (n - 1)));
        std::memset(v + n - 1, 0, sizeof(float) * (end - (n - 1)));
    }
    void store(float* pos, float* vel, int n) const {
        std::memcpy(pos + 1, x, sizeof(float) * (n - 1));
        std::memcpy(vel + 1, v, sizeof(float) * (n - 1));
    }
    float at(int point) const { return x[point - 1]; }
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

    // Point 0, the fixed end, enters the first links as +0.
    Sweep(const LocalString<V>& s, Vec t, Vec d) {
        const Vec end = V::splat(0.0f);
        x = V::load(s.x);
        v = V::load(s.v);
        link = linkOf(V::shiftInFromLeft(end, x), V::shiftInFromLeft(end, v), x, v, t, d);
    }
    // The links left of the points x1, v1, from their left neighbours.
    static Vec linkOf(Vec xLeft, Vec vLeft, Vec x1, Vec v1, Vec t, Vec d) {
        const Vec dv = V::sub(vLeft, v1);
        const Vec dx = V::sub(xLeft, x1);
        return V::add(V::mul(d, dv), V::mul(t, dx));
    }
    // Increment of chunk c; loads chunk c + 1 and its links for the next call.
    Vec force(const LocalString<V>& s, int c, Vec t, Vec d, Vec loss) {
        nextX = V::load(s.x + W + c * W);
        nextV = V::load(s.v + W + c * W);
        // Chunk c still holds the old state here: it is stored after this.
        nextLink = linkOf(V::loadu(s.x + W - 1 + c * W), V::loadu(s.v + W - 1 + c * W), nextX, nextV, t, d);
        const Vec right = V::shiftInFromRight(link, nextLink);
        return V::sub(V::sub(link, right), V::mul(loss, v));
    }
    // The same for a last chunk that holds the fixed end: its top lane is
    // cleared afterwards, so what enters there does not matter.
    Vec forceBeforeEnd(Vec loss) const {
        const Vec right = V::shiftInFromRight(link, link);
        return V::sub(V::sub(link, right), V::mul(loss, v));
    }
    void step(LocalString<V>& s, int c, Vec acc) {
        const Vec vNew = V::add(v, acc);
        V::store(s.v + c * W, vNew);
        V::store(s.x + c * W, V::add(x, vNew));
        x = nextX;
        v = nextV;
        link = nextLink;
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
        lastChunkFull = (n - 1) - lastChunk * W == W;
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
        // Without a strike nothing is added: adding -0.0 would change no bit.
        const bool striking = strikeLeft > 0;
        Vec strike = V::splat(-0.0f);
        if (striking) {
            --strikeLeft;
            const float value = raw[strikeLeft] * gainRaw + smooth[strikeLeft] * gainSmooth;
            strike = V::bitOr(V::bitAnd(strikeLaneMask, V::splat(value)), V::andNot(strikeLaneMask, strike));
        }

        // The key can only fall silent when no lane reaches the threshold.
        // Once a lane of the first chunk does, the rest of the sweep need not
        // keep a peak at all, which saves two vector operations per chunk for
        // nearly every sounding key.
        Sweep<V> sa(a, tA, d);
        Sweep<V> sb(b, tB, d);
        // One running peak per string keeps the two max chains apart.
        Vec peakA = V::splat(0.0f);
        Vec peakB = peakA;
        advance<true>(sa, sb, 0, 0, striking, strike, peakA, peakB);
        if (strikeLeft > 0 || !V::allGreater(threshold, V::larger(peakA, peakB))) {
            advance<false>(sa, sb, 1, lastChunk, striking, strike, peakA, peakB);
        } else {
            advance<true>(sa, sb, 1, lastChunk, striking, strike, peakA, peakB);
            if (V::allGreater(threshold, V::larger(peakA, peakB))) sounding = false;
        }

        sumL = (b.at(tapLeft) + a.at(tapLeft)) + sumL;
        sumR = (b.at(tapRight) + a.at(tapRight)) + sumR;
    }

    // Chunks first..last of both strings. The last chunk's links to its right
    // come from the next chunk only when the string fills it; otherwise the
    // fixed end lies inside it and the lane that would take the next chunk's
    // link is cleared anyway.
    template <bool keepPeak>
    [[gnu::always_inline]] void advance(Sweep<V>& sa, Sweep<V>& sb, int first, int last, bool striking, Vec strike,
                                        Vec& peakA, Vec& peakB) {
        for (int c = first; c <= last; ++c) {
            const bool final = c == lastChunk;
            Vec accA, accB;
            if (final && !lastChunkFull) {
                accA = sa.forceBeforeEnd(loss);
                accB = sb.forceBeforeEnd(loss);
            } else {
                accA = sa.force(a, c, tA, d, loss);
                accB = sb.force(b, c, tB, d, loss);
            }
            if (striking && c == strikeChunk) {
                accA = V::add(accA, strike);
                accB = V::add(accB, strike);
            }
            if (final) {
                accA = V::bitAnd(accA, lastKeep);
                accB = V::bitAnd(accB, lastKeep);
            }
            sa.step(a, c, accA);
            sb.step(b, c, accB);
            if constexpr (keepPeak) {
                peakA = V::larger(V::abs(accA), peakA);
                peakB = V::larger(V::abs(accB), peakB);
            }
        }
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
    bool lastChunkFull;
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
