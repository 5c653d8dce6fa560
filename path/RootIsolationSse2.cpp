// Root isolation with a polygon point's x and y in the two lanes of one SSE2
// register: every split does per lane the multiplies and adds of the scalar
// reference, in its order (no fused multiply-add), so the roots are the same
// bits. Nodes live on an explicit stack; a split turns the node into its right
// half in place and pushes the left half, which is searched first, so the
// roots come in the reference's order.
//
// A node whose polygon crosses zero once holds one root, and after each split
// only the half that keeps the crossing matters: such a node leaves the stack
// for a loop of its own (RefineSingleChange_2x128) whenever the input's
// magnitudes make that loop's cheaper split exact (SplitsStayNormal). Two
// polygons can be searched at once, their single-crossing refinements
// running side by side in one loop.
#if defined(__SSE2__)

#include <emmintrin.h>

#include "path/RootIsolation.h"

#if defined(__GNUC__)
#define LUSTRE_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define LUSTRE_ALWAYS_INLINE inline
#endif

namespace {

struct Node_2x128 {
  __m128d w[kRootDegree + 1];
  int depth;
};

// Bits set in a five-bit number.
constexpr int kBitCount[32] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                               1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5};

// The y of two points below zero, as two bits (-0.0 and NaN are not below).
int NegativeY_2x128(__m128d a, __m128d b) {
  return _mm_movemask_pd(_mm_cmplt_pd(_mm_unpackhi_pd(a, b), _mm_setzero_pd()));
}

int SignChanges_2x128(const __m128d* w) {
  const int negative = NegativeY_2x128(w[0], w[1]) | NegativeY_2x128(w[2], w[3]) << 2 |
                       NegativeY_2x128(w[4], w[5]) << 4;
  return kBitCount[(negative ^ (negative >> 1)) & 0x1F];
}

__m128d Half_2x128(__m128d a, __m128d b) {
  const __m128d half = _mm_set1_pd(0.5);
  return _mm_add_pd(_mm_mul_pd(half, a), _mm_mul_pd(half, b));
}

// De Casteljau at t = 0.5: w becomes the right half, left receives the left.
void SplitInPlace_2x128(__m128d* w, __m128d* left) {
  const __m128d b0 = Half_2x128(w[0], w[1]), b1 = Half_2x128(w[1], w[2]), b2 = Half_2x128(w[2], w[3]),
                b3 = Half_2x128(w[3], w[4]), b4 = Half_2x128(w[4], w[5]);
  const __m128d c0 = Half_2x128(b0, b1), c1 = Half_2x128(b1, b2), c2 = Half_2x128(b2, b3),
                c3 = Half_2x128(b3, b4);
  const __m128d d0 = Half_2x128(c0, c1), d1 = Half_2x128(c1, c2), d2 = Half_2x128(c2, c3);
  const __m128d e0 = Half_2x128(d0, d1), e1 = Half_2x128(d1, d2);
  const __m128d f0 = Half_2x128(e0, e1);
  left[0] = w[0];
  left[1] = b0;
  left[2] = c0;
  left[3] = d0;
  left[4] = e0;
  left[5] = f0;
  w[0] = f0;
  w[1] = e1;
  w[2] = d2;
  w[3] = c3;
  w[4] = b4;
}

// root_isolation::FlatEnough with points 1, 2 and 3, 4 in the lanes of two
// registers, and its divisions two lanes at a time; always inlined, so that a
// polygon held in registers stays there. The reference keeps the largest
// (d * d) / norm of the points above the chord line and of those below;
// norm > 0 (or NaN), and a correctly rounded division by it never reverses an
// order, so that is the largest d * d divided once, the same bits. Both
// extremes stay +0.0 unless the quotient is above 0 (NaN included, as the
// reference's comparisons). Nothing branches on the data before the answer,
// so a level's test does not stall the next level's split.
LUSTRE_ALWAYS_INLINE bool FlatEnough_2x128(const __m128d* w, double epsilon) {
  double w0[2], w5[2];
  _mm_storeu_pd(w0, w[0]);
  _mm_storeu_pd(w5, w[kRootDegree]);
  const double a = w0[1] - w5[1];
  const double b = w5[0] - w0[0];
  const double k = w0[0] * w5[1] - w5[0] * w0[1];
  const double norm = a * a + b * b;
  const __m128d va = _mm_set1_pd(a), vb = _mm_set1_pd(b), vk = _mm_set1_pd(k);
  const __m128d zero = _mm_setzero_pd();
  // d * d is never NaN where d > 0 or d < 0, so max() needs no care.
  __m128d farAbove = zero, farBelow = zero;
  for (int i = 1; i < kRootDegree; i += 2) {
    const __m128d x = _mm_unpacklo_pd(w[i], w[i + 1]), y = _mm_unpackhi_pd(w[i], w[i + 1]);
    const __m128d d = _mm_add_pd(_mm_add_pd(_mm_mul_pd(va, x), _mm_mul_pd(vb, y)), vk);
    const __m128d squared = _mm_mul_pd(d, d);
    farAbove = _mm_max_pd(_mm_and_pd(_mm_cmpgt_pd(d, zero), squared), farAbove);
    farBelow = _mm_max_pd(_mm_and_pd(_mm_cmplt_pd(d, zero), squared), farBelow);
  }
  const __m128d largest = _mm_max_pd(_mm_unpacklo_pd(farAbove, farBelow),
                                     _mm_unpackhi_pd(farAbove, farBelow));
  // above = q0 > 0 ? q0 : 0 and below = q1 > 0 ? -q1 : 0 without a branch on
  // the data: max(q, +0) is that choice to the bit (NaN and -0.0 give +0.0),
  // and 0 - m is -m exactly for m > 0 and +0.0 for m = +0.0.
  const __m128d positive = _mm_max_pd(_mm_div_pd(largest, _mm_set1_pd(norm)), zero);
  const __m128d aboveBelow = _mm_shuffle_pd(positive, _mm_sub_pd(zero, positive), 2);
  // i1 = -(k + above) / a and i2 = -(k + below) / a in one division.
  const __m128d intercepts =
      _mm_div_pd(_mm_xor_pd(_mm_add_pd(vk, aboveBelow), _mm_set1_pd(-0.0)), va);
  const __m128d i1 = intercepts, i2 = _mm_unpackhi_pd(intercepts, intercepts);
  // max_sd(x, y) is x > y ? x : y and min_sd(x, y) is x < y ? x : y, the
  // reference's choices, NaN included.
  const __m128d error = _mm_mul_sd(_mm_set_sd(0.5), _mm_sub_sd(_mm_max_sd(i1, i2), _mm_min_sd(i1, i2)));
  return _mm_cvtsd_f64(error) < epsilon;
}

// 2^-(d + 1) for every depth d the stack allows: halving is exact, so these
// are the reference's ldexp(1, -d - 1) without a library call per query.
struct FlatnessEpsilons {
  double value[kSse2MaxDepth + 1];
  constexpr FlatnessEpsilons() : value() {
    double e = 0.5;
    for (double& v : value) {
      v = e;
      e *= 0.5;
    }
  }
};
constexpr FlatnessEpsilons kFlatnessEpsilon;

// The scalar tests read the points back as pairs of doubles.
void ToPoints(const __m128d* w, Vec2d* points) {
  for (int i = 0; i <= kRootDegree; ++i) _mm_storeu_pd(&points[i].x, w[i]);
}

// a where the mask is set, b elsewhere.
__m128d Select_2x128(__m128d mask, __m128d a, __m128d b) {
  return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

// The y lane of a comparison, in both lanes.
__m128d BroadcastY_2x128(__m128d v) { return _mm_unpackhi_pd(v, v); }

// The root of a node whose polygon crosses zero once, by the stack loop's
// steps (depth limit, flatness test, split) on the half that keeps the
// crossing; the other half crosses nowhere and the stack loop would drop it.
//
// The split is de Casteljau's by sums alone: level j of the triangle comes out
// 2^j times too large, and each kept point is scaled back by its exact power
// of two. Under SplitsStayNormal every value stays a normal double, so a + b is
// exactly twice 0.5 a + 0.5 b and the halves are the stack loop's to the bit.
// A value made from two of one sign keeps that sign, so each half crosses zero
// once at most: the left one when its end points, w[0] and the midpoint,
// differ in sign. Every kept half starts with the sign of the first w[0].
class SingleChange_2x128 {
 public:
  LUSTRE_ALWAYS_INLINE SingleChange_2x128(const __m128d* node, int depth) : depth_(depth) {
    for (int i = 0; i <= kRootDegree; ++i) w_[i] = node[i];
    firstNegative_ = BroadcastY_2x128(_mm_cmplt_pd(w_[0], _mm_setzero_pd()));
  }
  // From points and depth as ToPoints and Depth gave them; every kept half
  // starts with the sign of the first, so the first sign is found again.
  LUSTRE_ALWAYS_INLINE SingleChange_2x128(const Vec2d* points, int depth) : depth_(depth) {
    for (int i = 0; i <= kRootDegree; ++i) w_[i] = _mm_loadu_pd(&points[i].x);
    firstNegative_ = BroadcastY_2x128(_mm_cmplt_pd(w_[0], _mm_setzero_pd()));
  }
  LUSTRE_ALWAYS_INLINE void Save(Vec2d* points) const { ToPoints(w_, points); }
  int Depth() const { return depth_; }

  // Whether the stack loop would stop here: at the depth limit or flat.
  LUSTRE_ALWAYS_INLINE bool Stops(int maxDepth, double epsilon) const {
    return depth_ >= maxDepth || FlatEnough_2x128(w_, epsilon);
  }

  // The root where Stops() said stop: the midpoint at the depth limit, else
  // the chord's intercept.
  LUSTRE_ALWAYS_INLINE double Root(int maxDepth) const {
    Vec2d points[kRootDegree + 1];
    ToPoints(w_, points);
    return depth_ >= maxDepth ? root_isolation::Midpoint(points)
                              : root_isolation::ChordIntercept(points);
  }

  // Keeps the half that crosses zero.
  LUSTRE_ALWAYS_INLINE void Split() {
    const __m128d zero = _mm_setzero_pd();
    const __m128d half = _mm_set1_pd(0.5), quarter = _mm_set1_pd(0.25),
                  eighth = _mm_set1_pd(0.125), sixteenth = _mm_set1_pd(0.0625),
                  thirtySecond = _mm_set1_pd(0.03125);
    __m128d* w = w_;
    const __m128d b0 = _mm_add_pd(w[0], w[1]), b1 = _mm_add_pd(w[1], w[2]),
                  b2 = _mm_add_pd(w[2], w[3]), b3 = _mm_add_pd(w[3], w[4]),
                  b4 = _mm_add_pd(w[4], w[5]);
    const __m128d c0 = _mm_add_pd(b0, b1), c1 = _mm_add_pd(b1, b2), c2 = _mm_add_pd(b2, b3),
                  c3 = _mm_add_pd(b3, b4);
    const __m128d d0 = _mm_add_pd(c0, c1), d1 = _mm_add_pd(c1, c2), d2 = _mm_add_pd(c2, c3);
    const __m128d e0 = _mm_add_pd(d0, d1), e1 = _mm_add_pd(d1, d2);
    const __m128d f0 = _mm_add_pd(e0, e1);
    const __m128d takeLeft =
        _mm_xor_pd(BroadcastY_2x128(_mm_cmplt_pd(f0, zero)), firstNegative_);
    const __m128d middle = _mm_mul_pd(f0, thirtySecond);
    w[1] = Select_2x128(takeLeft, _mm_mul_pd(b0, half), _mm_mul_pd(e1, sixteenth));
    w[2] = Select_2x128(takeLeft, _mm_mul_pd(c0, quarter), _mm_mul_pd(d2, eighth));
    w[3] = Select_2x128(takeLeft, _mm_mul_pd(d0, eighth), _mm_mul_pd(c3, quarter));
    w[4] = Select_2x128(takeLeft, _mm_mul_pd(e0, sixteenth), _mm_mul_pd(b4, half));
    w[0] = Select_2x128(takeLeft, w[0], middle);
    w[5] = Select_2x128(takeLeft, middle, w[5]);
    ++depth_;
  }

 private:
  __m128d w_[kRootDegree + 1];
  __m128d firstNegative_;
  int depth_;
};

LUSTRE_ALWAYS_INLINE double RefineSingleChange_2x128(const __m128d* node, int depth, int maxDepth,
                                                   double epsilon) {
  SingleChange_2x128 change(node, depth);
  while (!change.Stops(maxDepth, epsilon)) change.Split();
  return change.Root(maxDepth);
}

// The joint part of a pair's refinement: both split side by side until either
// would stop; returns which stop (bit 0 a, bit 1 b). Each level is a chain of
// dependent sums; run side by side, the two chains overlap in the processor.
LUSTRE_ALWAYS_INLINE int RefineTogether_2x128(SingleChange_2x128& a, SingleChange_2x128& b,
                                              int maxDepth, double epsilon) {
  for (;;) {
    const int stops = (a.Stops(maxDepth, epsilon) ? 1 : 0) | (b.Stops(maxDepth, epsilon) ? 2 : 0);
    if (stops != 0) return stops;
    a.Split();
    b.Split();
  }
}

#if defined(LUSTRE_ROOTS_AVX)
// The same steps with each polygon in one half of 256-bit registers.
int RefineTogetherWide(SingleChange_2x128& a, SingleChange_2x128& b, int maxDepth,
                       double epsilon) {
  Vec2d pointsA[kRootDegree + 1], pointsB[kRootDegree + 1];
  a.Save(pointsA);
  b.Save(pointsB);
  int depthA = a.Depth(), depthB = b.Depth();
  const int stops =
      root_isolation::RefineTogetherAvx(pointsA, depthA, pointsB, depthB, maxDepth, epsilon);
  a = SingleChange_2x128(pointsA, depthA);
  b = SingleChange_2x128(pointsB, depthB);
  return stops;
}
#endif

// Two nodes' roots, each by exactly the steps RefineSingleChange_2x128 takes
// on it alone: side by side (in wide registers when kWide) until one stops,
// then the other alone.
template <bool kWide>
void RefineTwoSingleChanges(const __m128d* nodeA, int depthA, const __m128d* nodeB, int depthB,
                            int maxDepth, double epsilon, double& rootA, double& rootB) {
  SingleChange_2x128 a(nodeA, depthA), b(nodeB, depthB);
  int stops = 0;
#if defined(LUSTRE_ROOTS_AVX)
  if constexpr (kWide) stops = RefineTogetherWide(a, b, maxDepth, epsilon);
#endif
  if constexpr (!kWide) stops = RefineTogether_2x128(a, b, maxDepth, epsilon);
  if ((stops & 1) == 0) {
    do a.Split();
    while (!a.Stops(maxDepth, epsilon));
  }
  if ((stops & 2) == 0) {
    do b.Split();
    while (!b.Stops(maxDepth, epsilon));
  }
  rootA = a.Root(maxDepth);
  rootB = b.Root(maxDepth);
}

// 2^-600 * 2^-52 is the finest step of such a polygon's coordinates; 64 levels
// of splitting, five halvings each, take it to 2^-972, still a normal double.
// Values never grow beyond the largest coordinate, and 32 * 2^1000 is finite.
LUSTRE_ALWAYS_INLINE bool InSummedSplitRange(const Vec2d* w) {
  const __m128d signBit = _mm_set1_pd(-0.0);
  const __m128d smallest = _mm_set1_pd(0x1p-600), largest = _mm_set1_pd(0x1p1000);
  __m128d allNormal = _mm_castsi128_pd(_mm_set1_epi32(-1));
  for (int i = 0; i <= kRootDegree; ++i) {
    const __m128d magnitude = _mm_andnot_pd(signBit, _mm_loadu_pd(&w[i].x));
    const __m128d inRange = _mm_and_pd(_mm_cmpge_pd(magnitude, smallest),
                                       _mm_cmple_pd(magnitude, largest));
    allNormal = _mm_and_pd(allNormal, _mm_or_pd(inRange, _mm_cmpeq_pd(magnitude, _mm_setzero_pd())));
  }
  return _mm_movemask_pd(allNormal) == 3;
}

}  // namespace

namespace root_isolation {

bool SplitsStayNormal(const Vec2d w[kRootDegree + 1]) { return InSummedSplitRange(w); }

}  // namespace root_isolation

namespace {

// The stack loop, resumable: it adds the roots it finds itself and hands out
// each node that crosses zero once, when the summed split may refine it, for
// the caller to refine and add before asking for the next; so the roots come
// in the reference's order.
class StackSearch_2x128 {
 public:
  StackSearch_2x128(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots)
      : roots_(roots), maxDepth_(maxDepth), singleChangeLoop_(InSummedSplitRange(w)) {
    for (int i = 0; i <= kRootDegree; ++i) stack_[0].w[i] = _mm_loadu_pd(&w[i].x);
    stack_[0].depth = 0;
  }

  // The next node to refine, or null once the stack is empty. The node stays
  // valid until the next call.
  const Node_2x128* NextSingleChange(double epsilon) {
    using namespace root_isolation;
    Vec2d points[kRootDegree + 1];
    while (top_ > 0) {
      Node_2x128& node = stack_[top_ - 1];
      const int changes = SignChanges_2x128(node.w);
      if (changes == 0) {
        --top_;
        continue;
      }
      if (changes == 1 && singleChangeLoop_) {
        --top_;
        return &node;
      }
      if (node.depth >= maxDepth_) {
        ToPoints(node.w, points);
        roots_.Add(Midpoint(points));
        --top_;
        continue;
      }
      if (changes == 1 && FlatEnough_2x128(node.w, epsilon)) {
        ToPoints(node.w, points);
        roots_.Add(ChordIntercept(points));
        --top_;
        continue;
      }
      Node_2x128& left = stack_[top_];
      SplitInPlace_2x128(node.w, left.w);
      left.depth = ++node.depth;
      ++top_;
    }
    return nullptr;
  }

 private:
  BezierRoots& roots_;
  int maxDepth_;
  bool singleChangeLoop_;
  int top_ = 1;
  // One pending right half per level, plus the node being split.
  Node_2x128 stack_[kSse2MaxDepth + 2];
};

}  // namespace

void IsolateRootsSse2(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots) {
  const double epsilon = kFlatnessEpsilon.value[maxDepth];
  StackSearch_2x128 search(w, maxDepth, roots);
  while (const Node_2x128* node = search.NextSingleChange(epsilon)) {
    roots.Add(RefineSingleChange_2x128(node->w, node->depth, maxDepth, epsilon));
  }
}

namespace {

template <bool kWide>
void IsolateRootsPairWith(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1],
                          int maxDepth, BezierRoots& rootsA, BezierRoots& rootsB) {
  const double epsilon = kFlatnessEpsilon.value[maxDepth];
  StackSearch_2x128 searchA(a, maxDepth, rootsA), searchB(b, maxDepth, rootsB);
  const Node_2x128* nodeA = searchA.NextSingleChange(epsilon);
  const Node_2x128* nodeB = searchB.NextSingleChange(epsilon);
  while (nodeA != nullptr && nodeB != nullptr) {
    double rootA = 0.0, rootB = 0.0;
    RefineTwoSingleChanges<kWide>(nodeA->w, nodeA->depth, nodeB->w, nodeB->depth, maxDepth,
                                  epsilon, rootA, rootB);
    rootsA.Add(rootA);
    rootsB.Add(rootB);
    nodeA = searchA.NextSingleChange(epsilon);
    nodeB = searchB.NextSingleChange(epsilon);
  }
  for (; nodeA != nullptr; nodeA = searchA.NextSingleChange(epsilon)) {
    rootsA.Add(RefineSingleChange_2x128(nodeA->w, nodeA->depth, maxDepth, epsilon));
  }
  for (; nodeB != nullptr; nodeB = searchB.NextSingleChange(epsilon)) {
    rootsB.Add(RefineSingleChange_2x128(nodeB->w, nodeB->depth, maxDepth, epsilon));
  }
}

}  // namespace

void IsolateRootsPairSse2(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1],
                          int maxDepth, BezierRoots& rootsA, BezierRoots& rootsB) {
  IsolateRootsPairWith<false>(a, b, maxDepth, rootsA, rootsB);
}

#if defined(LUSTRE_ROOTS_AVX)
void IsolateRootsPairAvx(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1],
                         int maxDepth, BezierRoots& rootsA, BezierRoots& rootsB) {
  IsolateRootsPairWith<true>(a, b, maxDepth, rootsA, rootsB);
}
#endif

#endif  // __SSE2__
