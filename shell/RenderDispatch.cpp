#include "shell/RenderDispatch.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "Common/AEException.h"
#include "render/RenderFrame.h"

namespace {

void SetReturnMessage(PF_OutData* out_data, const char* message) {
  std::strncpy(out_data->return_msg, message, PF_MAX_EFFECT_MSG_LEN);
  out_data->return_msg[PF_MAX_EFFECT_MSG_LEN] = '\0';
}

}  // namespace

PF_Err RenderDispatch(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                      PF_LayerDef* output) {
  return RenderDispatchWith(FramePipelines{RenderFrame8, RenderFrame16}, in_data, out_data,
                            params, output);
}

PF_Err RenderDispatchWith(const FramePipelines& pipelines, PF_InData* in_data,
                          PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output) {
  try {
    if ((output->world_flags & PF_WorldFlag_DEEP) != 0) {
      pipelines.render16(in_data, out_data, params, output);
    } else {
      pipelines.render8(in_data, out_data, params, output);
    }
    return PF_Err_NONE;
  } catch (const AEException& e) {
    // A user abort (and a "failure" without a code) leaves the message alone.
    if (e.Code() != PF_Err_NONE && e.Code() != PF_Interrupt_CANCEL) {
      SetReturnMessage(out_data, e.Message());
    }
    return e.Code();
  } catch (const std::out_of_range&) {
    SetReturnMessage(out_data, "Array Index Error");
    return 1;
  } catch (const std::bad_alloc&) {
    SetReturnMessage(out_data, "Out of Memory");
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    SetReturnMessage(out_data, "Unknown Error");
    return 1;
  }
}
