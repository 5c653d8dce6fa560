// The blend functions B(Cb, Cs) behind the embedded host's transfer modes, on
// straight colour channels in [0, 1] (Cb the backdrop, Cs the source).
#pragma once

namespace embedded {

struct Rgb {
  double r;
  double g;
  double b;
};

// Separable modes: one channel at a time.
double BlendNormal(double cb, double cs);
double BlendMultiply(double cb, double cs);
double BlendScreen(double cb, double cs);
double BlendOverlay(double cb, double cs);
double BlendDarken(double cb, double cs);
double BlendLighten(double cb, double cs);
double BlendColorDodge(double cb, double cs);
double BlendColorBurn(double cb, double cs);
double BlendHardLight(double cb, double cs);
double BlendSoftLight(double cb, double cs);
double BlendDifference(double cb, double cs);
double BlendExclusion(double cb, double cs);
double BlendAdd(double cb, double cs);
double BlendClassicColorDodge(double cb, double cs);
double BlendClassicColorBurn(double cb, double cs);
double BlendLinearLight(double cb, double cs);
double BlendVividLight(double cb, double cs);
double BlendPinLight(double cb, double cs);

// Non-separable modes: the whole colour at once, with luminosity
// 0.3 R + 0.59 G + 0.11 B.
Rgb BlendHue(const Rgb& cb, const Rgb& cs);
Rgb BlendSaturation(const Rgb& cb, const Rgb& cs);
Rgb BlendColor(const Rgb& cb, const Rgb& cs);
Rgb BlendLuminosity(const Rgb& cb, const Rgb& cs);

}  // namespace embedded
