// Whole frames through render dispatch, checked pixel by pixel against the
// placement, gradient, falloff and blend formulas written out here.
#include <gtest/gtest.h>

#include <cmath>

#include "render/FrameHarness.h"
#include "shell/RenderDispatch.h"

namespace {

// The three default dots: red at 20 %, green at 50 %, blue at 80 %, opaque.
struct Dot {
  double position;
  uint32_t a, r, g, b;
};
const Dot kDots[3] = {{20.0 * 0.01, 32768, 32768, 0, 0},
                      {50.0 * 0.01, 32768, 0, 32768, 0},
                      {80.0 * 0.01, 32768, 0, 0, 32768}};

// "RGB (linear)" over the three dots, wrap off.
PF_Pixel16 LinearGradient(double p) {
  const Dot* c1 = &kDots[0];
  const Dot* c2 = &kDots[1];
  if (p <= kDots[0].position) return {32768, 32768, 0, 0};
  if (p >= kDots[2].position) return {32768, 0, 0, 32768};
  if (c2->position < p) {
    c1 = &kDots[1];
    c2 = &kDots[2];
  }
  const double t = (p - c1->position) / (c2->position - c1->position);
  const auto w = static_cast<uint32_t>(t * 32768.0 + 0.5);
  const auto mix = [w](uint32_t x1, uint32_t x2) {
    return static_cast<A_u_short>((x2 * w + x1 * (32768u - w)) >> 15);
  };
  return {mix(c1->a, c2->a), mix(c1->r, c2->r), mix(c1->g, c2->g), mix(c1->b, c2->b)};
}

template <typename P>
P InDepth(const PF_Pixel16& c) {
  if constexpr (sizeof(P) == 8) {
    return c;
  } else {
    const auto to8 = [](uint32_t v) { return static_cast<A_u_char>((v * 255u + 16384u) >> 15); };
    return {to8(c.alpha), to8(c.red), to8(c.green), to8(c.blue)};
  }
}

template <typename P>
P Blend(const P& c, double weight, const P& b) {
  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  const int s = sizeof(P) == 4 ? 8 : 15;
  const auto w = static_cast<uint32_t>(weight * full);
  const uint32_t w2 = (w * c.alpha) >> s;
  using C = decltype(c.alpha);
  P r;
  r.alpha = static_cast<C>((full * w2 + b.alpha * (full - w2)) >> s);
  r.red = static_cast<C>((c.red * w2 + ((b.red * b.alpha) >> s) * (full - w2)) >> s);
  r.green = static_cast<C>((c.green * w2 + ((b.green * b.alpha) >> s) * (full - w2)) >> s);
  r.blue = static_cast<C>((c.blue * w2 + ((b.blue * b.alpha) >> s) * (full - w2)) >> s);
  return r;
}

struct StyleCase {
  int popup;  // "Rendering Style": 1 black, 2 image, 3 clear
  const char* name;
};

template <typename P>
void CheckHorizontalStroke(int renderingStyle) {
  constexpr bool kDeep = sizeof(P) == 8;
  harness::Frame frame(200, 16, kDeep);
  harness::FillPattern<P>(frame.Input());
  harness::FillPixels<P>(frame.Output(), P{1, 2, 3, 4});
  embedded::ParamArray& params = frame.Params();
  // y = 0 from x = -100 to 300, handles on the line: the curve is the line
  // itself and the distance of pixel (x, y) is y + 0.5 exactly.
  frame.ActivatePoint(1, -100, 0, -200, 0);
  frame.ActivatePoint(2, 300, 0, 200, 0);
  params.SetCheckbox(param::kShowPath, false);
  params.SetPopup(param::kGradientInterpolation, 1);
  params.SetPopup(param::kRenderingStyle, renderingStyle);

  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), params.Get(), frame.Output()),
            PF_Err_NONE);

  const double h = 20.0 * 0.5;
  const double f = 20.0 / 100.0;
  const double k = 1.0 - f;
  const double e = 10.0 - 10.0 * (1.0 - k * k * k);
  const uint32_t full = kDeep ? 32768u : 255u;
  using C = decltype(P{}.alpha);
  int shaded = 0;
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      P background{static_cast<C>(full), 0, 0, 0};
      if (renderingStyle == 2) background = *PixelAt<P>(*frame.Input(), x, y);
      if (renderingStyle == 3) background = P{0, 0, 0, 0};
      const double d = y + 0.5;
      P expected = background;
      if (d <= h) {
        const double alpha = 1.0 - std::pow(d / h, e);
        expected = Blend(InDepth<P>(LinearGradient(d / h)), alpha, background);
        ++shaded;
      }
      const P got = *PixelAt<P>(*frame.Output(), x, y);
      ASSERT_TRUE(harness::SamePixel(got, expected))
          << "pixel " << x << "," << y << " got " << got.alpha << " " << got.red << " "
          << got.green << " " << got.blue << " want " << expected.alpha << " " << expected.red
          << " " << expected.green << " " << expected.blue;
    }
  }
  EXPECT_EQ(shaded, 200 * 10);
}

class HorizontalStrokeTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(HorizontalStrokeTest, EightBit) { CheckHorizontalStroke<PF_Pixel>(GetParam().popup); }
TEST_P(HorizontalStrokeTest, SixteenBit) { CheckHorizontalStroke<PF_Pixel16>(GetParam().popup); }

INSTANTIATE_TEST_SUITE_P(RenderingStyles, HorizontalStrokeTest,
                         ::testing::Values(StyleCase{1, "DrawOnBlack"}, StyleCase{2, "DrawOnImage"},
                                           StyleCase{3, "DrawOnClear"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
