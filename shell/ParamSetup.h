// Parameter set-up: registers every control with the host, in order, with its
// stored identifier, flags, defaults and range. In the point layout that is
// 112 entries (num_params 113 with the input layer); in the dormant mask
// layout a "Path" control replaces "Show Path?" and everything from "Path
// Points" on is left out (num_params 79).
#pragma once

#include "host/sdk/EffectCallbacks.h"

// Stops at the first add_param that fails and returns its code; num_params is
// set only on success. The layout is the one HostInfo's PathMode names.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data);

// Default position of point k (1..6) and of its handle, in the unit square,
// before conversion to percent.
struct PointDefaultPair {
  double pointX, pointY;
  double handleX, handleY;
};
PointDefaultPair PointDefaultPosition(int k);
