// Kernel for processors with AVX2: eight points per vector. Built with -mavx2
// and never with FMA, so every product is rounded before its sum.
#include <immintrin.h>

#include "engine/RenderVariants.h"
#include "engine/SimdRenderKernel.h"

namespace {

struct Avx2Lanes {
    using Vec = __m256;
    static constexpr int width = 8;

    static Vec load(const float* p) { return _mm256_load_ps(p); }
    static Vec loadu(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, Vec v) { _mm256_store_ps(p, v); }
    static Vec splat(float x) { return _mm256_set1_ps(x); }
    static Vec add(Vec a, Vec b) { return _mm256_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm256_mul_ps(a, b); }
    static Vec bitAnd(Vec a, Vec b) { return _mm256_and_ps(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm256_or_ps(a, b); }
    static Vec andNot(Vec a, Vec b) { return _mm256_andnot_ps(a, b); }
    static Vec abs(Vec a) { return _mm256_and_ps(a, _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff))); }
    // a > b ? a : b per lane, so a NaN in a leaves b.
    static Vec larger(Vec a, Vec b) { return _mm256_max_ps(a, b); }
    static bool allGreater(Vec a, Vec b) { return _mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_GT_OQ)) == 0xFF; }
    // Lanes moved up by one with before's last lane entering at 0, and down by
    // one with after's first lane entering at the top.
    static Vec shiftInFromLeft(Vec before, Vec v) {
        const __m256i middle = _mm256_castps_si256(_mm256_permute2f128_ps(before, v, 0x21));
        return _mm256_castsi256_ps(_mm256_alignr_epi8(_mm256_castps_si256(v), middle, 12));
    }
    static Vec shiftInFromRight(Vec v, Vec after) {
        const __m256i middle = _mm256_castps_si256(_mm256_permute2f128_ps(v, after, 0x21));
        return _mm256_castsi256_ps(_mm256_alignr_epi8(middle, _mm256_castps_si256(v), 4));
    }
    // from[i·stride] in lanes 0..count-1, +0 above; nothing above is read.
    static Vec gather(const float* from, int stride, int count) {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i index = _mm256_mullo_epi32(lane, _mm256_set1_epi32(stride));
        return _mm256_mask_i32gather_ps(_mm256_setzero_ps(), from, index, lanesUpTo(count), 4);
    }
    // All bits set in lanes 0..count-1, clear above.
    static Vec lanesUpTo(int count) {
        const __m256i lane = _mm256_set_epi32(7, 6, 5, 4, 3, 2, 1, 0);
        return _mm256_castsi256_ps(_mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane));
    }
};

}  // namespace

void renderKeysAvx2(RenderJob* job) { renderKeysWith<Avx2Lanes>(job); }
