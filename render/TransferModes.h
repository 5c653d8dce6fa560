// The choices of "Original Blend Transfer": which list the host gets (15, 19
// or 25 entries, by its version and whether it offers the file-import suite)
// and the host transfer-mode code of each entry.
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"
#include "render/HostInfo.h"

// For the host of the latest probe.
int32_t TransferModeCount();
const char* TransferModeList();
// 0-based popup index to the host's transfer-mode code; -1 ("Normal", or an
// index outside the list).
PF_TransferMode TransferModeFromPopup(int32_t index);

// The same for a given host record.
int32_t TransferModeCount(const HostInfo& host);
const char* TransferModeList(const HostInfo& host);
PF_TransferMode TransferModeFromPopup(const HostInfo& host, int32_t index);
