// The nearest point of a cubic Bezier curve to a query point, by isolating
// the roots of the degree-5 polynomial (q - B(t)) . B'(t) in Bezier form
// (see RootIsolation). This is the per-pixel hot path of the stroke:
// everything lives on the stack.
#include <cmath>
#include <stdexcept>

#include "path/BezierCurve.h"
#include "path/RootIsolation.h"

namespace {

constexpr int kDegree = kRootDegree;
// "Zero" for the curve parameter.
constexpr double kZero = 1e-10;
// z[j][i] = binom(2, j) * binom(3, i) / binom(5, i + j).
constexpr double kZ[3][4] = {
    {1.0, 0.6, 0.3, 0.1},
    {0.4, 0.6, 0.6, 0.4},
    {0.1, 0.3, 0.6, 1.0},
};

// The degree-5 Bezier form of (B(t) - q) . B'(t): x = k/5, y summed over
// i + j = k in ascending i.
void BuildDegreeFive(const Vec2d& q, const Vec2d P[4], Vec2d* w) {
  Vec2d c[4];
  for (int i = 0; i < 4; ++i) c[i] = P[i] - q;
  Vec2d d[3];
  for (int i = 0; i < 3; ++i) {
    d[i] = Vec2d(3.0 * (P[i + 1].x - P[i].x), 3.0 * (P[i + 1].y - P[i].y));
  }
  double cd[3][4];
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 4; ++i) cd[j][i] = d[j].x * c[i].x + d[j].y * c[i].y;
  }
  for (int k = 0; k <= kDegree; ++k) {
    double sum = 0.0;
    for (int i = 0; i <= 3; ++i) {
      const int j = k - i;
      if (j < 0 || j > 2) continue;
      sum += cd[j][i] * kZ[j][i];
    }
    w[k] = Vec2d(static_cast<double>(k) / 5.0, sum);
  }
}

}  // namespace

Vec2d DeCasteljau(const Vec2d* points, int degree, double t, Vec2d* left, Vec2d* right) {
  // The triangle of levels lives on the stack and holds degree 5 at most.
  if (degree < 0 || degree > kDegree) throw std::out_of_range("Index out of Range");
  Vec2d level[kDegree + 1][kDegree + 1];
  for (int j = 0; j <= degree; ++j) level[0][j] = points[j];
  const double u = 1.0 - t;
  for (int i = 1; i <= degree; ++i) {
    for (int j = 0; j <= degree - i; ++j) {
      level[i][j] = Vec2d(u * level[i - 1][j].x + t * level[i - 1][j + 1].x,
                          u * level[i - 1][j].y + t * level[i - 1][j + 1].y);
    }
  }
  if (left != nullptr) {
    for (int j = 0; j <= degree; ++j) left[j] = level[j][0];
  }
  if (right != nullptr) {
    for (int j = 0; j <= degree; ++j) right[j] = level[degree - j][j];
  }
  return level[degree][0];
}

namespace {

// DeCasteljau(P, 3, t) without the triangle: the same operations in the same
// order, so the same point to the last bit.
Vec2d CubicPointAt(const Vec2d P[4], double t) {
  const double u = 1.0 - t;
  const auto lerp = [u, t](const Vec2d& a, const Vec2d& b) {
    return Vec2d(u * a.x + t * b.x, u * a.y + t * b.y);
  };
  const Vec2d a = lerp(P[0], P[1]), b = lerp(P[1], P[2]), c = lerp(P[2], P[3]);
  return lerp(lerp(a, b), lerp(b, c));
}

using RootIsolator = void (*)(const Vec2d*, int, BezierRoots&);

// The candidates of FindNearestPoint, the roots given.
bool PickNearest(const BezierRoots& roots, const Vec2d& q, const Vec2d P[4], bool includeStart,
                 bool includeEnd, double tMin, double tMax, double& t, Vec2d& point) {
  double best = 1e50;
  double bestT = 0.0;
  // The winning root's point, kept so that it is not evaluated again; a
  // winning end point is evaluated at its t at the end.
  Vec2d rootPoint;
  bool rootWins = false;
  bool found = false;
  if (includeStart) {
    best = (q - P[0]).LengthSquared();
    found = true;
  }
  for (int r = 0; r < roots.count; ++r) {
    const double root = roots.t[r];
    if (std::fabs(root - 0.0) <= kZero && !includeStart) continue;
    if (std::fabs(root - 1.0) <= kZero && !includeEnd) continue;
    if (!(tMin <= root && root <= tMax)) continue;
    const Vec2d candidate = CubicPointAt(P, root);
    const double distance = (q - candidate).LengthSquared();
    if (distance < best) {
      best = distance;
      bestT = root;
      rootPoint = candidate;
      rootWins = true;
      found = true;
    }
  }
  if (includeEnd && (q - P[3]).LengthSquared() < best) {
    bestT = 1.0;
    rootWins = false;
    found = true;
  }
  if (!found) return false;
  t = bestT;
  point = rootWins ? rootPoint : CubicPointAt(P, bestT);
  return true;
}

bool NearestWith(RootIsolator isolate, const Vec2d& q, const Vec2d P[4], int maxDepth,
                 bool includeStart, bool includeEnd, double tMin, double tMax, double& t,
                 Vec2d& point) {
  Vec2d w[kDegree + 1];
  BuildDegreeFive(q, P, w);
  BezierRoots roots;
  isolate(w, maxDepth, roots);
  return PickNearest(roots, q, P, includeStart, includeEnd, tMin, tMax, t, point);
}

}  // namespace

bool FindNearestPoint(const Vec2d& q, const Vec2d P[4], int maxDepth, bool includeStart,
                      bool includeEnd, double tMin, double tMax, double& t, Vec2d& point) {
  return NearestWith(IsolateRoots, q, P, maxDepth, includeStart, includeEnd, tMin, tMax, t, point);
}

bool FindNearestPointReference(const Vec2d& q, const Vec2d P[4], int maxDepth, bool includeStart,
                               bool includeEnd, double tMin, double tMax, double& t, Vec2d& point) {
  return NearestWith(IsolateRootsReference, q, P, maxDepth, includeStart, includeEnd, tMin, tMax, t,
                     point);
}

void FindNearestPointPair(const Vec2d q[2], const Vec2d P[4], int maxDepth, bool includeStart,
                          bool includeEnd, double tMin, double tMax, bool found[2], double t[2],
                          Vec2d point[2]) {
  Vec2d w[2][kDegree + 1];
  BuildDegreeFive(q[0], P, w[0]);
  BuildDegreeFive(q[1], P, w[1]);
  BezierRoots roots[2];
  IsolateRootsPair(w[0], w[1], maxDepth, roots[0], roots[1]);
  for (int k = 0; k < 2; ++k) {
    found[k] = PickNearest(roots[k], q[k], P, includeStart, includeEnd, tMin, tMax, t[k], point[k]);
  }
}
