// Renders through the loaded module at both depths, and the low-quality quirk
// of host 'KeyG': its factors are put back after every call, failed or not.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModuleHarness.h"

namespace {

using embedded::HandleHeap;
using harness::ModuleTest;
using harness::Session;

constexpr A_long kKeyG = 0x4B657947;  // 'KeyG'
constexpr A_long kOtherHost = 0x46585445;  // 'FXTE'

size_t PixelSize(bool deep) { return deep ? 8u : 4u; }

class RenderDepth : public ModuleTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RenderDepth, DrawsAlongThePathAndLeavesTheRestOfTheLayer) {
  const bool deep = GetParam();
  Session session(Module());
  session.SetUp();
  session.MakeFrame(80, 60, deep);
  // Point 1 at (10, 30) to point 2 at (70, 30) with their handles on the line:
  // a straight stroke along y = 30, 20 pixels wide by default.
  session.ActivatePoint(1, 10, 30, 0, 30);
  session.ActivatePoint(2, 70, 30, 60, 30);
  session.Params().SetCheckbox(harness::kShowPath, false);
  ASSERT_EQ(session.Render(), PF_Err_NONE);

  const std::vector<unsigned char> in = session.InputBytes();
  const std::vector<unsigned char> out = session.OutputBytes();
  const size_t px = PixelSize(deep);
  auto pixel = [&](const std::vector<unsigned char>& bytes, int x, int y) {
    const size_t at = (static_cast<size_t>(y) * 80 + static_cast<size_t>(x)) * px;
    return std::vector<unsigned char>(bytes.begin() + static_cast<long>(at),
                                      bytes.begin() + static_cast<long>(at + px));
  };
  // On the centre line the stroke covers the layer; 20 pixels away from the
  // path (well past its 10-pixel half width) the layer shows unchanged.
  for (int x : {20, 40, 60}) {
    EXPECT_NE(pixel(out, x, 30), pixel(in, x, 30)) << "x " << x;
    EXPECT_EQ(pixel(out, x, 5), pixel(in, x, 5)) << "x " << x;
    EXPECT_EQ(pixel(out, x, 55), pixel(in, x, 55)) << "x " << x;
  }
  // A second render of the same frame gives the same bytes.
  ASSERT_EQ(session.Render(), PF_Err_NONE);
  EXPECT_EQ(session.OutputBytes(), out);
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderDepth, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Deep" : "Eight"; });

// Renders one frame as the given host and returns the output; checks that the
// host's own factors are in in_data after the call.
std::vector<unsigned char> RenderAs(embedded::ModuleLoader& module, A_long appId,
                                    PF_Quality quality, PF_RationalScale downsample,
                                    PF_Err expected = PF_Err_NONE, long failRequest = 0) {
  Session session(module);
  session.Host().SetAppId(appId);
  session.Host().SetQuality(quality);
  session.Host().SetDownsample(downsample, downsample);
  session.SetUp();
  session.MakeFrame(64, 48, false);
  // Points left at their defaults are delivered as fractions of the layer,
  // whatever the factors, so only the line width depends on them.
  for (int k = 1; k <= 3; ++k) {
    session.Params().SetCheckbox(harness::PointHeader(k) + 1, true);
  }
  session.Params().SetCheckbox(harness::kShowPath, false);
  HandleHeap::Instance().ResetCounters();
  HandleHeap::Instance().FailNthRequest(failRequest);
  EXPECT_EQ(session.Render(), expected);
  HandleHeap::Instance().ResetCounters();
  const PF_InData* in = session.InData();
  EXPECT_EQ(in->downsample_x.num, downsample.num);
  EXPECT_EQ(in->downsample_x.den, downsample.den);
  EXPECT_EQ(in->downsample_y.num, downsample.num);
  EXPECT_EQ(in->downsample_y.den, downsample.den);
  return session.OutputBytes();
}

struct QuirkCase {
  const char* name;
  A_long appId;
  PF_Quality quality;
  PF_RationalScale hostDownsample;
  PF_RationalScale seenDownsample;  // what the render must have used
};

class LowQualityQuirk : public ModuleTest, public ::testing::WithParamInterface<QuirkCase> {};

TEST_P(LowQualityQuirk, RenderSeesTheRightFactorsAndTheHostGetsItsOwnBack) {
  const QuirkCase& c = GetParam();
  const std::vector<unsigned char> rendered =
      RenderAs(Module(), c.appId, c.quality, c.hostDownsample);
  const std::vector<unsigned char> reference =
      RenderAs(Module(), kOtherHost, PF_Quality_HI, c.seenDownsample);
  EXPECT_EQ(rendered, reference);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, LowQualityQuirk,
    ::testing::Values(QuirkCase{"KeyGLowFull", kKeyG, PF_Quality_LO, {1, 1}, {1, 2}},
                      QuirkCase{"KeyGLowThird", kKeyG, PF_Quality_LO, {1, 3}, {1, 2}},
                      QuirkCase{"KeyGHigh", kKeyG, PF_Quality_HI, {1, 1}, {1, 1}},
                      QuirkCase{"OtherLow", kOtherHost, PF_Quality_LO, {1, 1}, {1, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModuleTest, QuirkHalvesTheLineWidth) {
  // Half-size factors narrow the stroke: the quirk's render differs from the
  // full-quality one, so the comparisons above are not trivially equal.
  EXPECT_NE(RenderAs(Module(), kKeyG, PF_Quality_LO, {1, 1}),
            RenderAs(Module(), kKeyG, PF_Quality_HI, {1, 1}));
}

TEST_F(ModuleTest, QuirkIsUndoneWhenTheRenderFails) {
  RenderAs(Module(), kKeyG, PF_Quality_LO, {2, 3}, PF_Err_OUT_OF_MEMORY, 1);
}

TEST_F(ModuleTest, QuirkIsUndoneAfterCommandsOtherThanRender) {
  Session session(Module());
  session.Host().SetAppId(kKeyG);
  session.Host().SetQuality(PF_Quality_LO);
  session.Host().SetDownsample({3, 4}, {5, 7});
  for (PF_Cmd cmd : std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_ABOUT, 99}) {
    EXPECT_EQ(session.Call(cmd), PF_Err_NONE) << cmd;
    EXPECT_EQ(session.InData()->downsample_x.num, 3) << cmd;
    EXPECT_EQ(session.InData()->downsample_x.den, 4u) << cmd;
    EXPECT_EQ(session.InData()->downsample_y.num, 5) << cmd;
    EXPECT_EQ(session.InData()->downsample_y.den, 7u) << cmd;
  }
}

}  // namespace
