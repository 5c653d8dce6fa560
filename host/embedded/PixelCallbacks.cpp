// The embedded host's pixel utilities over plain memory.
#include "host/embedded/PixelCallbacks.h"

#include <algorithm>
#include <cstdint>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/WorldPixels.h"

namespace embedded {

namespace {

// The rectangle (right/bottom exclusive, null = whole world) clipped to the world.
PF_Rect ClipToWorld(const PF_Rect* rect, const PF_EffectWorld& world) {
  if (rect == nullptr) { return PF_Rect{0, 0, world.width, world.height}; }
  return PF_Rect{std::max<A_long>(rect->left, 0), std::max<A_long>(rect->top, 0),
                 std::min(rect->right, world.width), std::min(rect->bottom, world.height)};
}

// out = (s1 * (65536 - r) + s2 * r + 32768) >> 16 in 64-bit, every channel.
template <typename C>
C BlendChannel(C s1, C s2, int64_t ratio) {
  return static_cast<C>(
      (static_cast<int64_t>(s1) * (65536 - ratio) + static_cast<int64_t>(s2) * ratio + 32768) >>
      16);
}

template <typename P>
void BlendWorlds(const PF_EffectWorld& src1, const PF_EffectWorld& src2, int64_t ratio,
                 PF_EffectWorld& dst) {
  for (A_long y = 0; y < dst.height; ++y) {
    const P* a = PixelAt<P>(src1, 0, y);
    const P* b = PixelAt<P>(src2, 0, y);
    P* out = PixelAt<P>(dst, 0, y);
    for (A_long x = 0; x < dst.width; ++x) {
      const P pa = a[x];
      const P pb = b[x];
      out[x] = P{BlendChannel(pa.alpha, pb.alpha, ratio), BlendChannel(pa.red, pb.red, ratio),
                 BlendChannel(pa.green, pb.green, ratio), BlendChannel(pa.blue, pb.blue, ratio)};
    }
  }
}

bool SameShape(const PF_EffectWorld& a, const PF_EffectWorld& b) {
  return a.width == b.width && a.height == b.height && IsDeepWorld(a) == IsDeepWorld(b);
}

}  // namespace

// 8-bit worlds only (16-bit worlds are filled through the 16-bit iteration);
// a null colour fills with transparent black.
PF_Err HostFill(PF_ProgPtr /*effect_ref*/, const PF_Pixel* color, const PF_Rect* dst_rect,
                PF_EffectWorld* world) {
  if (world == nullptr || world->data == nullptr || IsDeepWorld(*world)) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_Pixel c = color != nullptr ? *color : PF_Pixel{0, 0, 0, 0};
  const PF_Rect r = ClipToWorld(dst_rect, *world);
  for (A_long y = r.top; y < r.bottom; ++y) {
    PF_Pixel* row = PixelAt<PF_Pixel>(*world, 0, y);
    for (A_long x = r.left; x < r.right; ++x) { row[x] = c; }
  }
  return PF_Err_NONE;
}

// Visits every pixel of the area (destination coordinates, null = the whole
// destination) row by row; the input pixel is the source's at (x + origin.h,
// y + origin.v), transparent black where that falls outside the source. When
// source and destination are one world, in and out point at the same pixel.
// The embedded host reports no progress from here: renders poll progress
// themselves once per column.
PF_Err HostIterateOrigin16(PF_InData* /*in_data*/, A_long /*progress_base*/,
                           A_long /*progress_final*/, PF_EffectWorld* src, const PF_Rect* area,
                           const PF_Point* origin, void* refcon, PF_IteratePixel16Func pix_fn,
                           PF_EffectWorld* dst) {
  if (src == nullptr || dst == nullptr || pix_fn == nullptr || !IsDeepWorld(*src) ||
      !IsDeepWorld(*dst) || src->data == nullptr || dst->data == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PF_Point shift = origin != nullptr ? *origin : PF_Point{0, 0};
  const PF_Rect r = ClipToWorld(area, *dst);
  for (A_long y = r.top; y < r.bottom; ++y) {
    const A_long sy = y + shift.v;
    for (A_long x = r.left; x < r.right; ++x) {
      const A_long sx = x + shift.h;
      PF_Pixel16 outside{0, 0, 0, 0};
      PF_Pixel16* in = (sx >= 0 && sx < src->width && sy >= 0 && sy < src->height)
                           ? PixelAt<PF_Pixel16>(*src, sx, sy)
                           : &outside;
      const PF_Err err = pix_fn(refcon, x, y, in, PixelAt<PF_Pixel16>(*dst, x, y));
      if (err != PF_Err_NONE) { return err; }
    }
  }
  return PF_Err_NONE;
}

// The three worlds must agree in size and depth; the ratio is clamped to
// 0..65536 (0 gives src1, 65536 gives src2).
PF_Err HostBlend(PF_ProgPtr /*effect_ref*/, const PF_EffectWorld* src1, const PF_EffectWorld* src2,
                 PF_Fixed ratio, PF_EffectWorld* dst) {
  if (src1 == nullptr || src2 == nullptr || dst == nullptr || !SameShape(*src1, *dst) ||
      !SameShape(*src2, *dst) || src1->data == nullptr || src2->data == nullptr ||
      dst->data == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const int64_t r = std::clamp<int64_t>(ratio, 0, 65536);
  if (IsDeepWorld(*dst)) {
    BlendWorlds<PF_Pixel16>(*src1, *src2, r, *dst);
  } else {
    BlendWorlds<PF_Pixel>(*src1, *src2, r, *dst);
  }
  return PF_Err_NONE;
}

}  // namespace embedded
