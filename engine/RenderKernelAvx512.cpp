// Kernel for processors with AVX-512F: sixteen points per vector. Built with
// -mavx512f and never with FMA, so every product is rounded before its sum.
#include <immintrin.h>

#include "engine/RenderVariants.h"
#include "engine/SimdRenderKernel.h"

namespace {

struct Avx512Lanes {
    using Vec = __m512;
    static constexpr int width = 16;

    static __m512i bits(Vec a) { return _mm512_castps_si512(a); }
    static Vec floats(__m512i a) { return _mm512_castsi512_ps(a); }

    static Vec load(const float* p) { return _mm512_load_ps(p); }
    static Vec loadu(const float* p) { return _mm512_loadu_ps(p); }
    static void store(float* p, Vec v) { _mm512_store_ps(p, v); }
    static Vec splat(float x) { return _mm512_set1_ps(x); }
    static Vec add(Vec a, Vec b) { return _mm512_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm512_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm512_mul_ps(a, b); }
    static Vec bitAnd(Vec a, Vec b) { return floats(_mm512_and_si512(bits(a), bits(b))); }
    static Vec bitOr(Vec a, Vec b) { return floats(_mm512_or_si512(bits(a), bits(b))); }
    static Vec andNot(Vec a, Vec b) { return floats(_mm512_andnot_si512(bits(a), bits(b))); }
    static Vec abs(Vec a) { return floats(_mm512_and_si512(bits(a), _mm512_set1_epi32(0x7fffffff))); }
    // a > b ? a : b per lane, so a NaN in a leaves b.
    static Vec larger(Vec a, Vec b) { return _mm512_max_ps(a, b); }
    static bool allGreater(Vec a, Vec b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ) == 0xFFFF; }
    // Lanes moved up by one with before's last lane entering at 0, and down by
    // one with after's first lane entering at the top.
    static Vec shiftInFromLeft(Vec before, Vec v) { return floats(_mm512_alignr_epi32(bits(v), bits(before), 15)); }
    static Vec shiftInFromRight(Vec v, Vec after) { return floats(_mm512_alignr_epi32(bits(after), bits(v), 1)); }
    // from[i·stride] in lanes 0..count-1, +0 above; nothing above is read.
    static Vec gather(const float* from, int stride, int count) {
        const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const __m512i index = _mm512_mullo_epi32(lane, _mm512_set1_epi32(stride));
        const __mmask16 below = _mm512_cmpgt_epi32_mask(_mm512_set1_epi32(count), lane);
        return _mm512_mask_i32gather_ps(_mm512_setzero_ps(), below, index, from, 4);
    }
    // All bits set in lanes 0..count-1, clear above.
    static Vec lanesUpTo(int count) {
        const __m512i lane = _mm512_set_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        const __mmask16 below = _mm512_cmpgt_epi32_mask(_mm512_set1_epi32(count), lane);
        return floats(_mm512_maskz_mov_epi32(below, _mm512_set1_epi32(-1)));
    }
};

}  // namespace

void renderKeysAvx512(RenderJob* job) { renderKeysWith<Avx512Lanes>(job); }
