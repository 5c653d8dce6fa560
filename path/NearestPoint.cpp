// The nearest point of a cubic Bezier curve to a query point, by isolating
// the roots of the degree-5 polynomial (q - B(t)) . B'(t) in Bezier form
// (the root-isolation method published in Graphics Gems, 1990). This is the
// per-pixel hot path of the stroke: everything lives on the stack.
#include <cmath>
#include <stdexcept>

#include "path/BezierCurve.h"

namespace {

constexpr int kDegree = 5;
constexpr int kMaxRoots = kDegree;
// "Zero" for the curve parameter.
constexpr double kZero = 1e-10;

struct RootList {
  double t[kMaxRoots];
  int count = 0;
  void Add(double root) {
    // Never more than five in exact arithmetic; rounding cannot overflow us.
    if (count < kMaxRoots) t[count++] = root;
  }
};

// sign(v) = +1 for v >= 0, -1 for v < 0.
int SignChanges(const Vec2d* w) {
  int changes = 0;
  bool previousNegative = w[0].y < 0.0;
  for (int i = 1; i <= kDegree; ++i) {
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
  const double a = w[0].y - w[kDegree].y;
  const double b = w[kDegree].x - w[0].x;
  const double k = w[0].x * w[kDegree].y - w[kDegree].x * w[0].y;
  const double norm = a * a + b * b;
  double above = 0.0;
  double below = 0.0;
  for (int i = 1; i < kDegree; ++i) {
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
  return w[0].x - (w[0].y * (w[kDegree].x - w[0].x)) / (w[kDegree].y - w[0].y);
}

// DeCasteljau(w, 5, 0.5, left, right) with the degree fixed, so that the
// loops unroll: the same operations in the same order (u = 1 - 0.5 = 0.5).
void SplitInHalf(const Vec2d* w, Vec2d* left, Vec2d* right) {
  double x[kDegree + 1];
  double y[kDegree + 1];
  for (int j = 0; j <= kDegree; ++j) {
    x[j] = w[j].x;
    y[j] = w[j].y;
  }
  left[0] = w[0];
  right[kDegree] = w[kDegree];
  for (int i = 1; i <= kDegree; ++i) {
    for (int j = 0; j <= kDegree - i; ++j) {
      x[j] = 0.5 * x[j] + 0.5 * x[j + 1];
      y[j] = 0.5 * y[j] + 0.5 * y[j + 1];
    }
    left[i] = Vec2d(x[0], y[0]);
    right[kDegree - i] = Vec2d(x[kDegree - i], y[kDegree - i]);
  }
}

void FindRoots(const Vec2d* w, int depth, int maxDepth, double epsilon, RootList& roots) {
  const int changes = SignChanges(w);
  if (changes == 0) return;
  if (changes == 1) {
    if (depth >= maxDepth) {
      roots.Add((w[0].x + w[kDegree].x) * 0.5);
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
    roots.Add((w[0].x + w[kDegree].x) * 0.5);
    return;
  }
  Vec2d left[kDegree + 1];
  Vec2d right[kDegree + 1];
  SplitInHalf(w, left, right);
  FindRoots(left, depth + 1, maxDepth, epsilon, roots);
  FindRoots(right, depth + 1, maxDepth, epsilon, roots);
}

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

bool FindNearestPoint(const Vec2d& q, const Vec2d P[4], int maxDepth, bool includeStart,
                      bool includeEnd, double tMin, double tMax, double& t, Vec2d& point) {
  Vec2d w[kDegree + 1];
  BuildDegreeFive(q, P, w);
  RootList roots;
  FindRoots(w, 0, maxDepth, std::ldexp(1.0, -maxDepth - 1), roots);

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
    const Vec2d candidate = DeCasteljau(P, 3, root);
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
  point = rootWins ? rootPoint : DeCasteljau(P, 3, bestT);
  return true;
}
