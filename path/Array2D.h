// A width x height array over Array1D: element (x, y) is element
// width * y + x of the inner array, with the inner array's index check.
#pragma once

#include <cstdint>
#include <limits>
#include <new>

#include "path/Array1D.h"

template <typename T>
class Array2D {
 public:
  Array2D() = default;
  virtual ~Array2D() = default;

  // A width x height beyond the inner array's int32 count cannot be held:
  // std::bad_alloc, as for any allocation that fails.
  void Resize(int32_t width, int32_t height, const T& fill = T()) {
    const int64_t count = width < 1 || height < 1 ? 0 : int64_t{width} * height;
    if (count > std::numeric_limits<int32_t>::max()) throw std::bad_alloc();
    cells_.Resize(static_cast<int32_t>(count), fill);
    width_ = width;
    height_ = height;
  }

  T& operator()(int32_t x, int32_t y) { return cells_[width_ * y + x]; }
  const T& operator()(int32_t x, int32_t y) const { return cells_[width_ * y + x]; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  Array1D<T> cells_;
  int32_t width_ = 0;
  int32_t height_ = 0;
};
