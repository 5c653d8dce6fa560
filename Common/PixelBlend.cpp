// Per-pixel helpers of the stroke sampler: flattening onto black and the
// integer mix of two pixels, written once over the pixel type.
#include "Common/CommonTools.h"

namespace {

// Straight colour premultiplied onto opaque black: c * a >> shift.
template <typename P>
P FlattenT(const P& p) {
  using T = PixelTraits<P>;
  using C = typename T::Channel;
  const uint32_t a = p.alpha;
  P out;
  out.alpha = static_cast<C>(T::kMax);
  out.red = static_cast<C>((p.red * a) >> T::kShift);
  out.green = static_cast<C>((p.green * a) >> T::kShift);
  out.blue = static_cast<C>((p.blue * a) >> T::kShift);
  return out;
}

// (b * t + a * (full - t)) >> shift. In 8 bits full is 255 but the shift is
// 8, so the mix never quite reaches b, as stored renders expect.
template <typename P>
P BlendT(const P& a, const P& b, uint32_t t) {
  using T = PixelTraits<P>;
  using C = typename T::Channel;
  const uint32_t s = T::kMax - t;
  auto mix = [&](uint32_t ca, uint32_t cb) {
    return static_cast<C>((cb * t + ca * s) >> T::kShift);
  };
  return P{mix(a.alpha, b.alpha), mix(a.red, b.red), mix(a.green, b.green),
           mix(a.blue, b.blue)};
}

}  // namespace

PF_Pixel FlattenOnBlack(const PF_Pixel& p) { return FlattenT(p); }
PF_Pixel16 FlattenOnBlack(const PF_Pixel16& p) { return FlattenT(p); }
PF_Pixel BlendPixels(const PF_Pixel& a, const PF_Pixel& b, uint32_t t) { return BlendT(a, b, t); }
PF_Pixel16 BlendPixels(const PF_Pixel16& a, const PF_Pixel16& b, uint32_t t) {
  return BlendT(a, b, t);
}
