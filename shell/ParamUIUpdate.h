// Keeps the "Point" and "Handle" controls of each point group enabled exactly
// while the group's "Activate" checkbox is ticked, through the host's
// PF_UpdateParamUI. Runs on a user change of a supervised control and on the
// host's request to bring the whole interface up to date.
#pragma once

#include "host/sdk/EffectCallbacks.h"

class SuiteCache;

// The changed index for an update of every group.
inline constexpr PF_ParamIndex kAllGroups = -1;

// Updates the six point groups in order (point layout only). Nothing is
// reported: a group that fails ends the update quietly. Always PF_Err_NONE.
PF_Err ParamUIUpdate(PF_InData* in_data, PF_ParamDef* params[], PF_ParamIndex changed);

// Updates the group whose header is at `header` when `changed` is its
// "Activate" (header + 1) or kAllGroups; returns the host's answer. Throws
// SuiteNotFound when the suite cannot be had, std::bad_alloc when the working
// copy cannot be allocated.
PF_Err UpdatePointGroup(PF_InData* in_data, PF_ParamDef* params[], int header,
                        PF_ParamIndex changed, SuiteCache& suites);
