// Each mode's formula is written above its function. The modes the W3C
// "Compositing and Blending" recommendation defines follow it; the others
// follow their usual published definitions.
#include "host/embedded/transfer/BlendFunctions.h"

#include <algorithm>
#include <cmath>

namespace embedded {

namespace {

double Clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

double Lum(const Rgb& c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b; }

// Pulls a colour whose channels left [0, 1] back in, keeping its luminosity.
Rgb ClipColor(Rgb c) {
  const double l = Lum(c);
  const double n = std::min({c.r, c.g, c.b});
  const double x = std::max({c.r, c.g, c.b});
  if (n < 0.0) {
    const double k = l / (l - n);
    c = Rgb{l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k};
  }
  if (x > 1.0) {
    const double k = (1.0 - l) / (x - l);
    c = Rgb{l + (c.r - l) * k, l + (c.g - l) * k, l + (c.b - l) * k};
  }
  return c;
}

Rgb SetLum(const Rgb& c, double l) {
  const double d = l - Lum(c);
  return ClipColor(Rgb{c.r + d, c.g + d, c.b + d});
}

double Sat(const Rgb& c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}); }

// Rescales the colour so that max - min = s, with min at 0.
Rgb SetSat(const Rgb& c, double s) {
  double ch[3] = {c.r, c.g, c.b};
  int hi = 0, lo = 0;
  for (int i = 1; i < 3; ++i) {
    if (ch[i] > ch[hi]) hi = i;
    if (ch[i] < ch[lo]) lo = i;
  }
  if (hi == lo) {  // all three equal: grey has no saturation to set
    return Rgb{0.0, 0.0, 0.0};
  }
  const int mid = 3 - hi - lo;
  double out[3];
  out[mid] = (ch[mid] - ch[lo]) * s / (ch[hi] - ch[lo]);
  out[hi] = s;
  out[lo] = 0.0;
  return Rgb{out[0], out[1], out[2]};
}

}  // namespace

// B = Cs
double BlendNormal(double /*cb*/, double cs) { return cs; }

// B = Cb * Cs
double BlendMultiply(double cb, double cs) { return cb * cs; }

// B = Cb + Cs - Cb * Cs
double BlendScreen(double cb, double cs) { return cb + cs - cb * cs; }

// B = HardLight(Cs, Cb): hard light with the layers swapped
double BlendOverlay(double cb, double cs) { return BlendHardLight(cs, cb); }

// B = min(Cb, Cs)
double BlendDarken(double cb, double cs) { return std::min(cb, cs); }

// B = max(Cb, Cs)
double BlendLighten(double cb, double cs) { return std::max(cb, cs); }

// B = 0 if Cb = 0; 1 if Cs = 1; else min(1, Cb / (1 - Cs))
double BlendColorDodge(double cb, double cs) {
  if (cb == 0.0) return 0.0;
  if (cs >= 1.0) return 1.0;
  return std::min(1.0, cb / (1.0 - cs));
}

// B = 1 if Cb = 1; 0 if Cs = 0; else 1 - min(1, (1 - Cb) / Cs)
double BlendColorBurn(double cb, double cs) {
  if (cb >= 1.0) return 1.0;
  if (cs <= 0.0) return 0.0;
  return 1.0 - std::min(1.0, (1.0 - cb) / cs);
}

// B = Multiply(Cb, 2Cs) if Cs <= 0.5, else Screen(Cb, 2Cs - 1)
double BlendHardLight(double cb, double cs) {
  if (cs <= 0.5) return BlendMultiply(cb, 2.0 * cs);
  return BlendScreen(cb, 2.0 * cs - 1.0);
}

// B = Cb - (1 - 2Cs) Cb (1 - Cb) if Cs <= 0.5, else Cb + (2Cs - 1)(D(Cb) - Cb),
// D(Cb) = ((16 Cb - 12) Cb + 4) Cb if Cb <= 0.25, else sqrt(Cb)
double BlendSoftLight(double cb, double cs) {
  if (cs <= 0.5) return cb - (1.0 - 2.0 * cs) * cb * (1.0 - cb);
  const double d = cb <= 0.25 ? ((16.0 * cb - 12.0) * cb + 4.0) * cb : std::sqrt(cb);
  return cb + (2.0 * cs - 1.0) * (d - cb);
}

// B = |Cb - Cs|
double BlendDifference(double cb, double cs) { return std::fabs(cb - cs); }

// B = Cb + Cs - 2 Cb Cs
double BlendExclusion(double cb, double cs) { return cb + cs - 2.0 * cb * cs; }

// B = min(1, Cb + Cs)
double BlendAdd(double cb, double cs) { return std::min(1.0, cb + cs); }

// B = 1 if Cs = 1, else min(1, Cb / (1 - Cs)); unlike the W3C dodge a black
// backdrop under a white source turns white
double BlendClassicColorDodge(double cb, double cs) {
  if (cs >= 1.0) return 1.0;
  return std::min(1.0, cb / (1.0 - cs));
}

// B = 0 if Cs = 0, else 1 - min(1, (1 - Cb) / Cs); unlike the W3C burn a white
// backdrop under a black source turns black
double BlendClassicColorBurn(double cb, double cs) {
  if (cs <= 0.0) return 0.0;
  return 1.0 - std::min(1.0, (1.0 - cb) / cs);
}

// B = clamp(Cb + 2Cs - 1, 0, 1)
double BlendLinearLight(double cb, double cs) { return Clamp01(cb + 2.0 * cs - 1.0); }

// B = ColorBurn(Cb, 2Cs) if Cs <= 0.5, else ColorDodge(Cb, 2Cs - 1)
double BlendVividLight(double cb, double cs) {
  if (cs <= 0.5) return BlendColorBurn(cb, 2.0 * cs);
  return BlendColorDodge(cb, 2.0 * cs - 1.0);
}

// B = min(Cb, 2Cs) if Cs <= 0.5, else max(Cb, 2Cs - 1)
double BlendPinLight(double cb, double cs) {
  if (cs <= 0.5) return std::min(cb, 2.0 * cs);
  return std::max(cb, 2.0 * cs - 1.0);
}

// B = SetLum(SetSat(Cs, Sat(Cb)), Lum(Cb))
Rgb BlendHue(const Rgb& cb, const Rgb& cs) { return SetLum(SetSat(cs, Sat(cb)), Lum(cb)); }

// B = SetLum(SetSat(Cb, Sat(Cs)), Lum(Cb))
Rgb BlendSaturation(const Rgb& cb, const Rgb& cs) { return SetLum(SetSat(cb, Sat(cs)), Lum(cb)); }

// B = SetLum(Cs, Lum(Cb))
Rgb BlendColor(const Rgb& cb, const Rgb& cs) { return SetLum(cs, Lum(cb)); }

// B = SetLum(Cb, Lum(Cs))
Rgb BlendLuminosity(const Rgb& cb, const Rgb& cs) { return SetLum(cb, Lum(cs)); }

}  // namespace embedded
