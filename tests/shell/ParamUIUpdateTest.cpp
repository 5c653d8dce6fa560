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
#include "render/HostInfo.h"
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
  PF_Err Update(PF_ParamIndex changed) {
    return ParamUIUpdate(host_.InData(), Params().Get(), changed);
  }
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
// fails first (0: none), how the suite is answered, which handle request
// fails (0: none), whether the mask layout is in force, how often the suite
// is released (-1: not checked) and the updates the host must receive, in
// order, negative when sent disabled. Every call returns PF_Err_NONE.
// clang-format off
struct UpdateCase { const char* name; std::vector<int> activeGroups; int changed, failAt;
                    SuiteAnswer answer; long failHandle; bool mask; int released;
                    std::vector<int> expected; };
// clang-format on

class ParamUIUpdateCase : public ParamUIUpdateTest,
                          public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(ParamUIUpdateCase, SendsOnlyTheChangedGroupsPointAndHandle) {
  const UpdateCase& c = GetParam();
  Activate(c.activeGroups);
  if (c.failAt) host_.Faults().FailUpdateParamUIAt(c.failAt, PF_Err_BAD_CALLBACK_PARAM);
  host_.SetSuiteAnswer(kPFParamUtilsSuite, c.answer);
  if (c.mask) SetPathMode(PathLayout::kMask);
  HandleHeap::Instance().FailNthRequest(c.failHandle);
  EXPECT_EQ(Update(c.changed), PF_Err_NONE);
  EXPECT_EQ(Sent(), c.expected);
  // The suite is given back as often as it was acquired.
  EXPECT_EQ(host_.AcquireCount(kPFParamUtilsSuite), host_.ReleaseCount(kPFParamUtilsSuite));
  if (c.released >= 0) { EXPECT_EQ(host_.ReleaseCount(kPFParamUtilsSuite), c.released); }
}

constexpr SuiteAnswer kOffer = SuiteAnswer::kOffer;

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamUIUpdateCase,
    ::testing::Values(
        // Ticking, unticking and other controls are driven through the loaded
        // module by the integration tests; these are the cases only seen here.
        UpdateCase{"GroupHeaderChanged", {1}, 82, 0, kOffer, 0, false, -1, {}},
        // A failed first send skips that group's handle but not the other groups.
        // clang-format off
        UpdateCase{"FailedFirstSend", {2}, kAllGroups, 1, kOffer, 0, false, 1,
                   {-84, 89, 90, -94, -95, -99, -100, -104, -105, -109, -110}},
        // clang-format on
        // Ways the update ends quietly at the first group, sending nothing and
        // giving back no suite, as none was obtained.
        UpdateCase{"SuiteRefused", {1, 4}, kAllGroups, 0, SuiteAnswer::kRefuse, 0, false, 0, {}},
        UpdateCase{"SuiteNull", {1, 4}, kAllGroups, 0, SuiteAnswer::kNull, 0, false, 0, {}},
        UpdateCase{"CopyNotAllocated", {1, 4}, kAllGroups, 0, kOffer, 1, false, 0, {}},
        UpdateCase{"RecordNotAllocated", {1, 4}, kAllGroups, 0, kOffer, 2, false, 0, {}},
        UpdateCase{"MaskLayout", {1, 4}, kAllGroups, 0, kOffer, 0, true, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamUIUpdateTest, GroupUpdateReturnsTheHostsAnswer) {
  Activate({1});
  SuiteCache suites(host_.InData()->pica_basicP);
  host_.Faults().FailUpdateParamUIAt(2, 77);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 82, kAllGroups, suites), 77);
  host_.Faults().FailUpdateParamUIAt(1, 66);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 87, kAllGroups, suites), 66);
  EXPECT_EQ(host_.UpdateParamUICalls().size(), 3u);
}

}  // namespace
