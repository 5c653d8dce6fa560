// Passes on to another scan callback only the pixels that lie inside a world,
// so that a triangle reaching beyond the world's edge is clipped pixel by pixel.
#pragma once

#include <cstdint>

#include "Common/ScanCallBack.h"

class ClippedScanCallBack final : public ScanCallBack {
 public:
  ClippedScanCallBack(ScanCallBack& inner, int32_t width, int32_t height)
      : inner_(inner), width_(width), height_(height) {}

  // Rounds as the pixel-writing callbacks do (+ 0.5, truncation toward zero).
  void Visit(double x, double y) override {
    Plot(static_cast<int>(x + 0.5), static_cast<int>(y + 0.5));
  }
  void Plot(int x, int y) override {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) {
      inner_.Plot(x, y);
    }
  }
  bool Query(int, int) override { return false; }

 private:
  ScanCallBack& inner_;
  int32_t width_;
  int32_t height_;
};
