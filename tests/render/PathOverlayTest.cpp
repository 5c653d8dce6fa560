#include "render/PathOverlay.h"

#include <gtest/gtest.h>

#include "render/FrameHarness.h"

namespace {

struct SquareCase {
  A_long den;  // downsample 1/den in both directions
  int32_t x, y;
  bool filled;
  int32_t left, top, right, bottom;  // the square's extent, clipped to 40 x 30
};

class SquareTest : public ::testing::TestWithParam<SquareCase> {};

TEST_P(SquareTest, FilledBlockOrHollowRingClippedToTheWorld) {
  const SquareCase c = GetParam();
  harness::Frame frame(40, 30, false);
  frame.Host().SetDownsample({1, static_cast<A_u_long>(c.den)}, {1, static_cast<A_u_long>(c.den)});
  for (A_long y = 0; y < 30; ++y) {
    for (A_long x = 0; x < 40; ++x) *PixelAt<PF_Pixel>(*frame.Output(), x, y) = PF_Pixel{0, 0, 0, 0};
  }
  AEWorld world(frame.InData(), frame.Output(), false);
  const PF_Pixel ink{255, 250, 120, 10};
  DrawSquareMarker(world, DepthColor::From8(ink), c.x, c.y, c.filled);
  for (A_long y = 0; y < 30; ++y) {
    for (A_long x = 0; x < 40; ++x) {
      const bool inBox = x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
      const bool onEdge = x == c.x - (c.right - c.left) / 2 || x == c.right ||
                          y == c.y - (c.bottom - c.top) / 2 || y == c.bottom;
      const bool want = inBox && (c.filled || onEdge);
      EXPECT_EQ(harness::SamePixel(*PixelAt<PF_Pixel>(*frame.Output(), x, y), ink), want)
          << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Squares, SquareTest,
                         ::testing::Values(SquareCase{1, 20, 15, true, 17, 12, 22, 17},    // 6 x 6
                                           SquareCase{1, 20, 15, false, 17, 12, 23, 18},   // -3..+3
                                           SquareCase{2, 20, 15, true, 19, 14, 21, 16},    // 3 x 3
                                           SquareCase{2, 20, 15, false, 19, 14, 21, 16},   // -1..+1
                                           SquareCase{1, 1, 1, true, 0, 0, 3, 3}));        // clipped

}  // namespace
