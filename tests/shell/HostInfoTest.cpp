// The host probe: what it records, when it looks for the file-import suite,
// and the mask layout's fallback to points.
#include <gtest/gtest.h>

#include "host/embedded/EmbeddedHost.h"
#include "shell/HostInfo.h"

namespace {

using embedded::SuiteAnswer;

constexpr const char* kFileImport = "AEGP File Import Manager Suite";
constexpr const char* kPathQuery = "PF Path Query Suite";

struct FileImportCase {
  const char* label;
  A_short major;
  A_short minor;
  SuiteAnswer answer;
  bool before;      // hasFileImportManager before the probe
  bool after;
  int attempts;     // AcquireSuite calls for the suite
};

class HostProbeFileImportTest : public ::testing::TestWithParam<FileImportCase> {
 protected:
  void SetUp() override {
    ResetHostInfo();
    SetPathMode(PathLayout::kPoint);  // keeps the mask step out of these cases
  }
  void TearDown() override { ResetHostInfo(); }
};

TEST_P(HostProbeFileImportTest, LooksUpTheSuiteOnlyFromMinorTenOn) {
  const FileImportCase& c = GetParam();
  embedded::EmbeddedHost host;
  host.SetVersion(c.major, c.minor);
  host.SetAppId(0x54657374);  // 'Test'
  host.SetSuiteAnswer(kFileImport, c.answer);
  GetHostInfo().hasFileImportManager = c.before;

  ProbeHost(host.InData());

  EXPECT_EQ(GetHostInfo().hasFileImportManager, c.after);
  EXPECT_EQ(GetHostInfo().versionMajor, c.major);
  EXPECT_EQ(GetHostInfo().versionMinor, c.minor);
  EXPECT_EQ(GetHostInfo().appId, 0x54657374);
  EXPECT_EQ(host.AcquireAttempts(kFileImport), c.attempts);
  // Whatever was acquired was released by the probe's cache.
  EXPECT_EQ(host.ReleaseCount(kFileImport), host.AcquireCount(kFileImport));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostProbeFileImportTest,
    ::testing::Values(FileImportCase{"v13_2_fresh", 13, 2, SuiteAnswer::kOffer, false, false, 0},
                      FileImportCase{"v13_2_keeps", 13, 2, SuiteAnswer::kRefuse, true, true, 0},
                      FileImportCase{"v11_10_keeps", 11, 10, SuiteAnswer::kOffer, false, false, 0},
                      FileImportCase{"v12_10_offered", 12, 10, SuiteAnswer::kOffer, false, true, 1},
                      FileImportCase{"v13_10_offered", 13, 10, SuiteAnswer::kOffer, false, true, 1},
                      FileImportCase{"v13_10_refused", 13, 10, SuiteAnswer::kRefuse, true, false, 1},
                      FileImportCase{"v13_10_null", 13, 10, SuiteAnswer::kNull, true, false, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(HostProbeTest, MissingBasicSuiteMeansNoFileImportSuite) {
  ResetHostInfo();
  SetPathMode(PathLayout::kPoint);
  embedded::EmbeddedHost host;
  host.SetVersion(13, 10);
  GetHostInfo().hasFileImportManager = true;
  host.InData()->pica_basicP = nullptr;
  ProbeHost(host.InData());
  EXPECT_FALSE(GetHostInfo().hasFileImportManager);
  ResetHostInfo();
}

// The mask layout falls back to points on 'KeyG' and 'PrMr', before version
// 12, and when the path query suite cannot be had; otherwise it stays.
struct PathModeCase {
  const char* label;
  A_long app;
  A_short major;
  SuiteAnswer path_query;
  PathLayout before;
  PathLayout after;
};

class HostProbePathModeTest : public ::testing::TestWithParam<PathModeCase> {
 protected:
  void SetUp() override { ResetHostInfo(); }
  void TearDown() override { ResetHostInfo(); }
};

TEST_P(HostProbePathModeTest, SettlesTheLayout) {
  const PathModeCase& c = GetParam();
  static const int kDummyPathQuerySuite = 0;
  embedded::EmbeddedHost host;
  host.RegisterSuite(kPathQuery, 1, &kDummyPathQuerySuite);
  host.SetSuiteAnswer(kPathQuery, c.path_query);
  host.SetAppId(c.app);
  host.SetVersion(c.major, 10);
  SetPathMode(c.before);
  ProbeHost(host.InData());
  EXPECT_EQ(GetHostInfo().PathMode, c.after);
  EXPECT_EQ(host.ReleaseCount(kPathQuery), host.AcquireCount(kPathQuery));
}

constexpr A_long kOther = 0x54657374;  // 'Test'

INSTANTIATE_TEST_SUITE_P(
    Hosts, HostProbePathModeTest,
    ::testing::Values(
        PathModeCase{"MaskStays", kOther, 13, SuiteAnswer::kOffer, PathLayout::kMask,
                     PathLayout::kMask},
        PathModeCase{"KeyG", 0x4B657947, 13, SuiteAnswer::kOffer, PathLayout::kMask,
                     PathLayout::kPoint},
        PathModeCase{"PrMr", 0x50724D72, 13, SuiteAnswer::kOffer, PathLayout::kMask,
                     PathLayout::kPoint},
        PathModeCase{"Version11", kOther, 11, SuiteAnswer::kOffer, PathLayout::kMask,
                     PathLayout::kPoint},
        PathModeCase{"QueryRefused", kOther, 13, SuiteAnswer::kRefuse, PathLayout::kMask,
                     PathLayout::kPoint},
        PathModeCase{"QueryNull", kOther, 13, SuiteAnswer::kNull, PathLayout::kMask,
                     PathLayout::kPoint},
        PathModeCase{"PointNeverBecomesMask", kOther, 13, SuiteAnswer::kOffer,
                     PathLayout::kPoint, PathLayout::kPoint}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
