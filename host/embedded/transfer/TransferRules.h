// What the embedded host's two transfer routines (the double-precision
// reference and the fast one) share, so that both refuse the same requests
// and touch the same pixels: the checks of the request, the clipping of the
// source rectangle, the rows a field covers, the source
// opacity of each depth and Dissolve's noise.
#pragma once

#include <algorithm>
#include <cstdint>

#include "host/embedded/WorldPixels.h"
#include "host/sdk/EffectTypes.h"

namespace embedded {

// Straight alpha only (the effect never asks for premultiplied), worlds of
// one depth, both with pixels.
inline bool CanTransfer(PF_ModeFlags m_flags, const PF_EffectWorld& src,
                        const PF_EffectWorld& dst) {
  return m_flags == PF_MF_Alpha_STRAIGHT && IsDeepWorld(src) == IsDeepWorld(dst) &&
         src.data != nullptr && dst.data != nullptr;
}

// The block to composite: its top-left in the source and in the destination.
struct Span {
  A_long srcLeft, srcTop, dstLeft, dstTop, width, height;
};

// Clips the source rectangle (right/bottom exclusive, null = whole source)
// to the source and, placed at (dest_x, dest_y), to the destination.
inline Span ClipSpan(const PF_Rect* src_rect, const PF_EffectWorld& src, A_long dest_x,
                     A_long dest_y, const PF_EffectWorld& dst) {
  A_long left = 0, top = 0, right = src.width, bottom = src.height;
  if (src_rect != nullptr) {
    left = src_rect->left;
    top = src_rect->top;
    right = std::min(src_rect->right, src.width);
    bottom = std::min(src_rect->bottom, src.height);
  }
  A_long dx = dest_x, dy = dest_y;
  if (left < 0) {
    dx -= left;
    left = 0;
  }
  if (top < 0) {
    dy -= top;
    top = 0;
  }
  if (dx < 0) {
    left -= dx;
    dx = 0;
  }
  if (dy < 0) {
    top -= dy;
    dy = 0;
  }
  const A_long width = std::min(right - left, dst.width - dx);
  const A_long height = std::min(bottom - top, dst.height - dy);
  return Span{left, top, dx, dy, std::max<A_long>(width, 0), std::max<A_long>(height, 0)};
}

// Field rendering touches only the rows of its field (destination rows).
inline bool RowInField(PF_Field field, A_long y) {
  return !((field == PF_Field_UPPER && (y & 1) != 0) || (field == PF_Field_LOWER && (y & 1) == 0));
}

// The source opacity in [0, 1]: the 8-bit field for 8-bit worlds, the 16-bit
// one (capped at full) for deep worlds.
inline double SourceOpacity(const PF_CompositeMode& comp, bool deep) {
  return deep ? std::min<double>(comp.opacitySu, 32768.0) / 32768.0 : comp.opacity / 255.0;
}

// Dissolve's noise at destination pixel (x, y) is
// DissolvePixelHash(DissolveColumnHash(seed, x), y) / 2^32: a hash of the
// seed and the coordinates, identical at every run, in two steps so that a
// routine over many rows hashes each column once.
inline uint32_t DissolveMix(uint32_t h) {
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

inline uint32_t DissolveColumnHash(A_long seed, A_long x) {
  return DissolveMix(DissolveMix(static_cast<uint32_t>(seed) ^ 0x9E3779B9u) ^
                     static_cast<uint32_t>(x));
}

inline uint32_t DissolvePixelHash(uint32_t column_hash, A_long y) {
  return DissolveMix(column_hash + static_cast<uint32_t>(y) * 0x27D4EB2Fu);
}

}  // namespace embedded
