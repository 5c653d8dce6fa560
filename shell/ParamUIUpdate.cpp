#include "shell/ParamUIUpdate.h"

#include <cstring>

#include "Common/MemoryWrappers.h"
#include "Common/SuiteCache.h"
#include "Common/ParamIndex.h"
#include "render/HostInfo.h"

namespace {

constexpr int kGroupSize = param::kPointStride;

void SetDisabled(PF_ParamDef& def, bool disabled) {
  if (disabled) {
    def.ui_flags |= PF_PUI_DISABLED;
  } else {
    def.ui_flags &= ~static_cast<PF_ParamUIFlags>(PF_PUI_DISABLED);
  }
}

}  // namespace

PF_Err UpdatePointGroup(PF_InData* in_data, PF_ParamDef* params[], int header,
                        PF_ParamIndex changed, SuiteCache& suites) {
  // The working copy: the group's five definitions as the host passed them.
  MemHolder holder(MemoryWrappers::Allocate(kGroupSize * sizeof(PF_ParamDef)));
  auto* copy = static_cast<PF_ParamDef*>(holder.Get());
  for (int k = 0; k < kGroupSize; ++k) {
    std::memcpy(&copy[k], params[header + k], sizeof(PF_ParamDef));
  }
  if (changed != header + param::kPointActivate && changed != kAllGroups) {
    return PF_Err_NONE;  // the change concerns another control
  }

  const bool active = params[header + param::kPointActivate]->u.bd.value != 0;
  const PF_ParamUtilsSuite1* paramUtils = suites.ParamUtilsSuite();
  PF_ParamDef& point = copy[param::kPointPosition];
  PF_ParamDef& handle = copy[param::kPointHandle];

  SetDisabled(point, !active);
  PF_Err err = paramUtils->PF_UpdateParamUI(in_data->effect_ref,
                                            header + param::kPointPosition, &point);
  SetDisabled(handle, !active);
  if (err != PF_Err_NONE) {
    return err;
  }
  return paramUtils->PF_UpdateParamUI(in_data->effect_ref, header + param::kPointHandle,
                                      &handle);
}

PF_Err ParamUIUpdate(PF_InData* in_data, PF_ParamDef* params[], PF_ParamIndex changed) {
  try {
    SuiteCache suites(in_data->pica_basicP);
    if (GetHostInfo().PathMode == PathLayout::kPoint) {
      for (int k = 1; k <= param::kPointCount; ++k) {
        // One group's failure does not keep the others from their update.
        UpdatePointGroup(in_data, params, param::PointHeader(k), changed, suites);
      }
    }
  } catch (...) {
    // A missing suite or memory ends the update quietly; the cache and the
    // working copy are released on the way out.
  }
  return PF_Err_NONE;
}
