// A value with the position it came from, for sorting while remembering the
// original order (the polygon's y index pairs a point's y with its index).
#pragma once

#include <cstdint>

struct OrderVal {
  double value = 0.0;
  int32_t index = 0;
};
