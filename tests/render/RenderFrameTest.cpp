#include "render/RenderFrame.h"

#include <gtest/gtest.h>

#include "render/FrameHarness.h"

namespace {

// The vertical view of 640 x 480 is the horizontal view of 480 x 640 turned a
// quarter clockwise: output (639 - y, x) = turned (x, y); the turned world's
// top row becomes the rightmost column.
template <typename P>
void CheckVerticalView() {
  harness::Frame vertical(640, 480, sizeof(P) == 8);
  vertical.Params().SetPopup(param::kOutputView, param::kViewGradientVertical);
  ASSERT_EQ(vertical.Render(), PF_Err_NONE);
  harness::Frame turned(480, 640, sizeof(P) == 8);
  turned.Params().SetPopup(param::kOutputView, param::kViewGradientHorizontal);
  ASSERT_EQ(turned.Render(), PF_Err_NONE);
  for (A_long y = 0; y < 640; ++y) {
    for (A_long x = 0; x < 480; ++x) {
      ASSERT_TRUE(harness::SamePixel(*PixelAt<P>(*vertical.Output(), 639 - y, x),
                                     *PixelAt<P>(*turned.Output(), x, y)))
          << x << "," << y;
    }
  }
  EXPECT_EQ(vertical.Host().LiveWorlds(), 0);  // the temporary world was released
}

TEST(RenderFrameVerticalView, EightBit) { CheckVerticalView<PF_Pixel>(); }
TEST(RenderFrameVerticalView, SixteenBit) { CheckVerticalView<PF_Pixel16>(); }

}  // namespace
