// Four lanes of single precision in one SSE2 register, with the arithmetic,
// comparisons and lane selection the SSE2 transfer routine is written in.
// x86-64 guarantees SSE2 and nothing more.
#pragma once

#include <emmintrin.h>

namespace embedded::sse2 {

struct F4 {
  __m128 v;
};

inline F4 Splat(float x) { return F4{_mm_set1_ps(x)}; }
inline F4 operator+(F4 a, F4 b) { return F4{_mm_add_ps(a.v, b.v)}; }
inline F4 operator-(F4 a, F4 b) { return F4{_mm_sub_ps(a.v, b.v)}; }
inline F4 operator*(F4 a, F4 b) { return F4{_mm_mul_ps(a.v, b.v)}; }
inline F4 operator/(F4 a, F4 b) { return F4{_mm_div_ps(a.v, b.v)}; }
inline F4 Min(F4 a, F4 b) { return F4{_mm_min_ps(a.v, b.v)}; }
inline F4 Max(F4 a, F4 b) { return F4{_mm_max_ps(a.v, b.v)}; }
inline F4 Sqrt(F4 a) { return F4{_mm_sqrt_ps(a.v)}; }
inline F4 Abs(F4 a) { return F4{_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
// Comparisons give lane masks: all bits set where the comparison holds.
inline F4 operator<=(F4 a, F4 b) { return F4{_mm_cmple_ps(a.v, b.v)}; }
inline F4 operator<(F4 a, F4 b) { return F4{_mm_cmplt_ps(a.v, b.v)}; }
inline F4 operator>=(F4 a, F4 b) { return F4{_mm_cmpge_ps(a.v, b.v)}; }
inline F4 operator>(F4 a, F4 b) { return F4{_mm_cmpgt_ps(a.v, b.v)}; }
inline F4 operator==(F4 a, F4 b) { return F4{_mm_cmpeq_ps(a.v, b.v)}; }
// mask ? a : b, lane by lane.
inline F4 Select(F4 mask, F4 a, F4 b) {
  return F4{_mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v))};
}
inline bool AnyLane(F4 mask) { return _mm_movemask_ps(mask.v) != 0; }
inline bool AllLanes(__m128i mask) { return _mm_movemask_epi8(mask) == 0xFFFF; }

}  // namespace embedded::sse2
