// Every allocation of the module comes from the host's handles and goes back:
// after each command, after every failed handle request of a render, after
// two renders at once on two threads, and at unload.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ModuleHarness.h"

namespace {

using embedded::HandleHeap;
using harness::ModuleTest;
using harness::Session;

TEST_F(ModuleTest, EveryCommandGivesBackTheHandlesItTook) {
  Session session(Module());
  const long start = harness::LiveHandles();
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), start);
  ASSERT_EQ(session.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), start);
  session.MakeFrame(48, 36, false);
  session.ActivateThreePoints();

  HandleHeap::Instance().ResetCounters();
  ASSERT_EQ(session.Render(), PF_Err_NONE);
  EXPECT_GT(HandleHeap::Instance().TotalRequests(), 0) << "a render allocates through handles";
  EXPECT_EQ(harness::LiveHandles(), start);

  PF_UserChangedParamExtra extra{83};
  ASSERT_EQ(session.Call(PF_Cmd_USER_CHANGED_PARAM, session.Params().Get(), nullptr, &extra),
            PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), start);
  ASSERT_EQ(session.Call(PF_Cmd_UPDATE_PARAMS_UI, session.Params().Get()), PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), start);
  ASSERT_EQ(session.Call(PF_Cmd_ABOUT), PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), start);
  EXPECT_EQ(HandleHeap::Instance().BadDisposes(), 0);
}

// Refusing the Nth handle request of a render, for every N up to the number
// of requests a render makes at that depth.
class FailedHandleRequest : public ModuleTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedHandleRequest, EveryRefusalEndsInOutOfMemoryWithNothingLeaked) {
  const bool deep = GetParam();
  Session session(Module());
  session.SetUp();
  session.MakeFrame(24, 18, deep);
  session.ActivateThreePoints();

  HandleHeap& heap = HandleHeap::Instance();
  heap.ResetCounters();
  ASSERT_EQ(session.Render(), PF_Err_NONE);
  const long requests = heap.TotalRequests();
  ASSERT_GT(requests, 0);
  const long start = harness::LiveHandles();
  for (long n = 1; n <= requests; ++n) {
    heap.ResetCounters();
    heap.FailNthRequest(n);
    session.OutData()->return_msg[0] = '\0';
    EXPECT_EQ(session.Render(), PF_Err_OUT_OF_MEMORY) << "request " << n;
    EXPECT_STREQ(session.OutData()->return_msg, "\nLustre Strand [ Out of Memory ]")
        << "request " << n;
    EXPECT_EQ(harness::LiveHandles(), start) << "request " << n;
  }
  heap.ResetCounters();
  EXPECT_EQ(heap.BadDisposes(), 0);
  // The module is whole afterwards: a render succeeds again.
  EXPECT_EQ(session.Render(), PF_Err_NONE);
}

INSTANTIATE_TEST_SUITE_P(Depths, FailedHandleRequest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Deep" : "Eight"; });

// Two hosts render different frames through the same loaded module at once.
class ConcurrentRenders : public ModuleTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConcurrentRenders, GiveTheImagesOfRendersOneAfterTheOther) {
  const bool deep = GetParam();
  Session a(Module());
  Session b(Module());
  a.SetUp();
  b.SetUp();
  a.MakeFrame(120, 80, deep);
  b.MakeFrame(90, 110, deep);
  a.ActivateThreePoints();
  b.ActivatePoint(1, 10, 100, 5, 60);
  b.ActivatePoint(4, 80, 15, 70, 40);
  b.Params().SetCheckbox(harness::kClosePath, true);
  b.Params().SetFixed(harness::kLineWidth, 31.5);

  a.Host().MakeCurrent();
  ASSERT_EQ(a.Render(), PF_Err_NONE);
  const std::vector<unsigned char> aAlone = a.OutputBytes();
  b.Host().MakeCurrent();
  ASSERT_EQ(b.Render(), PF_Err_NONE);
  const std::vector<unsigned char> bAlone = b.OutputBytes();
  ASSERT_NE(aAlone, a.InputBytes()) << "the render drew nothing";
  ASSERT_NE(bAlone, b.InputBytes()) << "the render drew nothing";

  const long start = harness::LiveHandles();
  for (int round = 0; round < 3; ++round) {
    PF_Err aErr = -1;
    PF_Err bErr = -1;
    std::thread ta([&] { aErr = a.Render(); });
    std::thread tb([&] { bErr = b.Render(); });
    ta.join();
    tb.join();
    EXPECT_EQ(aErr, PF_Err_NONE);
    EXPECT_EQ(bErr, PF_Err_NONE);
    EXPECT_EQ(a.OutputBytes(), aAlone) << "round " << round;
    EXPECT_EQ(b.OutputBytes(), bAlone) << "round " << round;
  }
  EXPECT_EQ(harness::LiveHandles(), start);
}

INSTANTIATE_TEST_SUITE_P(Depths, ConcurrentRenders, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Deep" : "Eight"; });

TEST_F(ModuleTest, UnloadFindsTheMemoryListEmptyAndReportsNothing) {
  {
    Session session(Module());
    session.SetUp();
    session.MakeFrame(32, 32, false);
    session.ActivateThreePoints();
    ASSERT_EQ(session.Render(), PF_Err_NONE);
  }
  ::testing::internal::CaptureStderr();
  module_.reset();
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(report, "");
  // The module really was unloaded (so its unload check ran).
  EXPECT_EQ(dlopen(LUSTRE_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
}

}  // namespace
