// Path sources for the path tests: a list of vertices served through the
// path source interface, and builders for closed polygons of straight
// segments and for smooth closed curves.
#pragma once

#include <cmath>
#include <vector>

#include "Common/Vec2d.h"
#include "path/PathObject.h"

namespace testpaths {

class VertexPath : public PathObject {
 public:
  VertexPath(std::vector<PF_PathVertex> vertices, bool open)
      : vertices_(std::move(vertices)), open_(open) {}
  bool Checkout() override { return !vertices_.empty(); }
  bool IsOpen() override { return open_; }
  int32_t NumSegments() override { return static_cast<int32_t>(vertices_.size()) - 1; }
  int32_t NumVertices() override { return static_cast<int32_t>(vertices_.size()); }
  PF_PathVertex& GetVertex(PF_PathVertex& out, int32_t index) override {
    requested.push_back(index);
    out = vertices_.at(static_cast<size_t>(index));
    return out;
  }
  std::vector<int32_t> requested;

 private:
  std::vector<PF_PathVertex> vertices_;
  bool open_;
};

// Straight segments through the points (handles at the thirds, so each
// segment has uniform speed); closed adds the first point again at the end.
inline std::vector<PF_PathVertex> Polygon(const std::vector<Vec2d>& points, bool closed) {
  std::vector<Vec2d> p = points;
  if (closed) p.push_back(points.front());
  std::vector<PF_PathVertex> v(p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    const Vec2d next = i + 1 < p.size() ? p[i + 1] : p[i];
    const Vec2d prev = i > 0 ? p[i - 1] : p[i];
    v[i] = {p[i].x, p[i].y, p[i].x + (prev.x - p[i].x) / 3, p[i].y + (prev.y - p[i].y) / 3,
            p[i].x + (next.x - p[i].x) / 3, p[i].y + (next.y - p[i].y) / 3};
  }
  return v;
}

// Axis-aligned rectangle, clockwise on screen (y down).
inline std::vector<PF_PathVertex> Rectangle(double x0, double y0, double x1, double y1) {
  return Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, true);
}

}  // namespace testpaths
