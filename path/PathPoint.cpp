#include "path/PathPoint.h"

#include "Common/ParamIndex.h"

namespace {

// 16.16 fixed point to double: exact, 2^-16 per unit.
double FixedToDouble(PF_Fixed f) { return static_cast<double>(f) * 1.52587890625e-5; }

}  // namespace

PathPoint PathPoint::Read(PF_ParamDef* params[], int32_t baseIndex) {
  PathPoint point;
  point.baseIndex = baseIndex;
  point.active = params[baseIndex + param::kPointActivate]->u.bd.value != 0;
  const PF_PointDef& position = params[baseIndex + param::kPointPosition]->u.td;
  const PF_PointDef& handle = params[baseIndex + param::kPointHandle]->u.td;
  const double px = FixedToDouble(position.x_value);
  const double py = FixedToDouble(position.y_value);
  double tx = FixedToDouble(handle.x_value);
  double ty = FixedToDouble(handle.y_value);
  // A handle on its point would give a tangent of zero length.
  if (tx == px && ty == py) {
    tx += 0.5;
    ty += 0.5;
  }
  point.vertex.x = px;
  point.vertex.y = py;
  point.vertex.tan_in_x = tx;
  point.vertex.tan_in_y = ty;
  // The outgoing handle mirrors the incoming one through the point.
  point.vertex.tan_out_x = 2.0 * px - tx;
  point.vertex.tan_out_y = 2.0 * py - ty;
  return point;
}

std::vector<PathPoint> ReadPathPoints(PF_ParamDef* params[]) {
  std::vector<PathPoint> points;
  points.reserve(param::kPointCount);
  for (int k = 1; k <= param::kPointCount; ++k) {
    points.push_back(PathPoint::Read(params, param::PointHeader(k)));
  }
  return points;
}
