// The render kernel written once over a lane type, compiled once per
// instruction set (one translation unit each). Everything here has internal
// linkage: an out-of-line copy built for a wide instruction set must never be
// shared with the baseline build.
//
// It computes exactly what the plain sample-by-sample kernel computes:
// - keys are independent, so each key (two at a time, side by side) runs a
//   stretch of samples while its strings sit in L1; every sample's pick-ups
//   are still added in the job's key order, which keeps the float sum order;
// - lanes run along the string in runs of consecutive points (see
//   LocalString): every point sees the same operations in the same order as
//   in the scalar code, with the fixed ends read as +0;
// - the links right of a chunk are formed from the old state of that chunk and
//   the next one before the chunk is moved, so every force is still formed
//   from the state at the start of the sample;
// - the strike is added as a vector holding -0.0 in every other lane, which
//   leaves those lanes bit for bit as they were;
// - the peak is kept per lane with max(|acc|, peak), which like the scalar
//   "replace only if strictly greater" ignores NaN, and the silence test asks
//   whether the threshold is greater than every lane's peak;
// - work that cannot change a bit is left out: the strike add between
//   strikes, and the peak once the first chunk already holds a lane at the
//   threshold.
#pragma once

#include <cstdint>

#include "engine/KeyModel.h"

namespace {

constexpr int kStretchFrames = 256;

// One string of one key, copied out of the model for a stretch. The points
// 1..n (n the fixed end) are cut into W runs of C consecutive points, C the
// fewest chunks that hold them, and run i goes down lane i: chunk c holds
// points 1 + c, 1 + C + c, ... at index c·W. A point's neighbours are then in
// the same lane of the chunks before and after it, so only the first chunk
// (whose left neighbours end the runs one lane down) and the last (whose
// right neighbours start the runs one lane up) move lanes, once per sample
// and not once per chunk. The fixed end is kept at +0 in its slot. The slots
// after it neighbour no moving point, start at +0 and, their neighbours being
// +0 as well, only ever hold ±0 or NaN, neither of which raises a peak.
template <class V>
struct LocalString {
    static constexpr int W = V::width;
    static constexpr int kMaxChunks = (kMaxPoints + W - 1) / W;
    alignas(64) float x[kMaxChunks * W];
    alignas(64) float v[kMaxChunks * W];

    static int chunksFor(int n) { return (n + W - 1) / W; }
    // Index of point 1..n in a string of `chunks` chunks.
    static int slot(int point, int chunks) {
        const int lane = (point - 1) / chunks;
        return (point - 1 - lane * chunks) * W + lane;
    }

    // Each chunk is gathered whole: written lane by lane, its first load in
    // the sweep would wait for every single store to reach the cache.
    void load(const float* pos, const float* vel, int n, int chunks) {
        for (int c = 0; c < chunks; ++c) {
            // Lanes i with 1 + i·C + c < n hold moving points, the rest +0.
            const int moving = n - 2 - c < 0 ? 0 : (n - 2 - c) / chunks + 1;
            V::store(x + c * W, V::gather(pos + 1 + c, chunks, moving));
            V::store(v + c * W, V::gather(vel + 1 + c, chunks, moving));
        }
    }
    void store(float* pos, float* vel, int n, int chunks) const {
        for (int lane = 0; lane < W; ++lane) {
            // All C points but in the run that reaches the fixed end, none after it.
            const int left = n - 1 - lane * chunks;
            const int length = left < chunks ? left : chunks;
            if (length <= 0) break;
            float* p = pos + 1 + lane * chunks;
            float* q = vel + 1 + lane * chunks;
            for (int c = 0; c < length; ++c) {
                p[c] = x[c * W + lane];
                q[c] = v[c * W + lane];
            }
        }
    }
};

// The links left of the points x1, v1, from their left neighbours.
template <class V>
typename V::Vec linkOf(typename V::Vec xLeft, typename V::Vec vLeft, typename V::Vec x1, typename V::Vec v1,
                       typename V::Vec t, typename V::Vec d) {
    const auto dv = V::sub(vLeft, v1);
    const auto dx = V::sub(xLeft, x1);
    return V::add(V::mul(d, dv), V::mul(t, dx));
}

// One active key over a stretch: its constants hoisted, its strings copied
// into local chunks, advanced one sample at a time.
template <class V>
class KeyRun {
public:
    using Vec = typename V::Vec;
    static constexpr int W = V::width;
    using Local = LocalString<V>;

    void begin(KeyModel& model, int key) {
        m = &model;
        k = key;
        n = m->segments[k];
        chunks = Local::chunksFor(n);
        const int strikeSlot = Local::slot(m->strikeTap[k], chunks);
        strikeChunk = strikeSlot / W;
        endSlot = Local::slot(n, chunks);
        endChunk = endSlot / W;
        tapLeft = Local::slot(m->tapLeft[k], chunks);
        tapRight = Local::slot(m->tapRight[k], chunks);
        tA = V::splat(m->tensionA[k]);
        tB = V::splat(m->tensionB[k]);
        d = V::splat(m->highDamping[k]);
        loss = V::splat(m->loss[k]);
        threshold = V::splat(kSilenceLevel / m->frequency[k]);
        endKeep = V::andNot(onlyLane(endSlot % W), V::lanesUpTo(W));
        strikeLaneMask = onlyLane(strikeSlot % W);
        raw = m->strikeRaw[k];
        smooth = m->strikeSmooth[k];
        gainRaw = m->strikeGainRaw[k];
        gainSmooth = m->strikeGainSmooth[k];
        strikeLeft = m->strikeLeft[k];
        sounding = true;
        a.load(m->pos[k][0], m->vel[k][0], n, chunks);
        b.load(m->pos[k][1], m->vel[k][1], n, chunks);
    }

    // One sample; adds the pick-ups into sumL/sumR and clears `sounding` when
    // the key falls silent (it still contributes to this sample).
    void sample(float& sumL, float& sumR) {
        Links l = startSweeps();
        const int last = chunks - 1;

        if (strikeLeft > 0) {
            // Without a strike nothing is added: adding -0.0 would change no bit.
            --strikeLeft;
            const float value = raw[strikeLeft] * gainRaw + smooth[strikeLeft] * gainSmooth;
            const Vec strike = V::bitOr(V::bitAnd(strikeLaneMask, V::splat(value)),
                                        V::andNot(strikeLaneMask, V::splat(-0.0f)));
            if (strikeLeft > 0) {
                advance<false>(l, 0, chunks, true, strike);
                pickUps(sumL, sumR);
                return;
            }
            advance<true>(l, 0, chunks, true, strike);
        } else {
            // The key can only fall silent when no lane reaches the threshold.
            // Once a lane of the first chunk does, the rest of the sweep need
            // not keep a peak, and the chunks between the first and the last
            // need no care: the fixed end's slot is cleared afterwards.
            const Vec none = V::splat(-0.0f);
            advance<true>(l, 0, 1, false, none);
            if (!V::allGreater(threshold, V::larger(l.peakA, l.peakB))) {
                l.a = along(a, tA, l.a, 1, last);
                l.b = along(b, tB, l.b, 1, last);
                if (last > 0) advance<false>(l, last, chunks, false, none);
                // Cleared by single stores (a chunk-wide clear measured
                // slower), and only when no chunk taken with care held the
                // end: the next sample's load of a chunk patched this way
                // waits until the patch is written out.
                if (endChunk > 0 && endChunk < last) {
                    a.x[endSlot] = 0.0f;
                    a.v[endSlot] = 0.0f;
                    b.x[endSlot] = 0.0f;
                    b.v[endSlot] = 0.0f;
                }
                pickUps(sumL, sumR);
                return;
            }
            advance<true>(l, 1, chunks, false, none);
        }
        if (V::allGreater(threshold, V::larger(l.peakA, l.peakB))) sounding = false;
        pickUps(sumL, sumR);
    }

    void end() {
        a.store(m->pos[k][0], m->vel[k][0], n, chunks);
        b.store(m->pos[k][1], m->vel[k][1], n, chunks);
        m->strikeLeft[k] = static_cast<std::int16_t>(strikeLeft);
        if (!sounding) m->active[k] = 0;
    }

    bool sounding;

private:
    // Both strings' sweeps through a sample: the links left of the chunk
    // they are at, those left of the first chunk (moved down a lane, the
    // links right of the last chunk) and the running peaks.
    struct Links {
        Vec a, b, firstA, firstB, peakA, peakB;
    };

    // The runs' last points are the first chunk's left neighbours one lane
    // down, point 0 the first run's.
    Vec firstLinks(const Local& s, Vec t) const {
        const Vec zero = V::splat(0.0f);
        const int last = (chunks - 1) * W;
        return linkOf<V>(V::shiftInFromLeft(zero, V::load(s.x + last)), V::shiftInFromLeft(zero, V::load(s.v + last)),
                         V::load(s.x), V::load(s.v), t, d);
    }
    Links startSweeps() const {
        const Vec linkA = firstLinks(a, tA);
        const Vec linkB = firstLinks(b, tB);
        return {linkA, linkB, linkA, linkB, V::splat(0.0f), V::splat(0.0f)};
    }

    void pickUps(float& sumL, float& sumR) const {
        sumL = (b.x[tapLeft] + a.x[tapLeft]) + sumL;
        sumR = (b.x[tapRight] + a.x[tapRight]) + sumR;
    }

    static Vec onlyLane(int lane) { return V::andNot(V::lanesUpTo(lane), V::lanesUpTo(lane + 1)); }

    // Chunks first..end-1 of both strings, minding the last chunk, the struck
    // one and the one holding the fixed end.
    template <bool keepPeak>
    [[gnu::always_inline]] void advance(Links& l, int first, int end, bool striking, Vec strike) {
        for (int c = first; c < end; ++c) {
            float* xa = a.x + c * W;
            float* va = a.v + c * W;
            float* xb = b.x + c * W;
            float* vb = b.v + c * W;
            const Vec xA = V::load(xa);
            const Vec vA = V::load(va);
            const Vec xB = V::load(xb);
            const Vec vB = V::load(vb);
            Vec rightA, rightB;
            if (c == chunks - 1) {
                rightA = V::shiftInFromRight(l.firstA, V::splat(0.0f));
                rightB = V::shiftInFromRight(l.firstB, V::splat(0.0f));
            } else {
                rightA = linkOf<V>(xA, vA, V::load(xa + W), V::load(va + W), tA, d);
                rightB = linkOf<V>(xB, vB, V::load(xb + W), V::load(vb + W), tB, d);
            }
            Vec accA = V::sub(V::sub(l.a, rightA), V::mul(loss, vA));
            Vec accB = V::sub(V::sub(l.b, rightB), V::mul(loss, vB));
            l.a = rightA;
            l.b = rightB;
            if (striking && c == strikeChunk) {
                accA = V::add(accA, strike);
                accB = V::add(accB, strike);
            }
            if (c == endChunk) {
                accA = V::bitAnd(accA, endKeep);
                accB = V::bitAnd(accB, endKeep);
            }
            const Vec vNewA = V::add(vA, accA);
            const Vec vNewB = V::add(vB, accB);
            V::store(va, vNewA);
            V::store(xa, V::add(xA, vNewA));
            V::store(vb, vNewB);
            V::store(xb, V::add(xB, vNewB));
            if constexpr (keepPeak) {
                l.peakA = V::larger(V::abs(accA), l.peakA);
                l.peakB = V::larger(V::abs(accB), l.peakB);
            }
        }
    }

    // Chunks first..end-1 of one string, none of them the last or struck;
    // returns the links right of the last of them. One string at a time keeps
    // every value of the loop in a register.
    [[gnu::always_inline]] Vec along(Local& s, Vec t, Vec link, int first, int end) const {
        // Copies the stores cannot alias: read from the key, they would be
        // loaded again after every store, on the way to every product.
        const Vec damping = d;
        const Vec lossRate = loss;
#pragma GCC unroll 2
        for (int c = first; c < end; ++c) {
            float* x = s.x + c * W;
            float* v = s.v + c * W;
            const Vec x0 = V::load(x);
            const Vec v0 = V::load(v);
            const Vec right = linkOf<V>(x0, v0, V::load(x + W), V::load(v + W), t, damping);
            const Vec acc = V::sub(V::sub(link, right), V::mul(lossRate, v0));
            link = right;
            const Vec vNew = V::add(v0, acc);
            V::store(v, vNew);
            V::store(x, V::add(x0, vNew));
        }
        return link;
    }

    Local a;
    Local b;
    KeyModel* m;
    int k, n, chunks, strikeChunk, endSlot, endChunk, tapLeft, tapRight;
    Vec tA, tB, d, loss, threshold, endKeep, strikeLaneMask;
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
