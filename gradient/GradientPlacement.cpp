#include "gradient/GradientPlacement.h"

#include <cmath>

// std::fmod keeps the sign of x (the quotient is truncated toward zero).
double FoldGradientPosition(double x, int32_t repeatStyle) {
  if (x >= 0.0 && x <= 1.0) {
    return x;  // 1 stays 1: the stroke's edge is the gradient's end, not its start
  }
  if (repeatStyle == 1) {
    // Reflect: a triangle wave of period 2, symmetric about 0.
    const double m = std::fmod(std::fabs(x), 2.0);
    return m <= 1.0 ? m : 2.0 - m;
  }
  const double m = std::fmod(x, 1.0);
  return m < 0.0 ? m + 1.0 : m;
}

double PlaceOnGradient(const StrokeSettings& settings, double distance) {
  const double x = (distance / settings.halfWidth) * settings.repeats + settings.gradientOffset;
  return FoldGradientPosition(x, settings.repeatStyle);
}
