// Renders through the loaded module at both depths; the low-quality quirk of
// host 'KeyG', whose factors are put back after every call, failed or not; and
// every allocation of the module coming from the host's handles and going
// back: after each command, after every failed handle request of a render,
// after two renders at once on two threads, and at unload.
#include <gtest/gtest.h>

#include <thread>

#include "ModuleHarness.h"
#include "host/embedded/SharedLibrary.h"

namespace harness {
namespace {

using embedded::HandleHeap;

constexpr A_long kKeyG = 0x4B657947;       // 'KeyG'
constexpr A_long kOtherHost = 0x46585445;  // 'FXTE'

// The downsample factors in in_data: x and y, numerator and denominator.
std::vector<A_long> Factors(const PF_InData* in) {
  return {in->downsample_x.num, A_long(in->downsample_x.den), in->downsample_y.num,
          A_long(in->downsample_y.den)};
}

// Renders one frame as the given host and returns the output; checks that the
// host's own factors are in in_data after the call.
std::vector<unsigned char> RenderAs(const app::EffectModule& module, A_long app_id,
                                    PF_Quality quality, PF_RationalScale downsample,
                                    PF_Err expected = PF_Err_NONE, long fail_request = 0) {
  Session session(module);
  session.Host().SetAppId(app_id);
  session.Host().SetQuality(quality);
  session.Host().SetDownsample(downsample, downsample);
  session.SetUp();
  session.MakeFrame(64, 48, false);
  // Points left at their defaults are delivered as fractions of the layer,
  // whatever the factors, so only the line width depends on them.
  for (int k = 1; k <= 3; ++k) session.Params().SetCheckbox(PointHeader(k) + 1, true);
  session.Params().SetCheckbox(kShowPath, false);
  HandleHeap::Instance().ResetCounters();
  HandleHeap::Instance().FailNthRequest(fail_request);
  EXPECT_EQ(session.Render(), expected);
  HandleHeap::Instance().ResetCounters();
  EXPECT_EQ(Factors(session.InData()), std::vector({downsample.num, A_long(downsample.den),
                                                    downsample.num, A_long(downsample.den)}));
  return session.OutputBytes();
}

// The render sees the factors of the row (the quirk halves them for 'KeyG' at
// low quality) and the host gets its own back, also when the render fails.
TEST_F(ModuleTest, LowQualityQuirkRendersWithTheRightFactorsAndRestoresTheHosts) {
  // clang-format off
  const struct { A_long app_id; PF_Quality quality; PF_RationalScale host, seen; } cases[] = {
      {kKeyG, PF_Quality_LO, {1, 1}, {1, 2}},
      {kKeyG, PF_Quality_LO, {1, 3}, {1, 2}},
      {kKeyG, PF_Quality_HI, {1, 1}, {1, 1}},
      {kOtherHost, PF_Quality_LO, {1, 1}, {1, 1}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.app_id) + (c.quality == PF_Quality_LO ? " low 1/" : " high 1/") +
                 std::to_string(c.host.den));
    EXPECT_EQ(RenderAs(Module(), c.app_id, c.quality, c.host),
              RenderAs(Module(), kOtherHost, PF_Quality_HI, c.seen));
  }
  // Half-size factors narrow the stroke, so the comparisons above are not
  // trivially equal.
  EXPECT_NE(RenderAs(Module(), kKeyG, PF_Quality_LO, {1, 1}),
            RenderAs(Module(), kKeyG, PF_Quality_HI, {1, 1}));
  RenderAs(Module(), kKeyG, PF_Quality_LO, {2, 3}, PF_Err_OUT_OF_MEMORY, 1);
}

TEST_F(ModuleTest, QuirkIsUndoneAfterCommandsOtherThanRender) {
  Session session(Module());
  session.Host().SetAppId(kKeyG);
  session.Host().SetQuality(PF_Quality_LO);
  session.Host().SetDownsample({3, 4}, {5, 7});
  for (PF_Cmd cmd :
       std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_ABOUT, 99}) {
    EXPECT_EQ(session.Call(cmd), PF_Err_NONE) << cmd;
    EXPECT_EQ(Factors(session.InData()), std::vector<A_long>({3, 4, 5, 7})) << cmd;
  }
}

// ---- Memory ---------------------------------------------------------------------

TEST_F(ModuleTest, EveryCommandGivesBackTheHandlesItTook) {
  Session session(Module());
  const long start = LiveHandles();
  const auto succeeds_with_all_back = [&](PF_Err err, const char* what) {
    EXPECT_EQ(err, PF_Err_NONE) << what;
    EXPECT_EQ(LiveHandles(), start) << what;
  };
  succeeds_with_all_back(session.Call(PF_Cmd_GLOBAL_SETUP), "global set-up");
  succeeds_with_all_back(session.Call(PF_Cmd_PARAMS_SETUP), "parameter set-up");
  session.MakeFrame(48, 36, false);
  session.ActivateThreePoints();
  HandleHeap::Instance().ResetCounters();
  succeeds_with_all_back(session.Render(), "render");
  EXPECT_GT(HandleHeap::Instance().TotalRequests(), 0) << "a render allocates through handles";
  PF_UserChangedParamExtra extra{83};
  succeeds_with_all_back(
      session.Call(PF_Cmd_USER_CHANGED_PARAM, session.Params().Get(), nullptr, &extra), "changed");
  succeeds_with_all_back(session.Call(PF_Cmd_UPDATE_PARAMS_UI, session.Params().Get()),
                         "update UI");
  succeeds_with_all_back(session.Call(PF_Cmd_ABOUT), "about");
  EXPECT_EQ(HandleHeap::Instance().BadDisposes(), 0);
}

// Refusing the Nth handle request of a render, for every N up to the number
// of requests a render makes at that depth; the module is whole afterwards.
TEST_F(ModuleTest, EveryRefusedHandleRequestEndsInOutOfMemoryWithNothingLeaked) {
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep ? "deep" : "eight");
    Session session(Module());
    session.Ready(24, 18, deep);
    HandleHeap& heap = HandleHeap::Instance();
    heap.ResetCounters();
    ASSERT_EQ(session.Render(), PF_Err_NONE);
    const long requests = heap.TotalRequests(), start = LiveHandles();
    ASSERT_GT(requests, 0);
    for (long n = 1; n <= requests; ++n) {
      heap.ResetCounters();
      heap.FailNthRequest(n);
      session.OutData()->return_msg[0] = '\0';
      EXPECT_EQ(session.Render(), PF_Err_OUT_OF_MEMORY) << "request " << n;
      EXPECT_STREQ(session.OutData()->return_msg, "\nLustre Strand [ Out of Memory ]")
          << "request " << n;
      EXPECT_EQ(LiveHandles(), start) << "request " << n;
    }
    heap.ResetCounters();
    EXPECT_EQ(heap.BadDisposes(), 0);
    EXPECT_EQ(session.Render(), PF_Err_NONE);
  }
}

// Two hosts render different frames through the same loaded module at once.
TEST_F(ModuleTest, ConcurrentRendersGiveTheImagesOfRendersOneAfterTheOther) {
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep ? "deep" : "eight");
    Session a(Module()), b(Module());
    a.Ready(120, 80, deep);
    b.SetUp();
    b.MakeFrame(90, 110, deep);
    b.ActivatePoint(1, 10, 100, 5, 60);
    b.ActivatePoint(4, 80, 15, 70, 40);
    b.Params().SetCheckbox(kClosePath, true);
    b.Params().SetFixed(kLineWidth, 31.5);
    a.Host().MakeCurrent();
    ASSERT_EQ(a.Render(), PF_Err_NONE);
    const std::vector<unsigned char> a_alone = a.OutputBytes();
    b.Host().MakeCurrent();
    ASSERT_EQ(b.Render(), PF_Err_NONE);
    const std::vector<unsigned char> b_alone = b.OutputBytes();
    ASSERT_NE(a_alone, a.InputBytes()) << "the render drew nothing";
    ASSERT_NE(b_alone, b.InputBytes()) << "the render drew nothing";
    const long start = LiveHandles();
    for (int round = 0; round < 3; ++round) {
      PF_Err a_err = -1, b_err = -1;
      std::thread ta([&] { a_err = a.Render(); }), tb([&] { b_err = b.Render(); });
      ta.join();
      tb.join();
      EXPECT_EQ(std::vector({a_err, b_err}), std::vector<PF_Err>({PF_Err_NONE, PF_Err_NONE}));
      EXPECT_EQ(a.OutputBytes(), a_alone) << "round " << round;
      EXPECT_EQ(b.OutputBytes(), b_alone) << "round " << round;
    }
    EXPECT_EQ(LiveHandles(), start);
  }
}

TEST_F(ModuleTest, UnloadFindsTheMemoryListEmptyAndReportsNothing) {
  {
    Session session(Module());
    session.Ready(32, 32, false);
    ASSERT_EQ(session.Render(), PF_Err_NONE);
  }
  EXPECT_TRUE(embedded::shared_library::IsLoaded(LUSTRE_MODULE_PATH));
  ::testing::internal::CaptureStderr();
  module_.reset();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  // The module really was unloaded (so its unload check ran).
  EXPECT_FALSE(embedded::shared_library::IsLoaded(LUSTRE_MODULE_PATH));
}

}  // namespace
}  // namespace harness
