#include "shell/PluginEntry.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "Common/MemoryWrappers.h"
#include "render/HostInfo.h"
#include "shell/Descriptor.h"
#include "shell/ParamSetup.h"
#include "shell/ParamUIUpdate.h"
#include "shell/RenderDispatch.h"

namespace shell {

namespace {

constexpr int kBuildNumber = 14;
constexpr std::size_t kMessageCut = 254;

// On host 'KeyG' a low-quality render stands for a half-size one: the
// downsample factors are set to 1/2 for the command and put back afterwards,
// on every way out.
class LowQualityQuirk {
 public:
  explicit LowQualityQuirk(PF_InData* in_data) : in_data_(in_data) {
    if (in_data_ != nullptr && GetHostInfo().appId == kAppIdKeyG &&
        in_data_->quality == PF_Quality_LO) {
      applied_ = true;
      saved_x_ = in_data_->downsample_x;
      saved_y_ = in_data_->downsample_y;
      in_data_->downsample_x = {1, 2};
      in_data_->downsample_y = {1, 2};
    }
  }
  ~LowQualityQuirk() {
    if (applied_) {
      in_data_->downsample_x = saved_x_;
      in_data_->downsample_y = saved_y_;
    }
  }
  LowQualityQuirk(const LowQualityQuirk&) = delete;
  LowQualityQuirk& operator=(const LowQualityQuirk&) = delete;

 private:
  PF_InData* in_data_;
  bool applied_ = false;
  PF_RationalScale saved_x_{};
  PF_RationalScale saved_y_{};
};

PF_Err GlobalSetup(PF_OutData* out_data) {
  out_data->my_version = descriptor::kVersionWord;
  out_data->out_flags |= descriptor::kGlobalOutFlags;
  SetPathMode(PathLayout::kPoint);
  return PF_Err_NONE;
}

PF_Err About(PF_OutData* out_data) {
  WriteAboutText(out_data->return_msg, sizeof out_data->return_msg);
  return PF_Err_NONE;
}

PF_Err Dispatch(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
      return About(out_data);
    case PF_Cmd_GLOBAL_SETUP:
      return GlobalSetup(out_data);
    case PF_Cmd_PARAMS_SETUP:
      return ParamsSetup(in_data, out_data);
    case PF_Cmd_RENDER:
      return RenderDispatch(in_data, out_data, params, output);
    case PF_Cmd_USER_CHANGED_PARAM: {
      // Without the changed index no group can be the one that changed.
      const auto* changed = static_cast<const PF_UserChangedParamExtra*>(extra);
      return changed != nullptr ? ParamUIUpdate(in_data, params, changed->param_index)
                                : PF_Err_NONE;
    }
    case PF_Cmd_UPDATE_PARAMS_UI:
      return ParamUIUpdate(in_data, params, kAllGroups);
    default:
      return PF_Err_NONE;
  }
}

}  // namespace

const char* StageName(int stage) {
  switch (stage) {
    case PF_Stage_DEVELOP:
      return "Development";
    case PF_Stage_ALPHA:
      return "Alpha";
    case PF_Stage_BETA:
      return "Beta";
    default:
      return "Release";
  }
}

void WriteAboutText(char* out, std::size_t size) {
  char version[32];
  std::snprintf(version, sizeof version, "v%d.%d.%d.%d", descriptor::kMajorVersion,
                descriptor::kMinorVersion, descriptor::kFixVersion, descriptor::kBuildVersion);
  std::snprintf(out, size, "%s\n\nStage: %s\nVersion: %s\nBuildID: %d\n\n%s",
                descriptor::kEffectName, StageName(descriptor::kStage), version, kBuildNumber,
                kCredits);
}

void DecorateMessage(char* return_msg) {
  char scratch[2 * (PF_MAX_EFFECT_MSG_LEN + 1)];
  std::snprintf(scratch, sizeof scratch, "\n%s [ %s ]", descriptor::kEffectName, return_msg);
  std::strncpy(return_msg, scratch, PF_MAX_EFFECT_MSG_LEN);
  return_msg[kMessageCut] = '\0';
}

PF_Err PluginEntry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                   PF_LayerDef* output, void* extra) {
  PF_Err err = PF_Err_NONE;
  try {
    MemoryWrappers::CaptureCallbacks(in_data);
    ProbeHost(in_data);
    // The quirk's scope ends before the message is decorated and before any
    // handler below runs, so the host's factors are back on every way out.
    LowQualityQuirk quirk(in_data);
    err = Dispatch(cmd, in_data, out_data, params, output, extra);
  } catch (const std::bad_alloc&) {
    // Reported by its code alone; the message and flags stay as they were.
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    std::strcpy(out_data->return_msg, "Unknown internal error");
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  if (err != PF_Err_NONE && err != PF_Interrupt_CANCEL) {
    DecorateMessage(out_data->return_msg);
  }
  return err;
}

}  // namespace shell
