// A point or vector of the plane in double precision, x then y. All path
// geometry is in the host's pixel coordinates: pixel (x, y) is the unit square
// from (x, y) to (x + 1, y + 1).
#pragma once

#include <cmath>

struct Vec2d {
  double x = 0.0;
  double y = 0.0;

  Vec2d() = default;
  constexpr Vec2d(double x_, double y_) : x(x_), y(y_) {}

  Vec2d operator+(const Vec2d& o) const { return {x + o.x, y + o.y}; }
  Vec2d operator-(const Vec2d& o) const { return {x - o.x, y - o.y}; }
  Vec2d operator*(double s) const { return {x * s, y * s}; }
  bool operator==(const Vec2d& o) const { return x == o.x && y == o.y; }

  double Dot(const Vec2d& o) const { return x * o.x + y * o.y; }
  // The z component of the 3-D cross product of the two plane vectors.
  double Cross(const Vec2d& o) const { return x * o.y - y * o.x; }
  double LengthSquared() const { return x * x + y * y; }
  // sqrt(x*x + y*y), never hypot: results must not depend on the library.
  double Length() const { return std::sqrt(x * x + y * y); }
};

inline Vec2d operator*(double s, const Vec2d& v) { return {s * v.x, s * v.y}; }
