#include "path/BezierCurve.h"

#include <cmath>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/CommonTools.h"
#include "Common/DepthColor.h"

namespace {

// Evaluations before Setup are a programming fault of the caller.
void ThrowNotInitialised() { throw AEException(1, "BezierCurve : Data not initialized"); }

// Clamps the curve parameter into [1e-10, 0.9999999999]; NaN goes to the top.
double ClampParameter(double t) {
  if (t >= BezierCurve::kMaxT) return BezierCurve::kMaxT;
  if (t <= BezierCurve::kMinT) return BezierCurve::kMinT;
  if (t != t) return BezierCurve::kMaxT;
  return t;
}

}  // namespace

BezierCurve::BezierCurve()
    : initialised_(false),
      P_{},
      D_{},
      binomial_{},
      lengthValid_(false),
      length_(0.0),
      minX_(0),
      maxX_(0),
      minY_(0),
      maxY_(0),
      boundsValid_(false) {}

BezierCurve::BezierCurve(PF_PathVertex a, PF_PathVertex b) : BezierCurve() {
  SetControlPoints({a.x, a.y}, {a.tan_out_x, a.tan_out_y}, {b.tan_in_x, b.tan_in_y}, {b.x, b.y});
  Setup();
}

void BezierCurve::SetControlPoints(const Vec2d& p0, const Vec2d& p1, const Vec2d& p2,
                                   const Vec2d& p3) {
  P_[0] = p0;
  P_[1] = p1;
  P_[2] = p2;
  P_[3] = p3;
}

void BezierCurve::Setup() {
  for (int i = 0; i < 3; ++i) D_[i] = P_[i + 1] - P_[i];
  for (int n = 0; n < 4; ++n) {
    for (int k = 0; k < 4; ++k) {
      if (k > n) {
        binomial_[n][k] = 0.0;
      } else if (k == 0 || k == n) {
        binomial_[n][k] = 1.0;
      } else {
        binomial_[n][k] = binomial_[n - 1][k - 1] + binomial_[n - 1][k];
      }
    }
  }
  initialised_ = true;
}

// Bernstein form in nested order, scalars first, then per coordinate:
// B = ((P0*u + (3*t)*P1)*u + (3*(t*t))*P2)*u + ((t*t)*t)*P3.
Vec2d BezierCurve::Evaluate(double t) const {
  if (!initialised_) ThrowNotInitialised();
  t = ClampParameter(t);
  const double u = 1.0 - t;
  const double c1 = binomial_[3][1] * t;
  const double c2 = binomial_[3][2] * (t * t);
  const double c3 = (t * t) * t;
  return {((P_[0].x * u + c1 * P_[1].x) * u + c2 * P_[2].x) * u + c3 * P_[3].x,
          ((P_[0].y * u + c1 * P_[1].y) * u + c2 * P_[2].y) * u + c3 * P_[3].y};
}

// B' = 3*((D0*u + (2*t)*D1)*u + (t*t)*D2).
Vec2d BezierCurve::Derivative(double t) const {
  if (!initialised_) ThrowNotInitialised();
  t = ClampParameter(t);
  const double u = 1.0 - t;
  const double c1 = binomial_[2][1] * t;
  const double c2 = t * t;
  return {3.0 * ((D_[0].x * u + c1 * D_[1].x) * u + c2 * D_[2].x),
          3.0 * ((D_[0].y * u + c1 * D_[1].y) * u + c2 * D_[2].y)};
}

// Romberg integration of |B'(t)| over [1e-10, 0.9999999999] with nine
// refinements (513 evaluations, finest spacing 512 intervals).
double BezierCurve::Length() const {
  if (lengthValid_) return length_;
  constexpr int kRefinements = 9;
  const double a = kMinT;
  const double b = kMaxT;
  double h = 0.9999999998;
  double previous[kRefinements + 1] = {};
  double current[kRefinements + 1] = {};
  previous[0] = (Derivative(a).Length() + Derivative(b).Length()) * 0.4999999999;
  for (int i = 1; i <= kRefinements; ++i) {
    const int n = 1 << (i - 1);
    double sum = 0.0;
    for (int k = 1; k <= n; ++k) {
      sum += Derivative(a + (static_cast<double>(k) - 0.5) * h).Length();
    }
    current[0] = (sum * h + previous[0]) * 0.5;
    double power = 1.0;
    for (int j = 1; j <= i; ++j) {
      power *= 4.0;
      current[j] = (power * current[j - 1] - previous[j - 1]) / (power - 1.0);
    }
    h *= 0.5;
    for (int j = 0; j <= i; ++j) previous[j] = current[j];
  }
  length_ = previous[kRefinements];
  lengthValid_ = true;
  return length_;
}

// Samples uniformly in t about a quarter pixel of arc length apart (on
// average), truncating each coordinate toward zero.
void BezierCurve::ComputeBounds() const {
  if (boundsValid_) return;
  const double dt = 0.25 / Length();
  bool first = true;
  for (double t = 0.0; t <= 1.0; t += dt) {
    const Vec2d p = Evaluate(t);
    const int32_t x = static_cast<int32_t>(p.x);
    const int32_t y = static_cast<int32_t>(p.y);
    if (first) {
      minX_ = maxX_ = x;
      minY_ = maxY_ = y;
      first = false;
    } else {
      if (x < minX_) minX_ = x;
      if (x > maxX_) maxX_ = x;
      if (y < minY_) minY_ = y;
      if (y > maxY_) maxY_ = y;
    }
  }
  boundsValid_ = true;
}

int32_t BezierCurve::MinX() const {
  ComputeBounds();
  return minX_;
}
int32_t BezierCurve::MaxX() const {
  ComputeBounds();
  return maxX_;
}
int32_t BezierCurve::MinY() const {
  ComputeBounds();
  return minY_;
}
int32_t BezierCurve::MaxY() const {
  ComputeBounds();
  return maxY_;
}

namespace {
constexpr int kClosestPointMaxDepth = 64;
}  // namespace

bool BezierCurve::ClosestPoint(const Vec2d& q, Vec2d& nearest, bool includeStart,
                               bool includeEnd, double tMin, double tMax, double* t,
                               bool* side) const {
  constexpr int kMaxDepth = kClosestPointMaxDepth;
  double foundT = 0.0;
  Vec2d point;
  if (!FindNearestPoint(q, P_, kMaxDepth, includeStart, includeEnd, tMin, tMax, foundT, point)) {
    return false;
  }
  nearest = point;
  if (t != nullptr) *t = foundT;
  if (side != nullptr) {
    const Vec2d d = Derivative(foundT);
    *side = (q.x - point.x) * d.y - (q.y - point.y) * d.x >= 0.0;
  }
  return true;
}

void BezierCurve::ClosestPointPair(const Vec2d q[2], bool found[2], Vec2d nearest[2],
                                   bool includeStart, bool includeEnd, double tMin,
                                   double tMax) const {
  double t[2];
  FindNearestPointPair(q, P_, kClosestPointMaxDepth, includeStart, includeEnd, tMin, tMax, found, t,
                       nearest);
}

void BezierCurve::Trace(AEWorld& world, const DepthColor& color, double t0, double t1) const {
  // A chord longer than two pixels (squared length above 4) is split again.
  constexpr double kMaxChordSquared = 4.0;
  const auto line = [&](const Vec2d& a, const Vec2d& b) {
    DrawLine(world, static_cast<int32_t>(a.x), static_cast<int32_t>(a.y),
             static_cast<int32_t>(b.x), static_cast<int32_t>(b.y), color);
  };
  for (;;) {
    const Vec2d p0 = Evaluate(t0);
    const double tm = t0 + (t1 - t0) * 0.5;
    const Vec2d pm = Evaluate(tm);
    const Vec2d p1 = Evaluate(t1);
    // An interval too narrow to split again ends here instead of looping
    // for ever (only reachable with non-finite control points).
    const bool exhausted = tm == t0 || tm == t1;
    if ((pm - p0).LengthSquared() > kMaxChordSquared && !exhausted) {
      Trace(world, color, t0, tm);
    } else {
      line(p0, pm);
    }
    if ((p1 - pm).LengthSquared() <= kMaxChordSquared || exhausted) {
      line(pm, p1);
      return;
    }
    t0 = tm;
  }
}
