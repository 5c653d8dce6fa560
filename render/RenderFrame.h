// The frame pipeline: reads the frame's settings and dots, then draws the
// stroke along the path or one of the two gradient views into the output.
// Failures are thrown (AEException, std::bad_alloc, std::out_of_range).
#pragma once

#include "host/sdk/EffectCallbacks.h"

void RenderFrame8(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output);
void RenderFrame16(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                   PF_LayerDef* output);
