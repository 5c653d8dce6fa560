// The roots in [0, 1] of a degree-5 polynomial in Bezier form, isolated by
// halving its control polygon (the root-isolation method published in
// Graphics Gems, 1990). The polygon's x are the parameters k/5, its y the
// coefficients. Two bodies give the same roots to the last bit: the scalar
// recursion, kept as the reference, and the production one, which splits x
// and y together in the two lanes of one SSE2 register on an explicit stack.
#pragma once

#include "Common/Vec2d.h"

constexpr int kRootDegree = 5;

// The roots in the order found (ascending intervals); never more than five
// are kept, whatever rounding makes of the polygon.
struct BezierRoots {
  double t[kRootDegree];
  int count = 0;
  void Add(double root) {
    if (count < kRootDegree) t[count++] = root;
  }
};

// Below depth maxDepth the interval is split while the polygon crosses
// y = 0 more than once or is not yet flat within 2^-(maxDepth + 1).
void IsolateRootsReference(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots);
// The same roots, by the fastest body this build has.
void IsolateRoots(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots);
// IsolateRoots of a and of b, the same roots, with the two searches
// interleaved where this build can overlap them.
void IsolateRootsPair(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1], int maxDepth,
                      BezierRoots& rootsA, BezierRoots& rootsB);

// Shared by both bodies: the tests of one polygon, in the same operations.
namespace root_isolation {
int SignChanges(const Vec2d* w);
bool FlatEnough(const Vec2d* w, double epsilon);
double ChordIntercept(const Vec2d* w);
// The interval's midpoint, the answer when splitting can go no deeper.
inline double Midpoint(const Vec2d* w) { return (w[0].x + w[kRootDegree].x) * 0.5; }
}  // namespace root_isolation

#if defined(__SSE2__)
// The two-lane body (see RootIsolationSse2.cpp); maxDepth 0 to 64.
void IsolateRootsSse2(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots);
void IsolateRootsPairSse2(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1],
                          int maxDepth, BezierRoots& rootsA, BezierRoots& rootsB);
constexpr int kSse2MaxDepth = 64;
namespace root_isolation {
// Every coordinate zero or of magnitude in [2^-600, 2^1000]: then splitting to
// kSse2MaxDepth meets neither overflow nor subnormals, and the two-lane body
// may split by sums (exact scalings of the reference's halving steps).
bool SplitsStayNormal(const Vec2d w[kRootDegree + 1]);
}  // namespace root_isolation
#endif

#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
// 64-bit GCC and Clang off Windows (whose compilers do not align the stack
// for 256-bit spills) also build the joint refinement for processors with
// AVX (RootIsolationAvx.cpp); IsolateRootsPair takes it where CpuHasAvx().
#define LUSTRE_ROOTS_AVX 1
namespace root_isolation {
bool CpuHasAvx();
// From two polygons that each cross zero once, split from inputs for which
// SplitsStayNormal holds, at depths depthA and depthB: the two-lane body's
// refinement steps on both at once, until either would stop (flat, or at
// maxDepth). The polygons and depths
// are left at that point; returns which stop there: bit 0 a, bit 1 b.
int RefineTogetherAvx(Vec2d a[kRootDegree + 1], int& depthA, Vec2d b[kRootDegree + 1],
                      int& depthB, int maxDepth, double epsilon);
}  // namespace root_isolation
// IsolateRootsPairSse2 with RefineTogetherAvx as its joint refinement; only
// where CpuHasAvx().
void IsolateRootsPairAvx(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1],
                         int maxDepth, BezierRoots& rootsA, BezierRoots& rootsB);
#endif
