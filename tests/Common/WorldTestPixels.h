// Pixel access for the world-operation tests: write a recognisable pattern,
// read pixels back in either depth.
#pragma once

#include <cstdint>

#include "Common/PixelTraits.h"

namespace worldtest {

// Pixel (x, y) of the pattern: red x, green y, blue 7, alpha 200 (scaled to
// 16 bits by *100 so that every value stays distinct and in range).
template <typename P>
P Pattern(A_long x, A_long y) {
  using C = typename PixelTraits<P>::Channel;
  const uint32_t k = PixelTraits<P>::kDeep ? 100u : 1u;
  return P{static_cast<C>(200u * k), static_cast<C>(static_cast<uint32_t>(x) * k),
           static_cast<C>(static_cast<uint32_t>(y) * k), static_cast<C>(7u * k)};
}

template <typename P>
void PaintPattern(PF_EffectWorld& w) {
  for (A_long y = 0; y < w.height; ++y)
    for (A_long x = 0; x < w.width; ++x) *PixelAt<P>(w, x, y) = Pattern<P>(x, y);
}

template <typename P>
void PaintSolid(PF_EffectWorld& w, const P& c) {
  for (A_long y = 0; y < w.height; ++y)
    for (A_long x = 0; x < w.width; ++x) *PixelAt<P>(w, x, y) = c;
}

template <typename P>
bool Same(const P& a, const P& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace worldtest
