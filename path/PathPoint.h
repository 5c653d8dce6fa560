// One "Point" group of the parameters turned into a smooth path vertex: the
// incoming handle is the user's "Handle" and the outgoing handle its mirror
// image through the point.
#pragma once

#include <cstdint>
#include <vector>

#include "host/sdk/EffectTypes.h"

struct PathPoint {
  int32_t baseIndex = 0;
  bool active = false;
  PF_PathVertex vertex{};

  // Reads the group whose first parameter is params[baseIndex]: Activate at
  // +1, Point at +2, Handle at +3 (16.16 pixels).
  static PathPoint Read(PF_ParamDef* params[], int32_t baseIndex);
};

// The six point groups, in order, whether active or not.
std::vector<PathPoint> ReadPathPoints(PF_ParamDef* params[]);
