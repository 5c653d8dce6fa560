#include "render/RenderFrame.h"

#include <gtest/gtest.h>

#include "render/FrameHarness.h"
#include "shell/RenderDispatch.h"

namespace {

template <typename P>
void CheckVerticalView() {
  constexpr bool kDeep = sizeof(P) == 8;
  // The vertical view of 640 x 480 is the horizontal view of 480 x 640 turned
  // a quarter clockwise: output (639 - y, x) = turned (x, y).
  harness::Frame vertical(640, 480, kDeep);
  vertical.Params().SetPopup(param::kOutputView, param::kViewGradientVertical);
  harness::FillPixels<P>(vertical.Output(), P{1, 2, 3, 4});
  ASSERT_EQ(RenderDispatch(vertical.InData(), vertical.OutData(), vertical.Params().Get(),
                           vertical.Output()),
            PF_Err_NONE);
  harness::Frame turned(480, 640, kDeep);
  turned.Params().SetPopup(param::kOutputView, param::kViewGradientHorizontal);
  ASSERT_EQ(RenderDispatch(turned.InData(), turned.OutData(), turned.Params().Get(),
                           turned.Output()),
            PF_Err_NONE);
  for (A_long y = 0; y < 640; ++y) {
    for (A_long x = 0; x < 480; ++x) {
      ASSERT_TRUE(harness::SamePixel(*PixelAt<P>(*vertical.Output(), 639 - y, x),
                                     *PixelAt<P>(*turned.Output(), x, y)))
          << "turned pixel " << x << "," << y;
    }
  }
  // The bar runs top to bottom: its outline (x 48..432 of the turned world's
  // columns) becomes output rows 48..432, its rows 291..359 output columns 348..280.
  const P white = *PixelAt<P>(*turned.Output(), 48, 291);
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(*vertical.Output(), 639 - 291, 48), white));
  EXPECT_EQ(vertical.Host().LiveWorlds(), 0);  // the temporary world is released
}

TEST(RenderFrameVerticalView, EightBit) { CheckVerticalView<PF_Pixel>(); }
TEST(RenderFrameVerticalView, SixteenBit) { CheckVerticalView<PF_Pixel16>(); }

TEST(RenderFrameViews, HorizontalViewIgnoresThePath) {
  harness::Frame frame(300, 200, false);
  for (int k = 1; k <= 6; ++k) frame.ActivateDefaultPoint(k);
  frame.Params().SetPopup(param::kOutputView, param::kViewGradientHorizontal);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  EXPECT_EQ(frame.Host().ProgressCalls(), 0);
  // Layout for 300 x 200: panel 0..299 x 40..160, bar 30..270 x 82..124.
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel>(*frame.Output(), 30, 82),
                                 PF_Pixel{255, 255, 255, 255}));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel>(*frame.Output(), 5, 5),
                                 PF_Pixel{255, 0, 0, 0}));
}

TEST(RenderFrameDots, AllDotsInactiveDrawsTransparentBlackOverTheLayer) {
  harness::Frame frame(120, 80, true);
  harness::FillPixels<PF_Pixel16>(frame.Input(), PF_Pixel16{20000, 30000, 10000, 5000});
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    frame.Params().SetCheckbox(param::ColorDotHeader(k) + param::kDotActivate, false);
  }
  frame.ActivatePoint(1, 10, 40, 0, 40);
  frame.ActivatePoint(2, 110, 40, 100, 40);
  frame.Params().SetCheckbox(param::kShowPath, false);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  // Colour (0, 0, 0, 0): w2 = 0, so the layer is flattened by its own alpha.
  const uint32_t a = 20000;
  const auto flat = [](uint32_t v, uint32_t alpha) {
    return static_cast<A_u_short>((((v * alpha) >> 15) * 32768u) >> 15);
  };
  const PF_Pixel16 want{static_cast<A_u_short>((a * 32768u) >> 15), flat(30000, a),
                        flat(10000, a), flat(5000, a)};
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 60, 40), want));
  // Far from the path the layer is untouched.
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 60, 5),
                                 PF_Pixel16{20000, 30000, 10000, 5000}));
}

TEST(RenderFrameOverlay, PathColourFollowsTheInputDepth) {
  harness::Frame frame(120, 80, true);
  harness::FillPixels<PF_Pixel16>(frame.Input(), PF_Pixel16{32768, 0, 0, 0});
  frame.ActivatePoint(1, 30, 40, 20, 40);
  frame.Params().SetColor(param::kPathColor, PF_Pixel{255, 255, 128, 0});
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  // The point's filled square, in the 16-bit form of the colour.
  const PF_Pixel16 want{32768, 32768, Convert8To16(128), 0};
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 27, 37), want));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 32, 42), want));
}

}  // namespace
