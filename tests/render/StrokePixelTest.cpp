// A straight stroke rendered through dispatch, checked pixel by pixel against
// the placement, gradient, falloff and blend formulas.
#include <gtest/gtest.h>

#include "render/FrameHarness.h"
#include "render/Formulas.h"

namespace {

// "RGB (linear)" over the three default dots (red 20 %, green 50 %, blue 80 %).
PF_Pixel16 LinearGradient(double p) {
  const double pos[3] = {20.0 * 0.01, 50.0 * 0.01, 80.0 * 0.01};
  const PF_Pixel16 dot[3] = {{32768, 32768, 0, 0}, {32768, 0, 32768, 0}, {32768, 0, 0, 32768}};
  if (p <= pos[0]) return dot[0];
  if (p >= pos[2]) return dot[2];
  const int i = p > pos[1] ? 1 : 0;
  const auto w = static_cast<uint32_t>((p - pos[i]) / (pos[i + 1] - pos[i]) * 32768.0 + 0.5);
  const auto mix = [w](uint32_t a, uint32_t b) {
    return static_cast<A_u_short>((b * w + a * (32768u - w)) >> 15);
  };
  const PF_Pixel16 &a = dot[i], &b = dot[i + 1];
  return {mix(a.alpha, b.alpha), mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
}

template <typename P>
void CheckHorizontalStroke(int renderingStyle) {
  constexpr bool kDeep = sizeof(P) == 8;
  harness::Frame frame(200, 16, kDeep);
  harness::FillPattern<P>(frame.Input());
  // y = 0 from x = -100 to 300, handles on the line: pixel (x, y) lies y + 0.5 away.
  frame.ActivatePoint(1, -100, 0, -200, 0);
  frame.ActivatePoint(2, 300, 0, 200, 0);
  frame.Params().SetCheckbox(param::kShowPath, false);
  frame.Params().SetPopup(param::kGradientInterpolation, 1);
  frame.Params().SetPopup(param::kRenderingStyle, renderingStyle);
  ASSERT_EQ(frame.Render(), PF_Err_NONE);

  const double h = 20.0 * 0.5;  // "Line Width" 20
  using C = decltype(P{}.alpha);
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      P b{static_cast<C>(kDeep ? 32768 : 255), 0, 0, 0};
      if (renderingStyle == 2) b = *PixelAt<P>(*frame.Input(), x, y);
      if (renderingStyle == 3) b = P{0, 0, 0, 0};
      const double d = y + 0.5;
      const P expected =
          d > h ? b
                : formulas::Blend(formulas::InDepth<P>(LinearGradient(d / h)),
                                  formulas::Falloff(d, h, 20.0 / 100.0), b);
      ASSERT_TRUE(harness::SamePixel(*PixelAt<P>(*frame.Output(), x, y), expected)) << x << "," << y;
    }
  }
}

class HorizontalStrokeTest : public ::testing::TestWithParam<int> {};

TEST_P(HorizontalStrokeTest, EightBit) { CheckHorizontalStroke<PF_Pixel>(GetParam()); }
TEST_P(HorizontalStrokeTest, SixteenBit) { CheckHorizontalStroke<PF_Pixel16>(GetParam()); }

// "Draw on Black", "Draw on Image", "Draw on Clear".
INSTANTIATE_TEST_SUITE_P(RenderingStyles, HorizontalStrokeTest, ::testing::Values(1, 2, 3));

}  // namespace
