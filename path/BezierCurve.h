// One cubic Bezier segment in double precision: position and tangent, arc
// length, integer bounds, the nearest point to a query (with its side), and
// tracing into a world as a chain of short lines.
#pragma once

#include <cstdint>

#include "Common/Vec2d.h"
#include "host/sdk/EffectTypes.h"

class AEWorld;
struct DepthColor;

class BezierCurve {
 public:
  // The curve parameter never reaches the exact end points through Evaluate
  // and Derivative: it is clamped to [kMinT, kMaxT].
  static constexpr double kMinT = 1e-10;
  static constexpr double kMaxT = 0.9999999999;

  BezierCurve();
  // P0 = a's position, P1 = a's outgoing handle, P2 = b's incoming handle,
  // P3 = b's position; then Setup.
  BezierCurve(PF_PathVertex a, PF_PathVertex b);
  BezierCurve(const BezierCurve&) = default;
  BezierCurve& operator=(const BezierCurve&) = default;
  virtual ~BezierCurve() = default;

  // Sets the four control points without setting the curve up.
  void SetControlPoints(const Vec2d& p0, const Vec2d& p1, const Vec2d& p2, const Vec2d& p3);
  // Fills the forward differences and the binomial table; leaves the caches.
  void Setup();

  bool IsInitialised() const { return initialised_; }
  const Vec2d& ControlPoint(int i) const { return P_[i]; }
  const Vec2d* ControlPoints() const { return P_; }

  // Both throw AEException(1, "BezierCurve : Data not initialized") before Setup.
  Vec2d Evaluate(double t) const;
  Vec2d Derivative(double t) const;

  // Arc length by Romberg integration, computed once.
  double Length() const;
  // Integer bounds of the curve, computed once (the accessors compute them).
  void ComputeBounds() const;
  int32_t MinX() const;
  int32_t MaxX() const;
  int32_t MinY() const;
  int32_t MaxY() const;

  // The point of the curve nearest to q (see FindNearestPoint). Writes nothing
  // and returns false when no candidate is admitted. side, when asked, is true
  // when q lies to the left of the curve's direction in a y-down plane (the
  // cross product of q - nearest with the clamped derivative is >= 0).
  bool ClosestPoint(const Vec2d& q, Vec2d& nearest, bool includeStart, bool includeEnd,
                    double tMin, double tMax, double* t = nullptr, bool* side = nullptr) const;
  // ClosestPoint of q[0] and of q[1] at once (see FindNearestPointPair):
  // found[k] tells whether nearest[k] was written.
  void ClosestPointPair(const Vec2d q[2], bool found[2], Vec2d nearest[2], bool includeStart,
                        bool includeEnd, double tMin, double tMax) const;

  // Draws the part of the curve between t0 and t1 as lines of at most two
  // pixels.
  void Trace(AEWorld& world, const DepthColor& color, double t0, double t1) const;

 private:
  bool initialised_;
  Vec2d P_[4];
  Vec2d D_[3];
  double binomial_[4][4];
  mutable bool lengthValid_;
  mutable double length_;
  mutable int32_t minX_, maxX_, minY_, maxY_;
  mutable bool boundsValid_;
};

// The point at t of the Bezier polygon `points` of the given degree (<= 5),
// and the two sub-polygons of the split at t when asked: left[j] is the first
// point of level j, right[j] point j of level degree - j. t is not clamped.
// A degree outside 0..5 throws std::out_of_range.
Vec2d DeCasteljau(const Vec2d* points, int degree, double t, Vec2d* left = nullptr,
                  Vec2d* right = nullptr);

// The nearest point of the cubic P to q by isolating the roots of the
// degree-5 polynomial (q - B(t)) . B'(t). Candidates in order: the start
// (when includeStart), the roots inside [tMin, tMax], the end (when
// includeEnd); a candidate must be strictly nearer to replace the previous
// one. Writes t and point only when a candidate was found. Allocates nothing.
bool FindNearestPoint(const Vec2d& q, const Vec2d P[4], int maxDepth, bool includeStart,
                      bool includeEnd, double tMin, double tMax, double& t, Vec2d& point);
// FindNearestPoint for q[0] and q[1] on one curve, with the two root searches
// interleaved (IsolateRootsPair): found[k], t[k] and point[k] are what
// FindNearestPoint gives for q[k], to the bit; t[k] and point[k] are written
// only where found[k].
void FindNearestPointPair(const Vec2d q[2], const Vec2d P[4], int maxDepth, bool includeStart,
                          bool includeEnd, double tMin, double tMax, bool found[2], double t[2],
                          Vec2d point[2]);
// The same with the scalar reference root isolation: the same answer, bit for
// bit, kept as the yardstick of the fast one.
bool FindNearestPointReference(const Vec2d& q, const Vec2d P[4], int maxDepth, bool includeStart,
                               bool includeEnd, double tMin, double tMax, double& t, Vec2d& point);
