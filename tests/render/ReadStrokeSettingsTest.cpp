// Frame settings read from parameter arrays that the embedded host builds
// from the registered parameter set.
#include <gtest/gtest.h>

#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "render/HostInfo.h"
#include "render/ReadStrokeSettings.h"
#include "Common/ParamIndex.h"
#include "shell/ParamSetup.h"

namespace {

using embedded::ParamArray;

// 8 to 16 bits as the effect converts: (c * 32768 + 128) / 255, truncating.
A_u_short To16(int c) { return static_cast<A_u_short>((c * 32768 + 128) / 255); }

template <typename Pixel>
std::vector<int> Channels(const Pixel& p) {
  return {p.alpha, p.red, p.green, p.blue};
}

class StrokeSettingsFixture {
 protected:
  StrokeSettingsFixture() {
    ResetHostInfo();
    ProbeHost(host_.InData());  // 13.28 with every suite: the 25-entry list
    SetPathMode(PathLayout::kPoint);
    if (ParamsSetup(host_.InData(), host_.OutData()) != PF_Err_NONE)
      ADD_FAILURE() << "set-up failed";
  }
  ~StrokeSettingsFixture() { ResetHostInfo(); }
  ParamArray Params(bool deep) { return host_.BuildParams(host_.CreateWorld(64, 48, deep, false)); }
  StrokeSettings Read(ParamArray& p, bool deep) {
    return ReadStrokeSettings(host_.InData(), p.Get(), deep);
  }
  embedded::EmbeddedHost host_;
};

// The repeat count truncated toward zero from its slider (the random scenes
// only set whole counts), and the "none" a default "Normal" transfer gives.
// The other controls' conversions change every frame of the recorded random
// scenes, which set each of them at random.
#define SET(call) [](ParamArray& p) { p.call; }
#define GET(field) [](const StrokeSettings& s) { return static_cast<double>(s.field); }
struct ControlCase {
  const char* name;
  void (*set)(ParamArray&);
  double (*get)(const StrokeSettings&);
  double expected;
};

class ControlTest : public StrokeSettingsFixture, public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlTest, ReadInItsUnits) {
  auto params = Params(false);
  if (GetParam().set) GetParam().set(params);
  EXPECT_EQ(GetParam().get(Read(params, false)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlTest,
    ::testing::Values(
        ControlCase{"RepeatsDefault", nullptr, GET(repeats), 1},
        ControlCase{"Repeats3_7", SET(SetFixed(param::kRepeats, 3.7)), GET(repeats), 3},
        ControlCase{"Repeats1_5", SET(SetFixed(param::kRepeats, 1.5)), GET(repeats), 1},
        ControlCase{"Repeats9_99", SET(SetFixed(param::kRepeats, 9.99)), GET(repeats), 9},
        ControlCase{"Repeats10", SET(SetFixed(param::kRepeats, 10.0)), GET(repeats), 10},
        ControlCase{"TransferDefaultNormalIsNone", nullptr, GET(transferMode), -1}),
    [](const auto& info) { return std::string(info.param.name); });

// Line width under downsampling: half of it, times the mean of the two
// downsample factors.
// clang-format off
struct WidthCase { double line_width; PF_RationalScale dx, dy; double half_width; };
// clang-format on

class HalfWidthTest : public StrokeSettingsFixture, public ::testing::TestWithParam<WidthCase> {};

TEST_P(HalfWidthTest, FollowsTheMeanDownsample) {
  const WidthCase& c = GetParam();
  host_.SetDownsample(c.dx, c.dy);
  auto params = Params(false);
  params.SetFixed(param::kLineWidth, c.line_width);
  EXPECT_DOUBLE_EQ(Read(params, false).halfWidth, c.half_width);
}

INSTANTIATE_TEST_SUITE_P(Factors, HalfWidthTest,
                         ::testing::Values(WidthCase{20, {1, 1}, {1, 1}, 10.0},
                                           WidthCase{20, {1, 2}, {1, 2}, 5.0},
                                           WidthCase{20, {1, 2}, {1, 1}, 7.5},
                                           WidthCase{35.5, {1, 1}, {1, 1}, 17.75},
                                           WidthCase{20, {1, 4}, {1, 2}, 3.75},
                                           WidthCase{1000, {1, 1}, {1, 3}, 1000.0 / 3.0}));

// A dot's alpha is its opacity, trunc(opacity / 100 * 32768); the colour's
// own alpha is discarded.
// clang-format off
struct DotCase { int k; PF_Pixel color; double opacity, position; A_u_short alpha; };
// clang-format on

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
  EXPECT_EQ(Channels(dot.color), (std::vector<int>{c.alpha, To16(c.color.red), To16(c.color.green),
                                                   To16(c.color.blue)}));
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
