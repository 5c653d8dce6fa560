// An integer pixel box whose four bounds are all inclusive: pixel (x, y) is in
// it when xMin <= x <= xMax and yMin <= y <= yMax.
#pragma once

#include <cstdint>

struct BBox {
  int32_t xMin = 0;
  int32_t xMax = 0;
  int32_t yMin = 0;
  int32_t yMax = 0;

  bool Contains(int32_t x, int32_t y) const {
    return x >= xMin && x <= xMax && y >= yMin && y <= yMax;
  }
};
