#include "path/FakePath.h"

#include <cstddef>

FakePath::FakePath(std::vector<PathPoint> points, bool open) : open_(open) {
  for (const PathPoint& point : points) {
    if (point.active) points_.push_back(point);
  }
  // A closed path ends with a copy of its first point, so that the last
  // segment runs back to it.
  if (!open_ && points_.size() >= 2) {
    const PathPoint first = points_.front();
    points_.push_back(first);
  }
}

bool FakePath::Checkout() { return !points_.empty(); }

bool FakePath::IsOpen() { return open_; }

int32_t FakePath::NumSegments() { return static_cast<int32_t>(points_.size()) - 1; }

int32_t FakePath::NumVertices() { return static_cast<int32_t>(points_.size()); }

PF_PathVertex& FakePath::GetVertex(PF_PathVertex& out, int32_t index) {
  out = points_.at(static_cast<std::size_t>(index)).vertex;
  return out;
}
