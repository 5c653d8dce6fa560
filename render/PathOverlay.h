// The path overlay of "Show Path?": the point path's curves and, at each point,
// its anchor, its handle and the mirrored handle, written in one colour.
#pragma once

#include <cstdint>

#include "Common/AEWorld.h"
#include "Common/DepthColor.h"
#include "host/sdk/EffectTypes.h"

class FakePath;

// Side of a square marker: trunc(0.5 + 6 * mean downsample), 6 without in_data.
int32_t SquareMarkerSize(const PF_InData* in_data);

// A filled s x s block with its top-left corner at (x - s/2, y - s/2), or a
// hollow square of four lines from -s/2 to +s/2; clipped to the world.
void DrawSquareMarker(AEWorld& world, const DepthColor& color, int32_t x, int32_t y,
                      bool filled);

// Line from the handle to its mirror, filled squares at the point and the
// handle, a hollow square at the mirror (coordinates truncated toward zero).
void DrawHandleDecoration(AEWorld& world, const DepthColor& color, const PF_PathVertex& vertex);

// Every curve of the point list first, then the decoration of each point (the
// closing copy of a closed path is not decorated twice).
void DrawPathOverlay(FakePath& path, AEWorld& world, const DepthColor& color);
