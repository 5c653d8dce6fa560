// The process-wide record of the host running the effect, refreshed by the
// host probe at the start of every command. Written without a lock: within one
// host process every call writes the same values.
#pragma once

#include "host/sdk/EffectCallbacks.h"

// Which path layout is in force: a layer mask through the host's path suites
// (dormant) or the six point groups.
enum class PathLayout { kMask, kPoint };

struct HostInfo {
  A_long appId = 0;  // four-character code, first character in the top byte
  A_short versionMajor = 0;
  A_short versionMinor = 0;
  bool hasFileImportManager = false;
  PathLayout PathMode = PathLayout::kMask;
};

// Four-character codes compared as 32-bit integers.
constexpr A_long kAppIdKeyG = 0x4B657947;  // 'KeyG'
constexpr A_long kAppIdPrMr = 0x50724D72;  // 'PrMr'

HostInfo& GetHostInfo();

// Global set-up selects the point layout; tests select either.
void SetPathMode(PathLayout mode);

// Refreshes the record from in_data; never fails. The file-import suite is
// looked up only for versions with major >= 12 and minor >= 10.
void ProbeHost(const PF_InData* in_data);

// Puts the record back to its state at load (tests).
void ResetHostInfo();
