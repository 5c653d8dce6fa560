// Plane geometry of the path and stroke code, in double precision.
#include <cmath>

#include "Common/CommonTools.h"

namespace {
constexpr double kZero = 1e-10;  // "zero" for determinants
}

// A point on the line counts as being on the same side.
bool SameSide(const Vec2d& p, const Vec2d& q, const Vec2d& a, const Vec2d& b) {
  const Vec2d ab = b - a;
  return ab.Cross(p - a) * ab.Cross(q - a) >= 0.0;
}

// The boundary counts as inside.
bool PointInTriangle(const Vec2d& p, const Vec2d& t1, const Vec2d& t2, const Vec2d& t3) {
  return SameSide(p, t1, t2, t3) && SameSide(p, t2, t1, t3) && SameSide(p, t3, t1, t2);
}

int SegmentIntersection(const Vec2d& p1, const Vec2d& p2, const Vec2d& p3, const Vec2d& p4,
                        Vec2d* out) {
  // Bounding ranges first; ranges that only touch still overlap.
  if (std::fmax(p1.x, p2.x) < std::fmin(p3.x, p4.x) ||
      std::fmax(p3.x, p4.x) < std::fmin(p1.x, p2.x) ||
      std::fmax(p1.y, p2.y) < std::fmin(p3.y, p4.y) ||
      std::fmax(p3.y, p4.y) < std::fmin(p1.y, p2.y)) {
    return 0;
  }
  const double d = (p4.y - p3.y) * (p2.x - p1.x) - (p4.x - p3.x) * (p2.y - p1.y);
  if (std::fabs(d) <= kZero) {
    return 2;  // parallel (collinear overlaps land here too)
  }
  const double ua = ((p1.y - p3.y) * (p4.x - p3.x) - (p1.x - p3.x) * (p4.y - p3.y)) / d;
  const double ub = ((p1.y - p3.y) * (p2.x - p1.x) - (p1.x - p3.x) * (p2.y - p1.y)) / d;
  if (ua < 0.0 || ua > 1.0 || ub < 0.0 || ub > 1.0) {
    return 0;
  }
  if (out != nullptr) {
    *out = Vec2d(p1.x + ua * (p2.x - p1.x), p1.y + ua * (p2.y - p1.y));
  }
  return 1;
}

bool LineIntersection(const Vec2d& p1, const Vec2d& p2, const Vec2d& p3, const Vec2d& p4,
                      Vec2d* point, double* t, double* u) {
  const double det = (p2.x - p1.x) * (p4.y - p3.y) - (p2.y - p1.y) * (p4.x - p3.x);
  if (std::fabs(det) <= kZero) {
    return false;
  }
  const double tt = ((p4.x - p3.x) * (p1.y - p3.y) - (p4.y - p3.y) * (p1.x - p3.x)) / det;
  const double uu = ((p2.x - p1.x) * (p1.y - p3.y) - (p2.y - p1.y) * (p1.x - p3.x)) / det;
  if (point != nullptr) {
    *point = Vec2d(p1.x + tt * (p2.x - p1.x), p1.y + tt * (p2.y - p1.y));
  }
  if (t != nullptr) *t = tt;
  if (u != nullptr) *u = uu;
  return true;
}

// Distance to the unbounded line; a == b is the caller's to avoid.
double DistanceToLine(const Vec2d& p, const Vec2d& a, const Vec2d& b) {
  const Vec2d ab = b - a;
  const double t = (p - a).Dot(ab) / ab.LengthSquared();
  const Vec2d foot(a.x + t * ab.x, a.y + t * ab.y);
  return (p - foot).Length();
}

void ClampBox(IntBox& box, int32_t loX, int32_t hiX, int32_t loY, int32_t hiY) {
  box.left = ClampInt(box.left, loX, hiX);
  box.right = ClampInt(box.right, loX, hiX);
  box.top = ClampInt(box.top, loY, hiY);
  box.bottom = ClampInt(box.bottom, loY, hiY);
}
