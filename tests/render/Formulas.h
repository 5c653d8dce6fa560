// The stroke's pixel formulas written out for the tests, independently of the
// code under test: falloff, the 16-to-8 colour step and the integer blend.
#pragma once

#include <cmath>
#include <cstdint>

#include "host/sdk/AE_Effect.h"

namespace formulas {

// 1 - (d / h)^e with e = 10 - 10 (1 - (1 - f)^3); 0 beyond h.
inline double Falloff(double d, double h, double f) {
  if (d > h) return 0.0;
  const double k = 1.0 - f;
  return 1.0 - std::pow(d / h, 10.0 - 10.0 * (1.0 - k * k * k));
}

// A 16-bit gradient colour in the pixel type P.
template <typename P>
P InDepth(const PF_Pixel16& c) {
  if constexpr (sizeof(P) == 8) {
    return c;
  } else {
    const auto to8 = [](uint32_t v) { return static_cast<A_u_char>((v * 255u + 16384u) >> 15); };
    return {to8(c.alpha), to8(c.red), to8(c.green), to8(c.blue)};
  }
}

// w = trunc(weight M); w2 = (w a) >> s; the background flattened by its own
// alpha; every channel (S w2 + B' (M - w2)) >> s with S at full alpha.
template <typename P>
P Blend(const P& c, double weight, const P& b) {
  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  const int s = sizeof(P) == 4 ? 8 : 15;
  const auto w = static_cast<uint32_t>(weight * full);
  const uint32_t w2 = (w * c.alpha) >> s;
  const auto mix = [&](uint32_t src, uint32_t back) {
    return static_cast<decltype(c.alpha)>((src * w2 + back * (full - w2)) >> s);
  };
  return {mix(full, b.alpha), mix(c.red, (b.red * b.alpha) >> s),
          mix(c.green, (b.green * b.alpha) >> s), mix(c.blue, (b.blue * b.alpha) >> s)};
}

}  // namespace formulas
