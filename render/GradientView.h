// The gradient preview: a bar showing the colours from position 0 to 1, with a
// marker above it for every colour dot, on a black frame.
#pragma once

#include <cstdint>

#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectCallbacks.h"

// Where the picture goes in a world of the given size. Bounds are inclusive.
struct GradientViewLayout {
  int32_t panelLeft, panelRight, panelTop, panelBottom;
  int32_t barLeft, barRight, barTop, barBottom;
  int32_t markerHeight;     // k
  int32_t markerHalfWidth;  // k / 2
};

GradientViewLayout LayoutGradientView(int32_t width, int32_t height);

// Column of a dot marker's apex for a dot at `position` (0..1).
int32_t MarkerApexX(const GradientViewLayout& layout, double position);

// Gradient position shown by column x inside the bar's outline.
double BarColumnPosition(const GradientViewLayout& layout, int32_t x);

// Draw the view into `world` (only settings.gradient is used).
void DrawGradientView8(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* world);
void DrawGradientView16(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* world);
