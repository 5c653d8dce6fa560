#include "app/BuiltInLayer.h"

#include <cmath>
#include <cstdint>

#include "Common/PixelTraits.h"

namespace app {
namespace {

struct Rgb {
  double r, g, b;
};

// Integer hash of a pixel position: grain that looks random but is the same
// on every run.
double Grain(uint32_t x, uint32_t y) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u;
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  h ^= h >> 16;
  return static_cast<double>(h & 0xFFFF) / 65535.0 - 0.5;
}

// Colour at (u, v) in [0, 1]^2: a deep blue-violet diagonal ramp, a soft glow
// a little above the centre, darker corners, faint diagonal weave and grain.
Rgb BackdropAt(double u, double v, uint32_t x, uint32_t y) {
  const double t = 0.5 * (u + v);
  Rgb c{0.035 + 0.05 * t, 0.04 + 0.015 * t, 0.085 + 0.06 * t};
  const double dx = u - 0.5;
  const double dy = (v - 0.45) * 0.5625 / 0.75;
  const double glow = std::exp(-(dx * dx + dy * dy) / 0.08);
  c.r += 0.07 * glow;
  c.g += 0.06 * glow;
  c.b += 0.10 * glow;
  const double cx = u - 0.5;
  const double cy = v - 0.5;
  const double vignette = 1.0 - 0.55 * (cx * cx + cy * cy);
  const double weave = 0.006 * std::sin((u * 1.7778 + v) * 90.0) * std::sin((u * 1.7778 - v) * 90.0);
  const double grain = 0.018 * Grain(x, y);
  return {c.r * vignette + weave + grain, c.g * vignette + weave + grain,
          c.b * vignette + weave + grain};
}

template <typename P>
typename PixelTraits<P>::Channel ToChannel(double value) {
  const double clamped = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
  return static_cast<typename PixelTraits<P>::Channel>(clamped * PixelTraits<P>::kMax + 0.5);
}

template <typename P>
void Paint(PF_EffectWorld& world) {
  const double w = world.width > 1 ? world.width - 1 : 1;
  const double h = world.height > 1 ? world.height - 1 : 1;
  for (A_long y = 0; y < world.height; ++y) {
    P* row = PixelAt<P>(world, 0, y);
    for (A_long x = 0; x < world.width; ++x) {
      const Rgb c = BackdropAt(x / w, y / h, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      row[x].alpha = static_cast<typename PixelTraits<P>::Channel>(PixelTraits<P>::kMax);
      row[x].red = ToChannel<P>(c.r);
      row[x].green = ToChannel<P>(c.g);
      row[x].blue = ToChannel<P>(c.b);
    }
  }
}

}  // namespace

void PaintBuiltInLayer(PF_EffectWorld& world) {
  if (IsDeep(world)) {
    Paint<PF_Pixel16>(world);
  } else {
    Paint<PF_Pixel>(world);
  }
}

}  // namespace app
