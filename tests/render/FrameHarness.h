// A frame ready to render through the embedded host (the parameter set registered through the
// host's add_param, an input layer, an output of the same size and depth, the parameters at their
// defaults), and the stroke's pixel formulas written out independently of the code under test.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/ParamArray.h"
#include "host/embedded/PathSuites.h"
#include "render/HostInfo.h"
#include "Common/ParamIndex.h"
#include "shell/ParamSetup.h"
#include "shell/RenderDispatch.h"

namespace harness {

struct Frame {
  // In the mask layout the host serves masks; the caller returns to the point layout when done.
  Frame(A_long width, A_long height, bool deep, bool maskLayout = false) {
    host.MakeCurrent();
    if (maskLayout) masks.emplace(host);
    SetPathMode(maskLayout ? PathLayout::kMask : PathLayout::kPoint);
    ProbeHost(host.InData());
    host.ClearRegisteredParams();
    if (ParamsSetup(host.InData(), host.OutData()) != PF_Err_NONE)
      throw std::runtime_error("parameter set-up failed");
    input = host.CreateWorld(width, height, deep, false);
    output = host.CreateWorld(width, height, deep, true);
    params.emplace(host.BuildParams(input));
  }
  void ActivatePoint(int k, double x, double y, double handleX, double handleY) {
    params->SetCheckbox(param::PointHeader(k) + param::kPointActivate, true);
    params->SetPoint(param::PointHeader(k) + param::kPointPosition, x, y);
    params->SetPoint(param::PointHeader(k) + param::kPointHandle, handleX, handleY);
  }
  PF_Err Render() { return RenderDispatch(host.InData(), host.OutData(), params->Get(), output); }

  embedded::EmbeddedHost host;
  std::optional<embedded::PathSuites> masks;
  PF_EffectWorld* input = nullptr;
  PF_EffectWorld* output = nullptr;
  std::optional<embedded::ParamArray> params;
};

// A layer with structure in every channel, alpha included.
template <typename P>
void FillPattern(PF_EffectWorld* world) {
  using C = typename PixelTraits<P>::Channel;
  const uint32_t full = PixelTraits<P>::kMax;
  for (A_long y = 0; y < world->height; ++y) {
    for (A_long x = 0; x < world->width; ++x) {
      const auto v = static_cast<uint32_t>(x * 7 + y * 13);
      *PixelAt<P>(*world, x, y) =
          P{static_cast<C>(full - v % (full / 2)), static_cast<C>(v % full),
            static_cast<C>((v * 5u) % full), static_cast<C>((v * 3u) % full)};
    }
  }
}

template <typename P>
bool SamePixel(const P& a, const P& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace harness

namespace formulas {

// 1 - (d / h)^e with e = 10 - 10 (1 - (1 - f)^3); 0 beyond h.
inline double Falloff(double d, double h, double f) {
  const double k = 1.0 - f;
  return d > h ? 0.0 : 1.0 - std::pow(d / h, 10.0 - 10.0 * (1.0 - k * k * k));
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

// w = trunc(weight M); w2 = (w a) >> s; the background flattened by its own alpha; every
// channel (S w2 + B' (M - w2)) >> s with S at full alpha.
template <typename P>
P Blend(const P& c, double weight, const P& b) {
  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  const int s = sizeof(P) == 4 ? 8 : 15;
  const uint32_t w2 = (static_cast<uint32_t>(weight * full) * c.alpha) >> s;
  const auto mix = [&](uint32_t src, uint32_t back) {
    return static_cast<decltype(c.alpha)>((src * w2 + back * (full - w2)) >> s);
  };
  return {mix(full, b.alpha), mix(c.red, (b.red * b.alpha) >> s),
          mix(c.green, (b.green * b.alpha) >> s), mix(c.blue, (b.blue * b.alpha) >> s)};
}

}  // namespace formulas
