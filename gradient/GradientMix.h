// The three ways of mixing two gradient colours at t in [0, 1], and the HSL
// conversions behind the third. Channels are 16-bit, full scale 32768.
#pragma once

#include "host/sdk/EffectTypes.h"

// "RGB (linear)": integer weight trunc(t * 32768 + 0.5), mix shifted by 15.
PF_Pixel16 MixLinear(const PF_Pixel16& c1, const PF_Pixel16& c2, double t);
// "RGB (preserve lum)": linear mix rescaled to the mixed Euclidean RGB length.
PF_Pixel16 MixPreserveLum(const PF_Pixel16& c1, const PF_Pixel16& c2, double t);
// "HSL": hue, saturation and lightness mixed as plain numbers.
PF_Pixel16 MixHsl(const PF_Pixel16& c1, const PF_Pixel16& c2, double t);

struct Hsl {
  double h;
  double s;
  double l;
};

// r, g, b in [0, 1]. An achromatic colour gets hue 0; black also saturation 0.
Hsl RgbToHsl(double r, double g, double b);
void HslToRgb(const Hsl& hsl, double* r, double* g, double* b);
