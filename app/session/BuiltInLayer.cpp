#include "app/session/BuiltInLayer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/embedded/WorldPixels.h"

namespace app {
namespace {

// Integer hash of a pixel position: grain that looks random but is the same
// on every run.
double Grain(uint32_t x, uint32_t y) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u;
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  h ^= h >> 16;
  return static_cast<double>(h & 0xFFFF) / 65535.0 - 0.5;
}

// Every term of the backdrop is a product of a column factor and a row
// factor, so each is computed once per column and once per row.
struct Axis {
  std::vector<double> ramp;      // half of the diagonal ramp position
  std::vector<double> glow;      // the glow's gaussian along this axis
  std::vector<double> vignette;  // squared distance from the centre
  std::vector<double> sin_weave, cos_weave;
};

Axis MakeAxis(A_long count, double glow_centre, double glow_scale, double weave_rate) {
  Axis axis;
  const double last = count > 1 ? count - 1 : 1;
  for (A_long i = 0; i < count; ++i) {
    const double t = i / last;
    const double g = (t - glow_centre) * glow_scale;
    const double c = t - 0.5;
    axis.ramp.push_back(0.5 * t);
    axis.glow.push_back(std::exp(-g * g / 0.08));
    axis.vignette.push_back(c * c);
    axis.sin_weave.push_back(std::sin(t * weave_rate));
    axis.cos_weave.push_back(std::cos(t * weave_rate));
  }
  return axis;
}

// A channel's type and full scale at each depth.
template <typename P>
struct Scale;
template <>
struct Scale<PF_Pixel> {
  using Channel = A_u_char;
  static constexpr uint32_t kMax = 255;
};
template <>
struct Scale<PF_Pixel16> {
  using Channel = A_u_short;
  static constexpr uint32_t kMax = 32768;
};

template <typename P>
typename Scale<P>::Channel ToChannel(double value) {
  const double clamped = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
  return static_cast<typename Scale<P>::Channel>(clamped * Scale<P>::kMax + 0.5);
}

// A deep blue-violet diagonal ramp, a soft glow a little above the centre,
// darker corners, a faint diagonal weave and grain.
template <typename P>
void Paint(PF_EffectWorld& world) {
  const Axis across = MakeAxis(world.width, 0.5, 1.0, 1.7778 * 90.0);
  const Axis down = MakeAxis(world.height, 0.45, 0.75, 90.0);
  for (A_long y = 0; y < world.height; ++y) {
    P* row = embedded::PixelAt<P>(world, 0, y);
    const size_t j = static_cast<size_t>(y);
    for (A_long x = 0; x < world.width; ++x) {
      const size_t i = static_cast<size_t>(x);
      const double t = across.ramp[i] + down.ramp[j];
      const double glow = across.glow[i] * down.glow[j];
      const double vignette = 1.0 - 0.55 * (across.vignette[i] + down.vignette[j]);
      // sin(a + b) * sin(a - b) = sin(a)^2 cos(b)^2 - cos(a)^2 sin(b)^2
      const double sa = across.sin_weave[i] * down.cos_weave[j];
      const double sb = across.cos_weave[i] * down.sin_weave[j];
      const double texture = 0.006 * (sa * sa - sb * sb) +
                             0.018 * Grain(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      row[x].alpha = static_cast<typename Scale<P>::Channel>(Scale<P>::kMax);
      row[x].red = ToChannel<P>((0.035 + 0.05 * t + 0.07 * glow) * vignette + texture);
      row[x].green = ToChannel<P>((0.04 + 0.015 * t + 0.06 * glow) * vignette + texture);
      row[x].blue = ToChannel<P>((0.085 + 0.06 * t + 0.10 * glow) * vignette + texture);
    }
  }
}

}  // namespace

void PaintBuiltInLayer(PF_EffectWorld& world) {
  if (embedded::IsDeepWorld(world)) {
    Paint<PF_Pixel16>(world);
  } else {
    Paint<PF_Pixel>(world);
  }
}

Layer BuiltInLayer(int width, int height, bool deep) {
  Layer layer = Layer::Make(width, height, deep);
  PF_EffectWorld world{};
  world.width = width;
  world.height = height;
  world.world_flags = deep ? PF_WorldFlag_DEEP : 0;
  world.rowbytes = width * static_cast<A_long>(deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel));
  world.data = deep ? reinterpret_cast<PF_Pixel*>(layer.pixels16.data()) : layer.pixels8.data();
  PaintBuiltInLayer(world);
  return layer;
}

}  // namespace app
