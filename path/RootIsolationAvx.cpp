// The single-crossing refinement of RootIsolationSse2.cpp for two polygons
// at once: point i of one polygon in the low 128 bits of a 256-bit register,
// of the other in the high 128 bits. Every AVX operation used here works on
// each 128-bit half on its own (adds, multiplies, divisions, comparisons,
// maxima, in-half unpacks and shuffles), so each half goes through the very
// operations the two-lane body applies to its polygon, in the same order:
// the same bits for the price of one polygon's instructions. Built for AVX
// function by function, and called only when the processor has it.
#include "path/RootIsolation.h"

#if defined(LUSTRE_ROOTS_AVX)

#include <immintrin.h>

#define LUSTRE_AVX_INLINE inline __attribute__((always_inline, target("avx")))

namespace {

LUSTRE_AVX_INLINE __m256d Select_4x64(__m256d mask, __m256d a, __m256d b) {
  return _mm256_or_pd(_mm256_and_pd(mask, a), _mm256_andnot_pd(mask, b));
}

// Each half's y in both of its lanes.
LUSTRE_AVX_INLINE __m256d BroadcastY_4x64(__m256d v) { return _mm256_unpackhi_pd(v, v); }

// FlatEnough_2x128 of each half: bit 0 for the low polygon, bit 1 for the high.
LUSTRE_AVX_INLINE int FlatEnough_4x64(const __m256d* w, double epsilon) {
  const __m256d zero = _mm256_setzero_pd();
  const __m256d w0 = w[0], w5 = w[kRootDegree];
  // a = y0 - y5, b = x5 - x0, k = x0 y5 - x5 y0, norm = a a + b b, each in
  // both lanes of its half.
  const __m256d fromEnd = _mm256_sub_pd(w0, w5), fromStart = _mm256_sub_pd(w5, w0);
  const __m256d va = _mm256_unpackhi_pd(fromEnd, fromEnd);
  const __m256d vb = _mm256_unpacklo_pd(fromStart, fromStart);
  // (x0 y5, y0 x5): the products of k; y0 x5 is x5 y0 to the bit.
  const __m256d products = _mm256_mul_pd(w0, _mm256_shuffle_pd(w5, w5, 0x5));
  const __m256d kLow = _mm256_sub_pd(products, _mm256_shuffle_pd(products, products, 0x5));
  const __m256d vk = _mm256_unpacklo_pd(kLow, kLow);
  const __m256d norm = _mm256_add_pd(_mm256_mul_pd(va, va), _mm256_mul_pd(vb, vb));
  __m256d farAbove = zero, farBelow = zero;
  for (int i = 1; i < kRootDegree; i += 2) {
    const __m256d x = _mm256_unpacklo_pd(w[i], w[i + 1]), y = _mm256_unpackhi_pd(w[i], w[i + 1]);
    const __m256d d = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(va, x), _mm256_mul_pd(vb, y)), vk);
    const __m256d squared = _mm256_mul_pd(d, d);
    farAbove = _mm256_max_pd(_mm256_and_pd(_mm256_cmp_pd(d, zero, _CMP_GT_OQ), squared), farAbove);
    farBelow = _mm256_max_pd(_mm256_and_pd(_mm256_cmp_pd(d, zero, _CMP_LT_OQ), squared), farBelow);
  }
  const __m256d largest = _mm256_max_pd(_mm256_unpacklo_pd(farAbove, farBelow),
                                        _mm256_unpackhi_pd(farAbove, farBelow));
  const __m256d positive = _mm256_max_pd(_mm256_div_pd(largest, norm), zero);
  const __m256d aboveBelow = _mm256_shuffle_pd(positive, _mm256_sub_pd(zero, positive), 0xA);
  const __m256d intercepts =
      _mm256_div_pd(_mm256_xor_pd(_mm256_add_pd(vk, aboveBelow), _mm256_set1_pd(-0.0)), va);
  // Lane 0 of each half: max(i1, i2) and min(i1, i2) as max_sd and min_sd
  // choose them.
  const __m256d swapped = _mm256_shuffle_pd(intercepts, intercepts, 0x5);
  const __m256d error = _mm256_mul_pd(_mm256_set1_pd(0.5),
                                      _mm256_sub_pd(_mm256_max_pd(intercepts, swapped),
                                                    _mm256_min_pd(intercepts, swapped)));
  const int below = _mm256_movemask_pd(_mm256_cmp_pd(error, _mm256_set1_pd(epsilon), _CMP_LT_OQ));
  return (below & 1) | (below >> 1 & 2);
}

// SingleChange_2x128::Split of each half.
LUSTRE_AVX_INLINE void Split_4x64(__m256d* w, __m256d firstNegative) {
  const __m256d zero = _mm256_setzero_pd();
  const __m256d half = _mm256_set1_pd(0.5), quarter = _mm256_set1_pd(0.25),
                eighth = _mm256_set1_pd(0.125), sixteenth = _mm256_set1_pd(0.0625),
                thirtySecond = _mm256_set1_pd(0.03125);
  const __m256d b0 = _mm256_add_pd(w[0], w[1]), b1 = _mm256_add_pd(w[1], w[2]),
                b2 = _mm256_add_pd(w[2], w[3]), b3 = _mm256_add_pd(w[3], w[4]),
                b4 = _mm256_add_pd(w[4], w[5]);
  const __m256d c0 = _mm256_add_pd(b0, b1), c1 = _mm256_add_pd(b1, b2),
                c2 = _mm256_add_pd(b2, b3), c3 = _mm256_add_pd(b3, b4);
  const __m256d d0 = _mm256_add_pd(c0, c1), d1 = _mm256_add_pd(c1, c2), d2 = _mm256_add_pd(c2, c3);
  const __m256d e0 = _mm256_add_pd(d0, d1), e1 = _mm256_add_pd(d1, d2);
  const __m256d f0 = _mm256_add_pd(e0, e1);
  const __m256d takeLeft =
      _mm256_xor_pd(BroadcastY_4x64(_mm256_cmp_pd(f0, zero, _CMP_LT_OQ)), firstNegative);
  const __m256d middle = _mm256_mul_pd(f0, thirtySecond);
  w[1] = Select_4x64(takeLeft, _mm256_mul_pd(b0, half), _mm256_mul_pd(e1, sixteenth));
  w[2] = Select_4x64(takeLeft, _mm256_mul_pd(c0, quarter), _mm256_mul_pd(d2, eighth));
  w[3] = Select_4x64(takeLeft, _mm256_mul_pd(d0, eighth), _mm256_mul_pd(c3, quarter));
  w[4] = Select_4x64(takeLeft, _mm256_mul_pd(e0, sixteenth), _mm256_mul_pd(b4, half));
  w[0] = Select_4x64(takeLeft, w[0], middle);
  w[5] = Select_4x64(takeLeft, middle, w[5]);
}

}  // namespace

namespace root_isolation {

__attribute__((target("avx"))) int RefineTogetherAvx(Vec2d a[kRootDegree + 1], int& depthA,
                                                       Vec2d b[kRootDegree + 1], int& depthB,
                                                       int maxDepth, double epsilon) {
  __m256d w[kRootDegree + 1];
  for (int i = 0; i <= kRootDegree; ++i) {
    w[i] = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(&a[i].x)),
                                _mm_loadu_pd(&b[i].x), 1);
  }
  const __m256d firstNegative =
      BroadcastY_4x64(_mm256_cmp_pd(w[0], _mm256_setzero_pd(), _CMP_LT_OQ));
  int stops = 0;
  for (;;) {
    stops = FlatEnough_4x64(w, epsilon) | (depthA >= maxDepth ? 1 : 0) |
            (depthB >= maxDepth ? 2 : 0);
    if (stops != 0) break;
    Split_4x64(w, firstNegative);
    ++depthA;
    ++depthB;
  }
  for (int i = 0; i <= kRootDegree; ++i) {
    _mm_storeu_pd(&a[i].x, _mm256_castpd256_pd128(w[i]));
    _mm_storeu_pd(&b[i].x, _mm256_extractf128_pd(w[i], 1));
  }
  return stops;
}

bool CpuHasAvx() {
  // Checks the operating system's support for the wide registers too.
  static const bool hasAvx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  return hasAvx;
}

}  // namespace root_isolation

#endif  // LUSTRE_ROOTS_AVX
