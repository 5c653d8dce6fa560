// Stores visited points at the next index of a list sized by the caller and
// keeps their bounding box; used to flatten a centre line into a polygon.
#pragma once

#include <cstdint>

#include "Common/ScanCallBack.h"
#include "Common/Vec2d.h"
#include "path/Array1D.h"

class LListMakerCallback final : public ScanCallBack {
 public:
  explicit LListMakerCallback(Array1D<Vec2d>* points) : points_(points) {}

  // Widens the box, then stores the point; a full list throws the list's
  // "Index out of Range" (the box already includes the point).
  void Visit(double x, double y) override;
  void Plot(int, int) override {}
  bool Query(int, int) override { return false; }

  int32_t Count() const { return count_; }
  double MaxX() const { return maxX_; }
  double MinX() const { return minX_; }
  double MaxY() const { return maxY_; }
  double MinY() const { return minY_; }

 private:
  Array1D<Vec2d>* points_;
  int32_t count_ = 0;
  double maxX_ = 0.0;
  double minX_ = 0.0;
  double maxY_ = 0.0;
  double minY_ = 0.0;
};
