#include "render/PathOverlay.h"

#include <vector>

#include "Common/CommonTools.h"
#include "Common/PixelTraits.h"
#include "path/BezierCurve.h"
#include "path/FakePath.h"

int32_t SquareMarkerSize(const PF_InData* in_data) {
  if (in_data == nullptr) {
    return 6;
  }
  const double dsx = static_cast<double>(in_data->downsample_x.num) /
                     static_cast<double>(in_data->downsample_x.den);
  const double dsy = static_cast<double>(in_data->downsample_y.num) /
                     static_cast<double>(in_data->downsample_y.den);
  const double d = (dsx + dsy) / 2.0;
  return static_cast<int32_t>(0.5 + 6.0 * d);
}

namespace {

template <typename P>
void FillBlock(const PF_EffectWorld& world, const P& color, int32_t left, int32_t top,
               int32_t size) {
  for (int32_t y = top; y < top + size; ++y) {
    if (y < 0 || y >= world.height) continue;
    for (int32_t x = left; x < left + size; ++x) {
      if (x < 0 || x >= world.width) continue;
      *PixelAt<P>(world, x, y) = color;
    }
  }
}

void DrawHollowSquare(AEWorld& world, const DepthColor& color, int32_t x, int32_t y,
                      int32_t h) {
  DrawLine(world, x - h, y - h, x + h, y - h, color);
  DrawLine(world, x + h, y - h, x + h, y + h, color);
  DrawLine(world, x + h, y + h, x - h, y + h, color);
  DrawLine(world, x - h, y + h, x - h, y - h, color);
}

}  // namespace

void DrawSquareMarker(AEWorld& world, const DepthColor& color, int32_t x, int32_t y,
                      bool filled) {
  world.CheckUsable();
  const int32_t s = SquareMarkerSize(world.InData());
  const int32_t h = s / 2;
  if (!filled) {
    DrawHollowSquare(world, color, x, y, h);
    return;
  }
  if (s < 1) {
    return;
  }
  const PF_EffectWorld& target = *world.World();
  if (IsDeep(target)) {
    FillBlock(target, color.Get16(), x - h, y - h, s);
  } else {
    FillBlock(target, color.Get8(), x - h, y - h, s);
  }
}

void DrawHandleDecoration(AEWorld& world, const DepthColor& color, const PF_PathVertex& vertex) {
  // Truncation toward zero, as the overlay has always placed its squares.
  const auto px = static_cast<int32_t>(vertex.x);
  const auto py = static_cast<int32_t>(vertex.y);
  const auto inX = static_cast<int32_t>(vertex.tan_in_x);
  const auto inY = static_cast<int32_t>(vertex.tan_in_y);
  const auto outX = static_cast<int32_t>(vertex.tan_out_x);
  const auto outY = static_cast<int32_t>(vertex.tan_out_y);
  DrawLine(world, inX, inY, outX, outY, color);
  DrawSquareMarker(world, color, px, py, true);
  DrawSquareMarker(world, color, inX, inY, true);
  DrawSquareMarker(world, color, outX, outY, false);
}

void DrawPathOverlay(FakePath& path, AEWorld& world, const DepthColor& color) {
  const std::vector<PathPoint>& points = path.Points();
  const int32_t n = static_cast<int32_t>(points.size());
  if (n != 1) {
    for (int32_t i = 0; i + 1 < n; ++i) {
      const BezierCurve curve(points[i].vertex, points[i + 1].vertex);
      curve.Trace(world, color, 0.0, 1.0);
    }
  }
  // A closed list ends with a copy of its first point.
  const bool closed = !path.IsOpen();
  const int32_t decorated = (closed && n > 1) ? n - 1 : n;
  for (int32_t i = 0; i < decorated; ++i) {
    DrawHandleDecoration(world, color, points[i].vertex);
  }
}
