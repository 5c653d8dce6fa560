// Frame settings read from parameter arrays that the embedded host builds
// from the registered parameter set.
#include <gtest/gtest.h>

#include <cmath>

#include "host/embedded/EmbeddedHost.h"
#include "shell/HostInfo.h"
#include "shell/ParamIndex.h"
#include "shell/ParamSetup.h"
#include "shell/StrokeSettings.h"

namespace {

// 8 to 16 bits as the effect converts: (c * 32768 + 128) / 255, truncating.
A_u_short To16(int c) { return static_cast<A_u_short>((c * 32768 + 128) / 255); }

class StrokeSettingsFixture {
 protected:
  StrokeSettingsFixture() {
    ResetHostInfo();
    ProbeHost(host_.InData());  // 13.28 with every suite: the 25-entry list
    SetPathMode(PathLayout::kPoint);
    if (ParamsSetup(host_.InData(), host_.OutData()) != PF_Err_NONE) {
      ADD_FAILURE() << "parameter set-up failed";
    }
  }
  ~StrokeSettingsFixture() { ResetHostInfo(); }

  embedded::ParamArray Params(bool deep) {
    return host_.BuildParams(host_.CreateWorld(64, 48, deep, false));
  }

  embedded::EmbeddedHost host_;
};

class StrokeSettingsTest : public StrokeSettingsFixture, public ::testing::Test {};

TEST_F(StrokeSettingsTest, DefaultsAtFullResolution) {
  auto params = Params(false);
  const StrokeSettings s = ReadStrokeSettings(host_.InData(), params.Get(), false);
  EXPECT_EQ(s.halfWidth, 10.0);
  EXPECT_EQ(s.path, nullptr);
  EXPECT_EQ(s.gradient, nullptr);
  EXPECT_EQ(s.falloff, 20.0 / 100.0);
  EXPECT_EQ(s.repeatStyle, 0);
  EXPECT_EQ(s.repeats, 1);
  EXPECT_EQ(s.interpolation, 1);   // "RGB (preserve lum)"
  EXPECT_EQ(s.renderingStyle, 1);  // "Draw on Image"
  EXPECT_EQ(s.compositeAmount, 0.0);
  EXPECT_EQ(s.transferMode, -1);
  EXPECT_EQ(s.gradientMode, 0);
  EXPECT_EQ(s.gradientOffset, 0.0);
  EXPECT_FALSE(s.wrapGradient);
  EXPECT_EQ(s.endPointStyle, 0);
  EXPECT_TRUE(s.showPath);
  EXPECT_FALSE(s.pathColor.is16);
  EXPECT_EQ(s.pathColor.color8.alpha, 255);
  EXPECT_EQ(s.pathColor.color8.red, 255);
  EXPECT_EQ(s.pathColor.color8.green, 255);
  EXPECT_EQ(s.pathColor.color8.blue, 255);
  EXPECT_EQ(s.pathColor.color16.alpha, 0);
  EXPECT_EQ(s.pathColor.color16.red, 0);
}

TEST_F(StrokeSettingsTest, PathColourOfADeepLayerIsConvertedTo16Bits) {
  auto params = Params(true);
  params.SetColor(param::kPathColor, PF_Pixel{255, 200, 1, 128});
  const StrokeSettings s = ReadStrokeSettings(host_.InData(), params.Get(), true);
  EXPECT_TRUE(s.pathColor.is16);
  EXPECT_EQ(s.pathColor.color16.alpha, 32768);
  EXPECT_EQ(s.pathColor.color16.red, To16(200));
  EXPECT_EQ(s.pathColor.color16.green, 129);
  EXPECT_EQ(s.pathColor.color16.blue, 16448);
  EXPECT_EQ(s.pathColor.color8.alpha, 0);
}

TEST_F(StrokeSettingsTest, DefaultWhiteOnA16BitLayerIsFullScale) {
  auto params = Params(true);
  const StrokeSettings s = ReadStrokeSettings(host_.InData(), params.Get(), true);
  EXPECT_EQ(s.pathColor.color16.alpha, 32768);
  EXPECT_EQ(s.pathColor.color16.red, 32768);
  EXPECT_EQ(s.pathColor.color16.green, 32768);
  EXPECT_EQ(s.pathColor.color16.blue, 32768);
}

// Line width under downsampling: half of it, times the mean of the two
// downsample factors.
struct WidthCase {
  double line_width;
  PF_RationalScale dx;
  PF_RationalScale dy;
  double half_width;
};

class HalfWidthTest : public StrokeSettingsFixture, public ::testing::TestWithParam<WidthCase> {};

TEST_P(HalfWidthTest, FollowsTheMeanDownsample) {
  const WidthCase& c = GetParam();
  host_.SetDownsample(c.dx, c.dy);
  auto params = Params(false);
  params.SetFixed(param::kLineWidth, c.line_width);
  const StrokeSettings s = ReadStrokeSettings(host_.InData(), params.Get(), false);
  EXPECT_DOUBLE_EQ(s.halfWidth, c.half_width);
}

INSTANTIATE_TEST_SUITE_P(Factors, HalfWidthTest,
                         ::testing::Values(WidthCase{20, {1, 1}, {1, 1}, 10.0},
                                           WidthCase{20, {1, 2}, {1, 2}, 5.0},
                                           WidthCase{20, {1, 2}, {1, 1}, 7.5},
                                           WidthCase{35.5, {1, 1}, {1, 1}, 17.75},
                                           WidthCase{20, {1, 4}, {1, 2}, 3.75},
                                           WidthCase{1000, {1, 1}, {1, 3}, 1000.0 / 3.0}));

struct RepeatsCase {
  double value;
  int repeats;
};

class RepeatsTest : public StrokeSettingsFixture, public ::testing::TestWithParam<RepeatsCase> {};

TEST_P(RepeatsTest, KeepsOnlyTheWholePart) {
  auto params = Params(false);
  params.SetFixed(param::kRepeats, GetParam().value);
  EXPECT_EQ(ReadStrokeSettings(host_.InData(), params.Get(), false).repeats, GetParam().repeats);
}

INSTANTIATE_TEST_SUITE_P(Values, RepeatsTest,
                         ::testing::Values(RepeatsCase{3.7, 3}, RepeatsCase{1.0, 1},
                                           RepeatsCase{1.5, 1}, RepeatsCase{9.99, 9},
                                           RepeatsCase{10.0, 10}));

// Popups and sliders other than width and repeats, each through its own
// conversion.
TEST_F(StrokeSettingsTest, ReadsEveryControlInItsUnits) {
  auto params = Params(false);
  params.SetCheckbox(param::kShowPath, false);
  params.SetPopup(param::kRenderingStyle, 3);
  params.SetPopup(param::kEndPointStyle, 2);
  params.SetFixed(param::kFalloff, 35.0);
  params.SetPopup(param::kRepeatStyle, 2);
  params.SetFixed(param::kGradientOffset, -250.0);
  params.SetPopup(param::kGradientInterpolation, 3);
  params.SetCheckbox(param::kWrapGradient, true);
  params.SetPopup(param::kGradientMode, 3);
  params.SetPopup(param::kOriginalBlendTransfer, 9);  // "Screen" in the 25-entry list
  params.SetFixed(param::kCompositeWithOriginal, 50.0);
  const StrokeSettings s = ReadStrokeSettings(host_.InData(), params.Get(), false);
  EXPECT_FALSE(s.showPath);
  EXPECT_EQ(s.renderingStyle, 2);
  EXPECT_EQ(s.endPointStyle, 1);
  EXPECT_EQ(s.falloff, 35.0 / 100.0);
  EXPECT_EQ(s.repeatStyle, 1);
  EXPECT_EQ(s.gradientOffset, -250.0 * 0.01);
  EXPECT_EQ(s.interpolation, 2);
  EXPECT_TRUE(s.wrapGradient);
  EXPECT_EQ(s.gradientMode, 2);
  EXPECT_EQ(s.transferMode, 6);
  EXPECT_EQ(s.compositeAmount, 0.5);
}

// A dot's alpha is its opacity, trunc(opacity / 100 * 32768); the colour's
// own alpha is discarded.
struct DotCase {
  int k;
  PF_Pixel color;
  double opacity;
  double position;
  A_u_short alpha;
};

class ColorDotTest : public StrokeSettingsFixture, public ::testing::TestWithParam<DotCase> {};

TEST_P(ColorDotTest, ReadsTheGroup) {
  const DotCase& c = GetParam();
  auto params = Params(false);
  const int g = param::ColorDotHeader(c.k);
  params.SetCheckbox(g + 1, true);
  params.SetColor(g + 2, c.color);
  params.SetFixed(g + 3, c.position);
  params.SetFixed(g + 4, c.opacity);
  const ColorDot dot = ReadColorDot(params.Get(), g);
  EXPECT_TRUE(dot.active);
  EXPECT_EQ(dot.color.alpha, c.alpha);
  EXPECT_EQ(dot.color.red, To16(c.color.red));
  EXPECT_EQ(dot.color.green, To16(c.color.green));
  EXPECT_EQ(dot.color.blue, To16(c.color.blue));
  EXPECT_DOUBLE_EQ(dot.position, c.position / 100.0);
}

INSTANTIATE_TEST_SUITE_P(
    Dots, ColorDotTest,
    ::testing::Values(DotCase{1, {255, 255, 0, 0}, 100.0, 20.0, 32768},
                      DotCase{2, {255, 0, 255, 0}, 50.0, 50.0, 16384},
                      DotCase{3, {0, 10, 20, 30}, 100.0, 80.0, 32768},  // alpha 0 still opaque
                      DotCase{7, {128, 1, 128, 254}, 0.0, 0.0, 0},
                      // 25.5 % is stored as 1671168 / 65536 exactly: 0.255 * 32768 = 8355.84
                      DotCase{10, {255, 7, 7, 7}, 25.5, 100.0, 8355}));

}  // namespace
