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
constexpr int kSse2MaxDepth = 64;
namespace root_isolation {
// Every coordinate zero or of magnitude in [2^-600, 2^1000]: then splitting to
// kSse2MaxDepth meets neither overflow nor subnormals, and the two-lane body
// may split by sums (exact scalings of the reference's halving steps).
bool SplitsStayNormal(const Vec2d w[kRootDegree + 1]);
}  // namespace root_isolation
#endif
