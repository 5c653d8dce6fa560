// Small path sources for the stroke tests: vertices given directly, so that
// every control point is known exactly.
#pragma once

#include <vector>

#include "path/FakePath.h"
#include "path/PathPoint.h"

namespace paths {

// A vertex at (x, y) whose incoming handle is (inX, inY) and outgoing handle
// its mirror through the point, as the point groups give them.
inline PathPoint Mirrored(double x, double y, double inX, double inY) {
  PathPoint p;
  p.active = true;
  p.vertex.x = x;
  p.vertex.y = y;
  p.vertex.tan_in_x = inX;
  p.vertex.tan_in_y = inY;
  p.vertex.tan_out_x = 2.0 * x - inX;
  p.vertex.tan_out_y = 2.0 * y - inY;
  return p;
}

// A straight horizontal path at height y from x0 to x1 whose handles lie on
// the line a third of the way along, so the curve is the segment itself.
inline FakePath Horizontal(double x0, double x1, double y) {
  const double third = (x1 - x0) / 3.0;
  return FakePath({Mirrored(x0, y, x0 - third, y), Mirrored(x1, y, x1 - third, y)}, true);
}

}  // namespace paths
