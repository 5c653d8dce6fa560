// The entry point's own rules, called in-process: stage names, the
// decoration cut, and the layout global set-up selects.
#include "shell/PluginEntry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

}  // namespace
