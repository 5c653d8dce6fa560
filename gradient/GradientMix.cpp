#include "gradient/GradientMix.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kFull = 32768.0;
constexpr double kInvFull = 3.0517578125e-5;  // exactly 1 / 32768

A_u_short MixAlpha(A_u_short a1, A_u_short a2, double t) {
  return static_cast<A_u_short>(a1 * (1.0 - t) + a2 * t);
}

}  // namespace

PF_Pixel16 MixLinear(const PF_Pixel16& c1, const PF_Pixel16& c2, double t) {
  // Weight trunc(t * 32768 + 0.5), kept inside [0, 32768].
  const double scaled = t * kFull + 0.5;
  const uint32_t w = scaled <= 0.0 ? 0u : (scaled >= kFull ? 32768u : static_cast<uint32_t>(scaled));
  const uint32_t v = 32768u - w;
  auto mix = [&](uint32_t a, uint32_t b) { return static_cast<A_u_short>((b * w + a * v) >> 15); };
  return PF_Pixel16{mix(c1.alpha, c2.alpha), mix(c1.red, c2.red), mix(c1.green, c2.green),
                    mix(c1.blue, c2.blue)};
}

// The colour is mixed linearly, then scaled so its Euclidean RGB length is the
// linear mix of the two ends' lengths: brightness does not dip between hues.
PF_Pixel16 MixPreserveLum(const PF_Pixel16& c1, const PF_Pixel16& c2, double t) {
  const double u = 1.0 - t;
  const double r1 = c1.red, g1 = c1.green, b1 = c1.blue;
  const double r2 = c2.red, g2 = c2.green, b2 = c2.blue;
  const double len1 = std::sqrt(r1 * r1 + g1 * g1 + b1 * b1);
  const double len2 = std::sqrt(r2 * r2 + g2 * g2 + b2 * b2);
  const double target = len1 * u + len2 * t;
  const double mr = r1 * u + r2 * t;
  const double mg = g1 * u + g2 * t;
  const double mb = b1 * u + b2 * t;
  const double mlen = std::sqrt(mr * mr + mg * mg + mb * mb);
  PF_Pixel16 out{MixAlpha(c1.alpha, c2.alpha, t), 0, 0, 0};
  if (mlen == 0.0) {
    return out;  // black mixed with black
  }
  const double s = target / mlen;
  // Only the top needs clamping: every term is non-negative.
  auto channel = [&](double m) {
    const double v = m * s;
    return static_cast<A_u_short>(v >= kFull ? kFull : v);
  };
  out.red = channel(mr);
  out.green = channel(mg);
  out.blue = channel(mb);
  return out;
}

// Hue is mixed as a plain number in [0, 1], not the short way round.
PF_Pixel16 MixHsl(const PF_Pixel16& c1, const PF_Pixel16& c2, double t) {
  const double u = 1.0 - t;
  const Hsl h1 = RgbToHsl(c1.red * kInvFull, c1.green * kInvFull, c1.blue * kInvFull);
  const Hsl h2 = RgbToHsl(c2.red * kInvFull, c2.green * kInvFull, c2.blue * kInvFull);
  const Hsl mixed{h1.h * u + h2.h * t, h1.s * u + h2.s * t, h1.l * u + h2.l * t};
  double r = 0.0, g = 0.0, b = 0.0;
  HslToRgb(mixed, &r, &g, &b);
  return PF_Pixel16{MixAlpha(c1.alpha, c2.alpha, t), static_cast<A_u_short>(r * kFull),
                    static_cast<A_u_short>(g * kFull), static_cast<A_u_short>(b * kFull)};
}

// Black and greys have no hue: they take hue 0, and black saturation 0 too,
// so that the mix with them is defined.
Hsl RgbToHsl(double r, double g, double b) {
  const double mx = std::fmax(r, std::fmax(g, b));
  const double mn = std::fmin(r, std::fmin(g, b));
  Hsl out{0.0, 0.0, (mx + mn) * 0.5};
  if (out.l <= 0.0) {
    return out;
  }
  const double delta = mx - mn;
  out.s = delta;
  if (delta <= 0.0) {
    return out;
  }
  out.s = out.l <= 0.5 ? delta / (mx + mn) : delta / (2.0 - mx - mn);
  const double rc = (mx - r) / delta;
  const double gc = (mx - g) / delta;
  const double bc = (mx - b) / delta;
  // Tested in this order, so a red/green tie for the maximum is taken as red.
  double h;
  if (r == mx) {
    h = g == mn ? 5.0 + bc : 1.0 - gc;
  } else if (g == mx) {
    h = b == mn ? 1.0 + rc : 3.0 - bc;
  } else {
    h = r == mn ? 3.0 + gc : 5.0 - rc;
  }
  out.h = h / 6.0;
  return out;
}

void HslToRgb(const Hsl& hsl, double* r, double* g, double* b) {
  const double l = hsl.l;
  const double s = hsl.s;
  const double v = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  if (v <= 0.0) {
    *r = *g = *b = 0.0;
    return;
  }
  const double m = l + l - v;
  const double sv = (v - m) / v;
  const double h6 = hsl.h * 6.0;
  int sextant = static_cast<int>(h6);
  double fract = h6 - sextant;
  if (sextant >= 6) {  // hue 1 is hue 0
    sextant = 0;
    fract = 0.0;
  }
  const double vsf = v * sv * fract;
  const double mid1 = m + vsf;
  const double mid2 = v - vsf;
  switch (sextant) {
    case 0: *r = v; *g = mid1; *b = m; break;
    case 1: *r = mid2; *g = v; *b = m; break;
    case 2: *r = m; *g = v; *b = mid1; break;
    case 3: *r = m; *g = mid2; *b = v; break;
    case 4: *r = mid1; *g = m; *b = v; break;
    default: *r = v; *g = m; *b = mid2; break;
  }
}
