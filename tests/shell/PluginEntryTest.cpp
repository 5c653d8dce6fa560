// The entry point's own rules, called in-process: stage names, the about
// text, the decoration cut, and the per-call steps around a command.
#include "shell/PluginEntry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Common/MemoryWrappers.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "shell/HostInfo.h"

namespace {

struct StageCase {
  int stage;
  const char* name;
};

class StageNames : public ::testing::TestWithParam<StageCase> {};

TEST_P(StageNames, NumberGivesItsName) {
  EXPECT_STREQ(shell::StageName(GetParam().stage), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Numbers, StageNames,
                         ::testing::Values(StageCase{0, "Development"}, StageCase{1, "Alpha"},
                                           StageCase{2, "Beta"}, StageCase{3, "Release"},
                                           StageCase{4, "Release"}, StageCase{-1, "Release"}));

TEST(AboutText, FitsTheMessageAndTruncatesIntoASmallerBuffer) {
  const std::string expected =
      "Lustre Strand\n\nStage: Release\nVersion: v2.4.1.0\nBuildID: 14\n\n" +
      std::string(shell::kCredits);
  char full[256];
  shell::WriteAboutText(full, sizeof full);
  EXPECT_EQ(std::string(full), expected);
  char small[20];
  shell::WriteAboutText(small, sizeof small);
  EXPECT_EQ(std::string(small), expected.substr(0, 19));
}

// Messages of growing length and what decoration leaves: "\nLustre Strand [ "
// is 17 characters and " ]" 2, so messages up to 235 characters keep their
// closing bracket and everything past 254 characters is cut.
struct DecorationCase {
  size_t length;
  size_t decoratedLength;
  bool closed;
};

class Decoration : public ::testing::TestWithParam<DecorationCase> {};

TEST_P(Decoration, PrefixesTheNameAndCutsAt254) {
  const DecorationCase& c = GetParam();
  char msg[PF_MAX_EFFECT_MSG_LEN + 1];
  std::memset(msg, 0, sizeof msg);
  std::memset(msg, 'x', c.length);
  shell::DecorateMessage(msg);
  const std::string out(msg);
  EXPECT_EQ(out.size(), c.decoratedLength);
  EXPECT_EQ(out.rfind("\nLustre Strand [ ", 0), 0u);
  EXPECT_EQ(out.size() >= 2 && out.substr(out.size() - 2) == " ]", c.closed);
  // The message follows the prefix whole, or up to the cut.
  const size_t messageEnd = 17 + c.length;
  EXPECT_EQ(out.find_first_not_of('x', 17), messageEnd < 254 ? messageEnd : std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Decoration,
                         ::testing::Values(DecorationCase{0, 19, true},
                                           DecorationCase{13, 32, true},
                                           DecorationCase{235, 254, true},
                                           DecorationCase{236, 254, false},
                                           DecorationCase{237, 254, false},
                                           DecorationCase{255, 254, false}));

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostInfo();
    handles_ = embedded::HandleHeap::Instance().LiveHandles();
  }
  void TearDown() override {
    EXPECT_EQ(embedded::HandleHeap::Instance().LiveHandles(), handles_);
    ResetHostInfo();
  }
  PF_Err Call(PF_Cmd cmd) {
    return host_.Call(shell::PluginEntry, cmd, nullptr, nullptr, nullptr);
  }

  embedded::EmbeddedHost host_;
  long handles_ = 0;
};

TEST_F(EntryTest, GlobalSetUpSelectsThePointLayoutWhateverTheProbeLeft) {
  SetPathMode(PathLayout::kMask);
  ASSERT_EQ(Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  EXPECT_EQ(GetHostInfo().PathMode, PathLayout::kPoint);
  // An unknown command leaves it so.
  ASSERT_EQ(Call(42), PF_Err_NONE);
  EXPECT_EQ(GetHostInfo().PathMode, PathLayout::kPoint);
}

TEST_F(EntryTest, EveryCallProbesTheHostFirst) {
  host_.SetAppId(0x50724D72);
  host_.SetVersion(12, 10);
  ASSERT_EQ(Call(PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
  EXPECT_EQ(GetHostInfo().appId, 0x50724D72);
  EXPECT_EQ(GetHostInfo().versionMajor, 12);
  EXPECT_EQ(GetHostInfo().versionMinor, 10);
  EXPECT_TRUE(GetHostInfo().hasFileImportManager);
}

// The memory wrappers take the handle callbacks of every call before the
// command runs: a block allocated after a call goes to that call's host.
int gCountedRequests = 0;
PF_Handle CountingNewHandle(A_u_longlong size) {
  ++gCountedRequests;
  return embedded::HandleHeap::HostNewHandle(size);
}

TEST_F(EntryTest, CapturesTheCallsHandleCallbacks) {
  PF_UtilCallbacks counting = *host_.InData()->utils;
  counting.host_new_handle = CountingNewHandle;
  PF_UtilCallbacks* original = host_.InData()->utils;
  host_.InData()->utils = &counting;
  gCountedRequests = 0;
  ASSERT_EQ(Call(PF_Cmd_ABOUT), PF_Err_NONE);
  void* block = MemoryWrappers::Allocate(10);
  EXPECT_EQ(gCountedRequests, 2);  // the block and its record
  MemoryWrappers::Release(block);
  host_.InData()->utils = original;
  ASSERT_EQ(Call(PF_Cmd_ABOUT), PF_Err_NONE);
  block = MemoryWrappers::Allocate(10);
  EXPECT_EQ(gCountedRequests, 2);
  MemoryWrappers::Release(block);
}

}  // namespace
