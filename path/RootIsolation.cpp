#include "path/RootIsolation.h"

#include <cmath>

namespace root_isolation {

// sign(v) = +1 for v >= 0, -1 for v < 0.
int SignChanges(const Vec2d* w) {
  int changes = 0;
  bool previousNegative = w[0].y < 0.0;
  for (int i = 1; i <= kRootDegree; ++i) {
    const bool negative = w[i].y < 0.0;
    if (negative != previousNegative) ++changes;
    previousNegative = negative;
  }
  return changes;
}

// The polygon is flat enough when the band between the two chord-parallel
// lines through its farthest points above and below meets y = 0 over less
// than epsilon.
bool FlatEnough(const Vec2d* w, double epsilon) {
  const double a = w[0].y - w[kRootDegree].y;
  const double b = w[kRootDegree].x - w[0].x;
  const double k = w[0].x * w[kRootDegree].y - w[kRootDegree].x * w[0].y;
  const double norm = a * a + b * b;
  double above = 0.0;
  double below = 0.0;
  for (int i = 1; i < kRootDegree; ++i) {
    double d = a * w[i].x + b * w[i].y + k;
    if (d > 0.0) {
      d = (d * d) / norm;
      if (d > above) above = d;
    } else if (d < 0.0) {
      d = -((d * d) / norm);
      if (d < below) below = d;
    }
  }
  const double i1 = -(k + above) / a;
  const double i2 = -(k + below) / a;
  const double error = 0.5 * ((i1 > i2 ? i1 : i2) - (i1 < i2 ? i1 : i2));
  return error < epsilon;
}

// Where the chord w0-w5 meets y = 0.
double ChordIntercept(const Vec2d* w) {
  return w[0].x - (w[0].y * (w[kRootDegree].x - w[0].x)) / (w[kRootDegree].y - w[0].y);
}

}  // namespace root_isolation

namespace {

using namespace root_isolation;

// De Casteljau at t = 0.5 with the degree fixed, so that the loops unroll:
// each new point is 0.5 a + 0.5 b.
void SplitInHalf(const Vec2d* w, Vec2d* left, Vec2d* right) {
  double x[kRootDegree + 1];
  double y[kRootDegree + 1];
  for (int j = 0; j <= kRootDegree; ++j) {
    x[j] = w[j].x;
    y[j] = w[j].y;
  }
  left[0] = w[0];
  right[kRootDegree] = w[kRootDegree];
  for (int i = 1; i <= kRootDegree; ++i) {
    for (int j = 0; j <= kRootDegree - i; ++j) {
      x[j] = 0.5 * x[j] + 0.5 * x[j + 1];
      y[j] = 0.5 * y[j] + 0.5 * y[j + 1];
    }
    left[i] = Vec2d(x[0], y[0]);
    right[kRootDegree - i] = Vec2d(x[kRootDegree - i], y[kRootDegree - i]);
  }
}

void FindRoots(const Vec2d* w, int depth, int maxDepth, double epsilon, BezierRoots& roots) {
  const int changes = SignChanges(w);
  if (changes == 0) return;
  if (changes == 1) {
    if (depth >= maxDepth) {
      roots.Add(Midpoint(w));
      return;
    }
    if (FlatEnough(w, epsilon)) {
      roots.Add(ChordIntercept(w));
      return;
    }
  } else if (depth >= maxDepth) {
    // Below 2^-maxDepth the interval is narrower than the doubles around it
    // can resolve: further splits would only repeat this midpoint (and could
    // go on for ever on rounding noise at a double root).
    roots.Add(Midpoint(w));
    return;
  }
  Vec2d left[kRootDegree + 1];
  Vec2d right[kRootDegree + 1];
  SplitInHalf(w, left, right);
  FindRoots(left, depth + 1, maxDepth, epsilon, roots);
  FindRoots(right, depth + 1, maxDepth, epsilon, roots);
}

}  // namespace

void IsolateRootsReference(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots) {
  FindRoots(w, 0, maxDepth, std::ldexp(1.0, -maxDepth - 1), roots);
}

void IsolateRoots(const Vec2d w[kRootDegree + 1], int maxDepth, BezierRoots& roots) {
#if defined(__SSE2__)
  if (0 <= maxDepth && maxDepth <= kSse2MaxDepth) {
    IsolateRootsSse2(w, maxDepth, roots);
    return;
  }
#endif
  IsolateRootsReference(w, maxDepth, roots);
}

void IsolateRootsPair(const Vec2d a[kRootDegree + 1], const Vec2d b[kRootDegree + 1], int maxDepth,
                      BezierRoots& rootsA, BezierRoots& rootsB) {
#if defined(__SSE2__)
  if (0 <= maxDepth && maxDepth <= kSse2MaxDepth) {
#if defined(LUSTRE_ROOTS_AVX)
    if (root_isolation::CpuHasAvx()) {
      IsolateRootsPairAvx(a, b, maxDepth, rootsA, rootsB);
      return;
    }
#endif
    IsolateRootsPairSse2(a, b, maxDepth, rootsA, rootsB);
    return;
  }
#endif
  IsolateRootsReference(a, maxDepth, rootsA);
  IsolateRootsReference(b, maxDepth, rootsB);
}
