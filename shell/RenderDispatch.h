// The handler of the render command: runs the frame pipeline of the output's
// depth and turns every failure it throws into a host error code and message.
#pragma once

#include "host/sdk/EffectCallbacks.h"

// The two frame pipelines render dispatch chooses between.
using FramePipeline = void (*)(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                               PF_LayerDef* output);

struct FramePipelines {
  FramePipeline render8;
  FramePipeline render16;
};

// PF_WorldFlag_DEEP on the output selects RenderFrame16, otherwise RenderFrame8.
// Returns PF_Err_NONE, or the code of the failure with out_data->return_msg set
// as the error table says.
PF_Err RenderDispatch(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                      PF_LayerDef* output);

// The same with the pipelines given, so that the error table can be exercised.
PF_Err RenderDispatchWith(const FramePipelines& pipelines, PF_InData* in_data,
                          PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
