// The path source seen by the renderer: the point path and the mask path both
// deliver their vertices through these six slots, in this order.
// Vertices 0 ... NumSegments() are valid; for a closed path the last of them
// repeats the first.
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"

class PathObject {
 public:
  virtual ~PathObject() = default;
  // Makes the path available for this render; false when there is none, and
  // the stroke is then skipped.
  virtual bool Checkout() = 0;
  virtual bool IsOpen() = 0;
  virtual int32_t NumSegments() = 0;
  virtual int32_t NumVertices() = 0;
  // Fills `out` with vertex `index` and returns it.
  virtual PF_PathVertex& GetVertex(PF_PathVertex& out, int32_t index) = 0;

 protected:
  PathObject() = default;
  PathObject(const PathObject&) = default;
  PathObject& operator=(const PathObject&) = default;
};
