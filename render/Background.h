// The background the stroke is drawn over, by "Rendering Style": opaque
// black, the input layer, or clear. It is laid run by run straight into the
// output, so that different bands can lay different parts of it at once, and
// a pixel's background can be read before it is laid.
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"

template <typename P>
class Background {
 public:
  // input and output have the same size and depth.
  Background(int32_t renderingStyle, const PF_EffectWorld& input, PF_EffectWorld& output);

  int32_t Width() const { return output_.width; }
  int32_t Height() const { return output_.height; }
  // The background at (x, y).
  P At(int32_t x, int32_t y) const;
  // Lays it over columns [left, right] of row y of the output.
  void LayRun(int32_t y, int32_t left, int32_t right) const;
  // Stores p at (x, y) of the output.
  void Put(int32_t x, int32_t y, const P& p) const;
  // Lays it over rows [top, bottom] of column x of the output.
  void LayColumn(int32_t x, int32_t top, int32_t bottom) const;

 private:
  const PF_EffectWorld& input_;
  PF_EffectWorld& output_;
  bool copiesInput_;
  P fill_;
};

extern template class Background<PF_Pixel>;
extern template class Background<PF_Pixel16>;
