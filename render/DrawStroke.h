// Stroke drawing for the "Normal" view: lays down the background of
// "Rendering Style", shades every pixel of the stroke's bounds column by
// column (polling the host's abort and progress after each column),
// composites with the input layer and draws the path overlay.
#pragma once

#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectCallbacks.h"

// settings.path is non-null; input and output have the same size and depth.
void DrawStroke8(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* input,
                 PF_EffectWorld* output);
void DrawStroke16(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* input,
                  PF_EffectWorld* output);
