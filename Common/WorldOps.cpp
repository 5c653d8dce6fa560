// Filling, block copies and the transfer of one world onto another. Fill and
// transfer go through the host's utility callbacks; copies are our own loops.
#include <algorithm>
#include <cstring>

#include "Common/AEException.h"
#include "Common/CommonTools.h"

namespace {

constexpr PF_Err kEffectError = 1;

// WorldRect is inclusive, PF_Rect excludes its right and bottom edges.
PF_Rect ToHostRect(const WorldRect& r) {
  return PF_Rect{r.left, r.top, static_cast<A_long>(r.right) + 1,
                 static_cast<A_long>(r.bottom) + 1};
}

// Bounds of the 16-bit fill, all inclusive.
struct Fill16Context {
  PF_Pixel16 color;
  A_long left;
  A_long right;
  A_long top;
  A_long bottom;
};

PF_Err FillPixel16(void* refcon, A_long x, A_long y, PF_Pixel16* /*in*/, PF_Pixel16* out) {
  const auto* ctx = static_cast<const Fill16Context*>(refcon);
  if (x >= ctx->left && x <= ctx->right && y >= ctx->top && y <= ctx->bottom) {
    *out = ctx->color;
  }
  return PF_Err_NONE;
}

PF_Err Fill8(PF_InData* in_data, const DepthColor& color, const WorldRect* rect,
             PF_EffectWorld* world) {
  const PF_Pixel c = color.Get8();
  if (rect == nullptr) {
    return in_data->utils->fill(in_data->effect_ref, &c, nullptr, world);
  }
  const PF_Rect r = ToHostRect(*rect);
  return in_data->utils->fill(in_data->effect_ref, &c, &r, world);
}

PF_Err Fill16(PF_InData* in_data, const DepthColor& color, const WorldRect* rect,
              PF_EffectWorld* world) {
  Fill16Context ctx{color.Get16(), 0, world->width, 0, world->height};
  if (rect != nullptr) {
    ctx.left = rect->left;
    ctx.right = rect->right;
    ctx.top = rect->top;
    ctx.bottom = rect->bottom;
  }
  const PF_Point origin{0, 0};
  // The world is both source and destination; the per-pixel function only
  // writes the pixels inside the bounds.
  return in_data->utils->iterate_origin16(in_data, 0, ctx.bottom, world, nullptr, &origin,
                                          &ctx, FillPixel16, world);
}

}  // namespace

void FillWorld(AEWorld& world, const DepthColor& color, const WorldRect* rect) {
  world.CheckUsable();
  PF_EffectWorld* target = world.World();
  PF_InData* in_data = world.InData();
  const PF_Err err = IsDeep(*target) ? Fill16(in_data, color, rect, target)
                                     : Fill8(in_data, color, rect, target);
  if (err != PF_Err_NONE) {
    throw AEException(err, "FillWorld: Fill error");
  }
}

void Blit(const PF_EffectWorld& source, PF_EffectWorld& dest, const WorldRect* sourceRect,
          int32_t destX, int32_t destY) {
  if (IsDeep(source) != IsDeep(dest)) {
    throw AEException(kEffectError, "Blit Error: Worlds have different bitdepths");
  }
  if (source.width < 1 || source.height < 1 || dest.width < 1 || dest.height < 1) {
    return;  // nothing to copy from or to
  }
  const int32_t srcMaxX = source.width - 1;
  const int32_t srcMaxY = source.height - 1;
  const int32_t dstMaxX = dest.width - 1;
  const int32_t dstMaxY = dest.height - 1;

  int32_t top = 0, left = 0, bottom = srcMaxY, right = srcMaxX;
  if (sourceRect != nullptr) {
    top = sourceRect->top;
    left = sourceRect->left;
    bottom = sourceRect->bottom;
    right = sourceRect->right;
  }
  left = ClampInt(left, 0, srcMaxX);
  right = ClampInt(right, 0, srcMaxX);
  top = ClampInt(top, 0, srcMaxY);
  bottom = ClampInt(bottom, 0, srcMaxY);

  int32_t dx = destX, dy = destY;
  int32_t destRight = (right - left) + dx;
  int32_t destBottom = (bottom - top) + dy;
  if (dx >= dest.width || dy >= dest.height || destRight < 0 || destBottom < 0) {
    return;
  }
  // A destination left or above the world drops the source's first columns/rows.
  if (dx < 0) {
    left += -dx;
    dx = 0;
  }
  if (dy < 0) {
    top += -dy;
    dy = 0;
  }
  dx = ClampInt(dx, 0, dstMaxX);
  destRight = ClampInt(destRight, 0, dstMaxX);
  dy = ClampInt(dy, 0, dstMaxY);
  destBottom = ClampInt(destBottom, 0, dstMaxY);
  left = ClampInt(left, 0, srcMaxX);
  right = ClampInt(right, 0, srcMaxX);
  top = ClampInt(top, 0, srcMaxY);
  bottom = ClampInt(bottom, 0, srcMaxY);

  const int32_t columns = std::min(right - left, destRight - dx) + 1;
  const int32_t rows = std::min(bottom - top, destBottom - dy) + 1;
  if (columns < 1 || rows < 1) {
    return;
  }
  const size_t pixelBytes = IsDeep(source) ? 8 : 4;
  const size_t rowBytes = static_cast<size_t>(columns) * pixelBytes;
  const auto* srcBase = static_cast<const char*>(source.data);
  auto* dstBase = static_cast<char*>(dest.data);
  for (int32_t r = 0; r < rows; ++r) {
    const char* from = srcBase + static_cast<intptr_t>(top + r) * source.rowbytes +
                       static_cast<intptr_t>(left) * static_cast<intptr_t>(pixelBytes);
    char* to = dstBase + static_cast<intptr_t>(dy + r) * dest.rowbytes +
               static_cast<intptr_t>(dx) * static_cast<intptr_t>(pixelBytes);
    // memmove: source and destination may be the same world.
    std::memmove(to, from, rowBytes);
  }
}

void CopyWorld(const PF_EffectWorld& source, PF_EffectWorld& dest) {
  Blit(source, dest, nullptr, 0, 0);
}

void CopyInto(AEWorld& dest, const PF_EffectWorld& source, int32_t x, int32_t y) {
  dest.CheckUsable();
  Blit(source, *dest.World(), nullptr, x, y);
}

void Transfer(PF_InData* in_data, const PF_EffectWorld& source, PF_EffectWorld& dest,
              double amount, PF_TransferMode mode, PF_Quality quality, const WorldRect* rect) {
  if (source.width != dest.width || source.height != dest.height) {
    throw AEException(kEffectError,
                      "Worlds do not have the same dimensions.  Cannot do transfer");
  }
  PF_CompositeMode comp{};
  comp.xfer = mode;
  comp.rand_seed = 0;
  comp.rgb_only = 0;
  // The opacity is the share the source keeps: 1 - amount, truncated toward zero.
  if (IsDeep(source)) {
    const int32_t op16 = static_cast<int32_t>(32768.0 - 32768.0 * amount);
    comp.opacitySu = static_cast<A_u_short>(ClampInt(op16, 0, 32768));
    comp.opacity = 0;
  } else {
    const int32_t op8 = static_cast<int32_t>(255.0 - 255.0 * amount);
    comp.opacity = static_cast<A_u_char>(ClampInt(op8, 0, 255));
    comp.opacitySu = 0;
  }
  PF_Rect hostRect{};
  const PF_Rect* srcRect = nullptr;
  A_long destX = 0, destY = 0;
  if (rect != nullptr) {
    hostRect = ToHostRect(*rect);
    srcRect = &hostRect;
    destX = rect->left;
    destY = rect->top;
  }
  const PF_Err err = in_data->utils->transfer_rect(
      in_data->effect_ref, quality, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, srcRect, &source,
      &comp, nullptr, destX, destY, &dest);
  if (err != PF_Err_NONE) {
    throw AEException(err, "AEWorld Transfer no worky!! :(");
  }
}
