// Combines the drawn stroke in the output with the untouched input layer by
// "Composite with Original" (the share of the input layer in the result) and
// "Original Blend Transfer".
#pragma once

#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectCallbacks.h"

// "Normal" cross-fades through the host's blend; every other mode lays the
// stroke over the input layer through transfer_rect with opacity 1 - amount.
void CompositeWithOriginal(PF_InData* in_data, const StrokeSettings& settings,
                           const PF_EffectWorld& input, PF_EffectWorld& output);

// The 16.16 ratio handed to the host's blend for an amount in 0..1.
PF_Fixed CompositeBlendRatio(double amount);
