// Writes a fixed colour into the pixels it is given. Plot does not test the
// coordinates: the drivers keep inside the world.
#pragma once

#include "Common/PixelTraits.h"
#include "Common/ScanCallBack.h"

template <typename P>
class TmpScanCallBack final : public ScanCallBack {
 public:
  TmpScanCallBack(const P& color, PF_EffectWorld* world) : color_(color), world_(world) {}

  // Rounds by + 0.5 and truncation toward zero, as the drawing code expects
  // (-0.7 plots 0, not -1).
  void Visit(double x, double y) override {
    Plot(static_cast<int>(x + 0.5), static_cast<int>(y + 0.5));
  }
  void Plot(int x, int y) override { *PixelAt<P>(*world_, x, y) = color_; }
  bool Query(int, int) override { return false; }

 private:
  P color_;
  PF_EffectWorld* world_;
};
