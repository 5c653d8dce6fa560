// Point controls follow their group's "Activate" checkbox, driven through the
// embedded host's PF_UpdateParamUI with the effect's real parameter set.
#include "shell/ParamUIUpdate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common/MemoryWrappers.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "Common/SuiteCache.h"
#include "shell/HostInfo.h"
#include "shell/ParamSetup.h"

namespace {

using embedded::EmbeddedHost;
using embedded::HandleHeap;

struct SentUpdate {
  int index;
  bool disabled;
};

bool operator==(const SentUpdate& a, const SentUpdate& b) {
  return a.index == b.index && a.disabled == b.disabled;
}

std::ostream& operator<<(std::ostream& out, const SentUpdate& u) {
  return out << "{" << u.index << (u.disabled ? ", disabled}" : ", enabled}");
}

class ParamUIUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostInfo();
    SetPathMode(PathLayout::kPoint);
    ASSERT_EQ(ParamsSetup(host_.InData(), host_.OutData()), PF_Err_NONE);
    MemoryWrappers::CaptureCallbacks(host_.InData());
    input_ = host_.CreateWorld(64, 48, false, false);
    params_.emplace_back(host_.BuildParams(input_));
    liveHandles_ = HandleHeap::Instance().LiveHandles();
  }
  void TearDown() override {
    HandleHeap::Instance().ResetCounters();
    EXPECT_EQ(HandleHeap::Instance().LiveHandles(), liveHandles_);
    ResetHostInfo();
  }

  embedded::ParamArray& Params() { return params_.front(); }

  void Activate(int group) { Params().SetCheckbox(82 + 5 * (group - 1) + 1, true); }

  std::vector<SentUpdate> Sent() const {
    std::vector<SentUpdate> sent;
    for (const auto& call : host_.UpdateParamUICalls()) {
      sent.push_back({call.index, (call.def.ui_flags & PF_PUI_DISABLED) != 0});
    }
    return sent;
  }

  EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  std::vector<embedded::ParamArray> params_;
  long liveHandles_ = 0;
};

// Which groups are ticked, which index changed, and the updates the host must
// receive, in order.
struct UpdateCase {
  const char* name;
  std::vector<int> activeGroups;
  int changed;
  std::vector<SentUpdate> expected;
};

class ParamUIUpdateCase : public ParamUIUpdateTest,
                          public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(ParamUIUpdateCase, SendsOnlyTheChangedGroupsPointAndHandle) {
  const UpdateCase& c = GetParam();
  for (int group : c.activeGroups) {
    Activate(group);
  }
  EXPECT_EQ(ParamUIUpdate(host_.InData(), Params().Get(), c.changed), PF_Err_NONE);
  EXPECT_EQ(Sent(), c.expected);
  // Only the disabled bit may differ from what the host passed.
  for (const auto& call : host_.UpdateParamUICalls()) {
    PF_ParamDef sent = call.def;
    PF_ParamDef original = Params().At(call.index);
    sent.ui_flags &= ~PF_PUI_DISABLED;
    original.ui_flags &= ~PF_PUI_DISABLED;
    EXPECT_EQ(std::memcmp(&sent, &original, sizeof sent), 0) << "index " << call.index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamUIUpdateCase,
    ::testing::Values(
        UpdateCase{"Point3Ticked", {3}, 93, {{94, false}, {95, false}}},
        UpdateCase{"Point3Unticked", {1, 2, 4}, 93, {{94, true}, {95, true}}},
        UpdateCase{"LineWidthChanged", {1, 2, 3}, 5, {}},
        UpdateCase{"GroupHeaderChanged", {1}, 82, {}},
        UpdateCase{"PointControlChanged", {1}, 84, {}},
        UpdateCase{"AllGroups",
                   {1, 3},
                   kAllGroups,
                   {{84, false},
                    {85, false},
                    {89, true},
                    {90, true},
                    {94, false},
                    {95, false},
                    {99, true},
                    {100, true},
                    {104, true},
                    {105, true},
                    {109, true},
                    {110, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParamUIUpdateTest, SuiteIsAcquiredOnceAndReleasedOncePerCall) {
  ParamUIUpdate(host_.InData(), Params().Get(), kAllGroups);
  EXPECT_EQ(host_.AcquireCount(kPFParamUtilsSuite), 1);
  EXPECT_EQ(host_.ReleaseCount(kPFParamUtilsSuite), 1);
}

TEST_F(ParamUIUpdateTest, FailedFirstSendSkipsThatHandleButNotTheOtherGroups) {
  Activate(2);
  host_.FailUpdateParamUIAt(1, PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(ParamUIUpdate(host_.InData(), Params().Get(), kAllGroups), PF_Err_NONE);
  const std::vector<SentUpdate> expected = {{84, true},  {89, false}, {90, false}, {94, true},
                                            {95, true},  {99, true},  {100, true}, {104, true},
                                            {105, true}, {109, true}, {110, true}};
  EXPECT_EQ(Sent(), expected);
}

TEST_F(ParamUIUpdateTest, GroupUpdateReturnsTheHostsAnswer) {
  Activate(1);
  SuiteCache suites(host_.InData()->pica_basicP);
  host_.FailUpdateParamUIAt(2, 77);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 82, kAllGroups, suites), 77);
  host_.FailUpdateParamUIAt(1, 66);
  EXPECT_EQ(UpdatePointGroup(host_.InData(), Params().Get(), 87, kAllGroups, suites), 66);
  EXPECT_EQ(host_.UpdateParamUICalls().size(), 3u);
}

// Ways the update ends quietly at the first group, sending nothing.
struct QuietEndCase {
  const char* name;
  embedded::SuiteAnswer answer;
  long failHandleRequest;  // 0: memory is given
  bool maskLayout;
};

class ParamUIUpdateQuietEnd : public ParamUIUpdateTest,
                              public ::testing::WithParamInterface<QuietEndCase> {};

TEST_P(ParamUIUpdateQuietEnd, SendsNothingReturnsNoneAndLeaksNothing) {
  const QuietEndCase& c = GetParam();
  Activate(1);
  Activate(4);
  host_.SetSuiteAnswer(kPFParamUtilsSuite, c.answer);
  if (c.maskLayout) {
    SetPathMode(PathLayout::kMask);
  }
  HandleHeap::Instance().FailNthRequest(c.failHandleRequest);
  EXPECT_EQ(ParamUIUpdate(host_.InData(), Params().Get(), kAllGroups), PF_Err_NONE);
  EXPECT_TRUE(host_.UpdateParamUICalls().empty());
  // No suite was obtained, so none may be given back.
  EXPECT_EQ(host_.ReleaseCount(kPFParamUtilsSuite), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParamUIUpdateQuietEnd,
    ::testing::Values(QuietEndCase{"SuiteRefused", embedded::SuiteAnswer::kRefuse, 0, false},
                      QuietEndCase{"SuiteNull", embedded::SuiteAnswer::kNull, 0, false},
                      QuietEndCase{"CopyNotAllocated", embedded::SuiteAnswer::kOffer, 1, false},
                      QuietEndCase{"RecordNotAllocated", embedded::SuiteAnswer::kOffer, 2, false},
                      QuietEndCase{"MaskLayout", embedded::SuiteAnswer::kOffer, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
