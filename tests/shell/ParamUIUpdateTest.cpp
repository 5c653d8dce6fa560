// Point controls follow their group's "Activate" checkbox, driven through the
// embedded host's PF_UpdateParamUI with the effect's real parameter set.
#include "shell/ParamUIUpdate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common/MemoryWrappers.h"
#include "Common/SuiteCache.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "shell/HostInfo.h"
#include "shell/ParamSetup.h"

namespace {

using embedded::HandleHeap;
using embedded::SuiteAnswer;

class ParamUIUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostInfo();
    SetPathMode(PathLayout::kPoint);
    ASSERT_EQ(ParamsSetup(host_.InData(), host_.OutData()), PF_Err_NONE);
    MemoryWrappers::CaptureCallbacks(host_.InData());
    params_.emplace_back(host_.BuildParams(host_.CreateWorld(64, 48, false, false)));
    liveHandles_ = HandleHeap::Instance().LiveHandles();
  }
  void TearDown() override {
    HandleHeap::Instance().ResetCounters();
    EXPECT_EQ(HandleHeap::Instance().LiveHandles(), liveHandles_);
    ResetHostInfo();
  }
  embedded::ParamArray& Params() { return params_.front(); }
  void Activate(std::vector<int> groups) {
    for (int g : groups) Params().SetCheckbox(82 + 5 * (g - 1) + 1, true);
  }
  PF_Err Update(PF_ParamIndex changed) { return ParamUIUpdate(host_.InData(), Params().Get(), changed); }
  // The indexes sent, in order, negative when sent disabled.
  std::vector<int> Sent() const {
    std::vector<int> sent;
    for (const auto& call : host_.UpdateParamUICalls())
      sent.push_back((call.def.ui_flags & PF_PUI_DISABLED) ? -call.index : call.index);
    return sent;
  }
  embedded::EmbeddedHost host_;
  std::vector<embedded::ParamArray> params_;
  long liveHandles_ = 0;
};

// Which groups are ticked, which index changed, which update of the host
// fails first (0: none), and the updates the host must receive.
struct UpdateCase { const char* name; std::vector<int> activeGroups; int changed, failAt; std::vector<int> expected; };

class ParamUIUpdateCase : public ParamUIUpdateTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(ParamUIUpdateCase, SendsOnlyTheChangedGroupsPointAndHandle) {
  const UpdateCase& c = GetParam();
  Activate(c.activeGroups);
  if (c.failAt) host_.FailUpdateParamUIAt(c.failAt, PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(Update(c.changed), PF_Err_NONE);
  EXPECT_EQ(Sent(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamUIUpdateCase,
    ::testing::Values(
        // Ticking, unticking and other controls are driven through the loaded
        // module by the integration tests; these are the cases only seen here.
        UpdateCase{"GroupHeaderChanged", {1}, 82, 0, {}},
        // A failed first send skips that group's handle but not the other groups.
        UpdateCase{"FailedFirstSend", {2}, kAllGroups, 1, {-84, 89, 90, -94, -95, -99, -100, -104, -105, -109, -110}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamUIUpdateTest, SuiteIsAcquiredOnceAndReleasedOncePerCall) {
  Update(kAllGroups);
  EXPECT_EQ(host_.AcquireCount(kPFParamUtilsSuite), 1);
  EXPECT_EQ(host_.ReleaseCount(kPFParamUtilsSuite), 1);
}

TEST_F(ParamUIUpdateTest, GroupUpdateReturnsTheHostsAnswer) {
  Activate({1});
  SuiteCache suites(host_.InData()->pica_basicP);
  host_.FailUpdateParamUIAt(2, 77);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 82, kAllGroups, suites), 77);
  host_.FailUpdateParamUIAt(1, 66);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 87, kAllGroups, suites), 66);
  EXPECT_EQ(host_.UpdateParamUICalls().size(), 3u);
}

// Ways the update ends quietly at the first group, sending nothing.
// failHandleRequest 0: memory is given.
struct QuietEndCase { const char* name; SuiteAnswer answer; long failHandleRequest; bool maskLayout; };

class ParamUIUpdateQuietEnd : public ParamUIUpdateTest, public ::testing::WithParamInterface<QuietEndCase> {};

TEST_P(ParamUIUpdateQuietEnd, SendsNothingReturnsNoneAndLeaksNothing) {
  const QuietEndCase& c = GetParam();
  Activate({1, 4});
  host_.SetSuiteAnswer(kPFParamUtilsSuite, c.answer);
  if (c.maskLayout) SetPathMode(PathLayout::kMask);
  HandleHeap::Instance().FailNthRequest(c.failHandleRequest);
  EXPECT_EQ(Update(kAllGroups), PF_Err_NONE);
  EXPECT_TRUE(host_.UpdateParamUICalls().empty());
  // No suite was obtained, so none may be given back.
  EXPECT_EQ(host_.ReleaseCount(kPFParamUtilsSuite), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamUIUpdateQuietEnd,
    ::testing::Values(QuietEndCase{"SuiteRefused", SuiteAnswer::kRefuse, 0, false},
                      QuietEndCase{"SuiteNull", SuiteAnswer::kNull, 0, false},
                      QuietEndCase{"CopyNotAllocated", SuiteAnswer::kOffer, 1, false},
                      QuietEndCase{"RecordNotAllocated", SuiteAnswer::kOffer, 2, false},
                      QuietEndCase{"MaskLayout", SuiteAnswer::kOffer, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
