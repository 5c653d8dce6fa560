#include "host/embedded/transfer/TransferReference.h"

#include <algorithm>

#include "host/embedded/WorldPixels.h"
#include "host/embedded/transfer/TransferRules.h"

namespace embedded {

namespace {

// The host's own view of the two pixel depths (it does not use the effect's).
template <typename P>
struct Depth;
template <>
struct Depth<PF_Pixel> {
  using Channel = A_u_char;
  static constexpr uint32_t kMax = 255;
};
template <>
struct Depth<PF_Pixel16> {
  using Channel = A_u_short;
  static constexpr uint32_t kMax = 32768;
};

constexpr TransferMode kModes[] = {
    // Copy and in-front: plain source over.
    {PF_Xfer_COPY, AlphaRule::kSourceOver, BlendNormal, nullptr},
    {PF_Xfer_IN_FRONT, AlphaRule::kSourceOver, BlendNormal, nullptr},
    {PF_Xfer_DISSOLVE, AlphaRule::kDissolve, BlendNormal, nullptr},
    {PF_Xfer_ADD, AlphaRule::kSourceOver, BlendAdd, nullptr},
    {PF_Xfer_MULTIPLY, AlphaRule::kSourceOver, BlendMultiply, nullptr},
    {PF_Xfer_SCREEN, AlphaRule::kSourceOver, BlendScreen, nullptr},
    {PF_Xfer_OVERLAY, AlphaRule::kSourceOver, BlendOverlay, nullptr},
    {PF_Xfer_SOFT_LIGHT, AlphaRule::kSourceOver, BlendSoftLight, nullptr},
    {PF_Xfer_HARD_LIGHT, AlphaRule::kSourceOver, BlendHardLight, nullptr},
    {PF_Xfer_DARKEN, AlphaRule::kSourceOver, BlendDarken, nullptr},
    {PF_Xfer_LIGHTEN, AlphaRule::kSourceOver, BlendLighten, nullptr},
    {PF_Xfer_DIFFERENCE, AlphaRule::kSourceOver, BlendDifference, nullptr},
    {PF_Xfer_HUE, AlphaRule::kSourceOver, nullptr, BlendHue},
    {PF_Xfer_SATURATION, AlphaRule::kSourceOver, nullptr, BlendSaturation},
    {PF_Xfer_COLOR, AlphaRule::kSourceOver, nullptr, BlendColor},
    {PF_Xfer_LUMINOSITY, AlphaRule::kSourceOver, nullptr, BlendLuminosity},
    {PF_Xfer_ALPHA_ADD, AlphaRule::kAlphaAdd, BlendNormal, nullptr},
    {PF_Xfer_COLOR_DODGE, AlphaRule::kSourceOver, BlendClassicColorDodge, nullptr},
    {PF_Xfer_COLOR_BURN, AlphaRule::kSourceOver, BlendClassicColorBurn, nullptr},
    {PF_Xfer_EXCLUSION, AlphaRule::kSourceOver, BlendExclusion, nullptr},
    // The newer difference has the same formula as the classic one.
    {PF_Xfer_DIFFERENCE2, AlphaRule::kSourceOver, BlendDifference, nullptr},
    {PF_Xfer_COLOR_DODGE2, AlphaRule::kSourceOver, BlendColorDodge, nullptr},
    {PF_Xfer_COLOR_BURN2, AlphaRule::kSourceOver, BlendColorBurn, nullptr},
    {PF_Xfer_LINEAR_LIGHT, AlphaRule::kSourceOver, BlendLinearLight, nullptr},
    {PF_Xfer_VIVID_LIGHT, AlphaRule::kSourceOver, BlendVividLight, nullptr},
    {PF_Xfer_PIN_LIGHT, AlphaRule::kSourceOver, BlendPinLight, nullptr},
};

Rgb BlendColour(const TransferMode& mode, const Rgb& cb, const Rgb& cs) {
  if (mode.nonSeparable != nullptr) { return mode.nonSeparable(cb, cs); }
  return Rgb{mode.separable(cb.r, cs.r), mode.separable(cb.g, cs.g), mode.separable(cb.b, cs.b)};
}

// ao = as + ab(1 - as); co = as(1 - ab)Cs + as ab B(Cb, Cs) + (1 - as) ab Cb;
// the straight result colour is co / ao.
PixelF SourceOver(const TransferMode& mode, const PixelF& src, const PixelF& dst, double as) {
  const double ab = dst.a;
  const double ao = as + ab * (1.0 - as);
  if (ao <= 0.0) { return PixelF{0.0, 0.0, 0.0, 0.0}; }
  const Rgb cs{src.r, src.g, src.b};
  const Rgb cb{dst.r, dst.g, dst.b};
  const Rgb mixed = BlendColour(mode, cb, cs);
  const double wSrc = as * (1.0 - ab);
  const double wMix = as * ab;
  const double wDst = (1.0 - as) * ab;
  auto channel = [&](double s, double m, double d) {
    return (wSrc * s + wMix * m + wDst * d) / ao;
  };
  return PixelF{ao, channel(cs.r, mixed.r, cb.r), channel(cs.g, mixed.g, cb.g),
                channel(cs.b, mixed.b, cb.b)};
}

// ao = min(1, as + ab); C = (as Cs + ab Cb) / (as + ab): alphas add, so two
// complementary soft edges join without a seam.
PixelF AlphaAdd(const PixelF& src, const PixelF& dst, double as) {
  const double ab = dst.a;
  const double sum = as + ab;
  if (sum <= 0.0) { return PixelF{0.0, 0.0, 0.0, 0.0}; }
  auto channel = [&](double s, double d) { return (as * s + ab * d) / sum; };
  return PixelF{std::min(1.0, sum), channel(src.r, dst.r), channel(src.g, dst.g),
                channel(src.b, dst.b)};
}

template <typename P>
PixelF ToFloat(const P& p) {
  constexpr double kFull = Depth<P>::kMax;
  return PixelF{p.alpha / kFull, p.red / kFull, p.green / kFull, p.blue / kFull};
}

// Rounds half up to the channel range: trunc(v * full + 0.5), clamped.
template <typename P>
typename Depth<P>::Channel ToChannel(double v) {
  constexpr double kFull = Depth<P>::kMax;
  const double scaled = v * kFull + 0.5;
  if (!(scaled > 0.0)) return 0;  // also catches NaN
  if (scaled >= kFull) return static_cast<typename Depth<P>::Channel>(Depth<P>::kMax);
  return static_cast<typename Depth<P>::Channel>(scaled);
}

template <typename P>
P FromFloat(const PixelF& f) {
  return P{ToChannel<P>(f.a), ToChannel<P>(f.r), ToChannel<P>(f.g), ToChannel<P>(f.b)};
}

template <typename P>
void TransferPixels(const TransferMode& mode, PF_Field field, const Span& span,
                    const PF_EffectWorld& src, const PF_CompositeMode& comp, PF_EffectWorld& dst) {
  const double opacity = SourceOpacity(comp, sizeof(P) == sizeof(PF_Pixel16));
  for (A_long row = 0; row < span.height; ++row) {
    const A_long y = span.dstTop + row;
    if (!RowInField(field, y)) { continue; }
    const P* in = PixelAt<P>(src, span.srcLeft, span.srcTop + row);
    P* out = PixelAt<P>(dst, span.dstLeft, y);
    for (A_long col = 0; col < span.width; ++col) {
      const double noise = mode.alpha == AlphaRule::kDissolve
                               ? DissolveNoise(comp.rand_seed, span.dstLeft + col, y)
                               : 0.0;
      PixelF result = CompositePixel(mode, ToFloat(in[col]), ToFloat(out[col]), opacity, noise);
      if (comp.rgb_only) { result.a = out[col].alpha / static_cast<double>(Depth<P>::kMax); }
      out[col] = FromFloat<P>(result);
    }
  }
}

}  // namespace

const TransferMode* FindTransferMode(PF_TransferMode code) {
  for (const TransferMode& mode : kModes) {
    if (mode.code == code) return &mode;
  }
  return nullptr;
}

PixelF CompositePixel(const TransferMode& mode, const PixelF& src, const PixelF& dst,
                      double opacity, double noise) {
  const double as = src.a * opacity;
  if (as <= 0.0) {
    // Nothing of the source is laid: the destination stays exactly as it was,
    // hidden colour of transparent pixels included.
    return dst;
  }
  switch (mode.alpha) {
    case AlphaRule::kDissolve:
      // The source's alpha times opacity is the chance that it shows.
      return noise < as ? PixelF{1.0, src.r, src.g, src.b} : dst;
    case AlphaRule::kAlphaAdd: return AlphaAdd(src, dst, as);
    case AlphaRule::kSourceOver: break;
  }
  return SourceOver(mode, src, dst, as);
}

double DissolveNoise(A_long seed, A_long x, A_long y) {
  return DissolvePixelHash(DissolveColumnHash(seed, x), y) / 4294967296.0;
}

PF_Err TransferWorldRect(PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rect,
                         const PF_EffectWorld& src, const PF_CompositeMode& comp, A_long dest_x,
                         A_long dest_y, PF_EffectWorld& dst) {
  const TransferMode* mode = FindTransferMode(comp.xfer);
  if (mode == nullptr || !CanTransfer(m_flags, src, dst)) { return PF_Err_BAD_CALLBACK_PARAM; }
  const Span span = ClipSpan(src_rect, src, dest_x, dest_y, dst);
  if (IsDeepWorld(dst)) {
    TransferPixels<PF_Pixel16>(*mode, field, span, src, comp, dst);
  } else {
    TransferPixels<PF_Pixel>(*mode, field, span, src, comp, dst);
  }
  return PF_Err_NONE;
}

}  // namespace embedded
