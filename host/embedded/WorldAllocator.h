// Pixel storage of the embedded host's worlds: rows 16-byte aligned, rowbytes
// a multiple of 16 and at least width x pixel size. Sizes are checked against
// the largest world the host accepts.
#pragma once

#include "host/sdk/EffectTypes.h"

namespace embedded {

// Widest and tallest world the host accepts, as the hosts this stands in for.
constexpr A_long kMaxWorldDimension = 30000;

// Why a world of this size cannot be made, or null when it can. The text
// names the limit.
const char* WorldSizeProblem(A_long width, A_long height);

// Fills *world with a fresh buffer (pixels not cleared; in builds without
// NDEBUG they hold the pattern 0xCD) and the given flags; extent_hint is the
// whole world. False when the memory cannot be had; the size must already be
// valid.
bool AllocateWorldPixels(A_long width, A_long height, bool deep, PF_WorldFlags flags,
                         PF_EffectWorld* world);

void FreeWorldPixels(PF_EffectWorld* world);

}  // namespace embedded
