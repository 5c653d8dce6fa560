// The frame pipeline's reading of the parameters into the settings record
// and the colour dots.
#pragma once

#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectCallbacks.h"

// Reads the frame's settings; path and gradient stay null.
StrokeSettings ReadStrokeSettings(const PF_InData* in_data, PF_ParamDef* params[],
                                  bool inputIsDeep);
// Reads the colour dot whose group header is at headerIndex.
ColorDot ReadColorDot(PF_ParamDef* params[], int headerIndex);
