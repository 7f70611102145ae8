// Baseline x86-64 build of the kernel: four points per vector.
#include <emmintrin.h>

#include "engine/RenderVariants.h"
#include "engine/SimdRenderKernel.h"

namespace {

struct Sse2Lanes {
    using Vec = __m128;
    static constexpr int width = 4;

    static Vec load(const float* p) { return _mm_load_ps(p); }
    static Vec loadu(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, Vec v) { _mm_store_ps(p, v); }
    static Vec splat(float x) { return _mm_set1_ps(x); }
    static Vec add(Vec a, Vec b) { return _mm_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm_mul_ps(a, b); }
    static Vec bitAnd(Vec a, Vec b) { return _mm_and_ps(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm_or_ps(a, b); }
    static Vec andNot(Vec a, Vec b) { return _mm_andnot_ps(a, b); }
    static Vec abs(Vec a) { return _mm_and_ps(a, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff))); }
    // a > b ? a : b per lane, so a NaN in a leaves b.
    static Vec larger(Vec a, Vec b) { return _mm_max_ps(a, b); }
    static bool allGreater(Vec a, Vec b) { return _mm_movemask_ps(_mm_cmpgt_ps(a, b)) == 0xF; }
    // [before[3], v[0], v[1], v[2]] and [v[1], v[2], v[3], after[0]].
    static Vec shiftInFromLeft(Vec before, Vec v) {
        const Vec edge = _mm_shuffle_ps(before, v, _MM_SHUFFLE(0, 0, 3, 3));
        return _mm_shuffle_ps(edge, v, _MM_SHUFFLE(2, 1, 2, 0));
    }
    static Vec shiftInFromRight(Vec v, Vec after) {
        const Vec edge = _mm_shuffle_ps(v, after, _MM_SHUFFLE(0, 0, 3, 3));
        return _mm_shuffle_ps(v, edge, _MM_SHUFFLE(2, 0, 2, 1));
    }
    // from[i·stride] in lanes 0..count-1, +0 above; nothing above is read.
    // Put together in registers, not through memory.
    static Vec gather(const float* from, int stride, int count) {
        float lane[4];
        for (int i = 0; i < 4; ++i) lane[i] = i < count ? from[i * stride] : 0.0f;
        return _mm_setr_ps(lane[0], lane[1], lane[2], lane[3]);
    }
    // All bits set in lanes 0..count-1, clear above.
    static Vec lanesUpTo(int count) {
        const __m128i lane = _mm_set_epi32(3, 2, 1, 0);
        return _mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(count), lane));
    }
};

}  // namespace

void renderKeysSse2(RenderJob* job) { renderKeysWith<Sse2Lanes>(job); }
