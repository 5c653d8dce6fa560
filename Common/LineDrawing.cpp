// One-pixel lines and box outlines, written straight into the world's pixels
// (no blending), clipped pixel by pixel.
#include <cstdlib>

#include "Common/CommonTools.h"

namespace {

// Integer Bresenham walk; endpoints included, pixels outside the world skipped.
template <typename P>
void DrawLineT(PF_EffectWorld& world, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
               const P& color) {
  const int32_t dx2 = 2 * std::abs(x1 - x0);
  const int32_t dy2 = 2 * std::abs(y1 - y0);
  const int32_t sx = x1 < x0 ? -1 : 1;
  const int32_t sy = y1 < y0 ? -1 : 1;
  int32_t x = x0, y = y0;
  auto plot = [&](int32_t px, int32_t py) {
    if (px >= 0 && px < world.width && py >= 0 && py < world.height) {
      *PixelAt<P>(world, px, py) = color;
    }
  };
  if (dx2 <= dy2) {  // steep: one pixel per row
    int32_t e = dx2 - dy2 / 2;
    for (;;) {
      plot(x, y);
      if (y == y1) break;
      if (e >= 0) {
        x += sx;
        e -= dy2;
      }
      y += sy;
      e += dx2;
    }
  } else {  // shallow: one pixel per column
    int32_t e = dy2 - dx2 / 2;
    for (;;) {
      plot(x, y);
      if (x == x1) break;
      if (e >= 0) {
        y += sy;
        e -= dx2;
      }
      x += sx;
      e += dy2;
    }
  }
}

}  // namespace

void DrawLine(AEWorld& world, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
              const DepthColor& color) {
  world.CheckUsable();
  PF_EffectWorld& w = *world.World();
  if (IsDeep(w)) {
    DrawLineT<PF_Pixel16>(w, x0, y0, x1, y1, color.Get16());
  } else {
    DrawLineT<PF_Pixel>(w, x0, y0, x1, y1, color.Get8());
  }
}

void DrawRect(const IntBox& box, AEWorld& world, const DepthColor& color) {
  DrawLine(world, box.left, box.top, box.right, box.top, color);
  DrawLine(world, box.right, box.top, box.right, box.bottom, color);
  DrawLine(world, box.right, box.bottom, box.left, box.bottom, color);
  DrawLine(world, box.left, box.bottom, box.left, box.top, color);
}
