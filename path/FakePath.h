// The path source made of the effect's own point groups: the active points in
// order, plus a copy of the first at the end when the path is closed.
#pragma once

#include <cstdint>
#include <vector>

#include "path/PathObject.h"
#include "path/PathPoint.h"

class FakePath : public PathObject {
 public:
  FakePath(std::vector<PathPoint> points, bool open);
  ~FakePath() override = default;

  bool Checkout() override;
  bool IsOpen() override;
  int32_t NumSegments() override;
  int32_t NumVertices() override;
  // Throws std::out_of_range for an index outside the point list.
  PF_PathVertex& GetVertex(PF_PathVertex& out, int32_t index) override;

  // The path's points in order (closing copy included), for the overlay.
  const std::vector<PathPoint>& Points() const { return points_; }

 private:
  bool open_;
  std::vector<PathPoint> points_;
};
