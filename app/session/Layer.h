// An image held in memory, at 8 or 16 bits per channel, in the
// host's channel order and scale (16-bit full scale is 32768).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/sdk/EffectTypes.h"

namespace app {

struct Layer {
  int width = 0;
  int height = 0;
  bool deep = false;
  std::vector<PF_Pixel> pixels8;     // used when !deep, row-major
  std::vector<PF_Pixel16> pixels16;  // used when deep, row-major

  static Layer Make(int width, int height, bool deep);
  PF_Pixel& At8(int x, int y) { return pixels8[Offset(x, y)]; }
  PF_Pixel16& At16(int x, int y) { return pixels16[Offset(x, y)]; }
  const PF_Pixel& At8(int x, int y) const { return pixels8[Offset(x, y)]; }
  const PF_Pixel16& At16(int x, int y) const { return pixels16[Offset(x, y)]; }

 private:
  std::size_t Offset(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  }
};

// The layer at the other depth, by the effect's own 8<->16 rules; the same
// layer when the depth already matches.
Layer ConvertLayerDepth(const Layer& layer, bool deep);

// Copies the layer into a world of the same size and depth.
void CopyLayerToWorld(const Layer& layer, PF_EffectWorld& world);

}  // namespace app
