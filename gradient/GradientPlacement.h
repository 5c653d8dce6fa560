// Where a point at distance d from the stroke's centre line falls on the
// gradient: position 0 on the centre line, 1 at the edge, folded by the
// repeats, the offset and the repeat style.
#pragma once

#include <cstdint>

#include "gradient/StrokeSettings.h"

// Folds a raw position into [0, 1] with period 1: style 1 reflects, any
// other style repeats. Values already in [0, 1] are kept (1 stays 1).
double FoldGradientPosition(double x, int32_t repeatStyle);

// (d / halfWidth) * repeats + gradientOffset, folded by repeatStyle.
double PlaceOnGradient(const StrokeSettings& settings, double distance);
