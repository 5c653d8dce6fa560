// The host probe: what it records, when it looks for the file-import suite,
// the mask layout's fallback to points, and which transfer-mode list a host
// gets with the host code behind every popup index of each list.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "render/HostInfo.h"
#include "render/TransferModes.h"

namespace {

using embedded::SuiteAnswer;
constexpr const char* kFileImport = "AEGP File Import Manager Suite";
constexpr const char* kPathQuery = "PF Path Query Suite";
constexpr A_long kOther = 0x54657374;  // 'Test'
constexpr SuiteAnswer kOffer = SuiteAnswer::kOffer, kRefuse = SuiteAnswer::kRefuse,
                      kNull = SuiteAnswer::kNull;
constexpr PathLayout M = PathLayout::kMask, P = PathLayout::kPoint;

HostInfo Host(A_short major, A_short minor, bool file_import) {
  HostInfo h;
  h.versionMajor = major;
  h.versionMinor = minor;
  h.hasFileImportManager = file_import;
  return h;
}

std::vector<std::string> Split(const char* list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, '|');) out.push_back(item);
  return out;
}

template <typename Case>
class ProbeTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { ResetHostInfo(); }
  void TearDown() override { ResetHostInfo(); }
  embedded::EmbeddedHost host_;
};

auto Label = [](const auto& info) { return std::string(info.param.label); };

// hasFileImportManager before and after the probe, how often the suite was
// asked for (only from minor version 10 on), and the list length that gives
// (before 12: 15; 13.2: 19 whatever suites; 12.10 and 13.10: 25 with the
// suite, 19 without).
// "NoBasicSuite": the host gives no basic suite at all.
// clang-format off
struct FileImportCase { const char* label; A_short major, minor; SuiteAnswer answer;
                        bool before, after; int attempts, count; };
// clang-format on

using FileImportTest = ProbeTest<FileImportCase>;

TEST_P(FileImportTest, LooksUpTheSuiteOnlyFromMinorTenOn) {
  const FileImportCase& c = GetParam();
  SetPathMode(PathLayout::kPoint);  // keeps the mask step out of these cases
  host_.SetVersion(c.major, c.minor);
  host_.SetAppId(kOther);
  host_.SetSuiteAnswer(kFileImport, c.answer);
  GetHostInfo().hasFileImportManager = c.before;
  if (std::string(c.label) == "NoBasicSuite") host_.InData()->pica_basicP = nullptr;
  ProbeHost(host_.InData());
  EXPECT_EQ(GetHostInfo().hasFileImportManager, c.after);
  EXPECT_EQ(GetHostInfo().versionMajor, c.major);
  EXPECT_EQ(GetHostInfo().versionMinor, c.minor);
  EXPECT_EQ(GetHostInfo().appId, kOther);
  EXPECT_EQ(host_.AcquireAttempts(kFileImport), c.attempts);
  // Whatever was acquired was released by the probe's cache.
  EXPECT_EQ(host_.ReleaseCount(kFileImport), host_.AcquireCount(kFileImport));
  EXPECT_EQ(TransferModeCount(), c.count);
  EXPECT_EQ(Split(TransferModeList(GetHostInfo())).size(), static_cast<size_t>(c.count));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, FileImportTest,
    ::testing::Values(FileImportCase{"v11_5", 11, 5, kOffer, false, false, 0, 15},
                      FileImportCase{"v13_2_fresh", 13, 2, kOffer, false, false, 0, 19},
                      FileImportCase{"v13_2_keeps", 13, 2, kRefuse, true, true, 0, 19},
                      FileImportCase{"v11_10_keeps", 11, 10, kOffer, false, false, 0, 15},
                      FileImportCase{"v12_10_offered", 12, 10, kOffer, false, true, 1, 25},
                      FileImportCase{"v13_10_offered", 13, 10, kOffer, false, true, 1, 25},
                      FileImportCase{"v13_10_refused", 13, 10, kRefuse, true, false, 1, 19},
                      FileImportCase{"v13_10_null", 13, 10, kNull, true, false, 1, 19},
                      FileImportCase{"NoBasicSuite", 13, 10, kOffer, true, false, 0, 19},
                      FileImportCase{"v11_0_keeps", 11, 0, kOffer, true, true, 0, 15},
                      FileImportCase{"v11_99_keeps", 11, 99, kOffer, true, true, 0, 15},
                      FileImportCase{"v12_0_keeps", 12, 0, kOffer, true, true, 0, 19},
                      FileImportCase{"v12_9_keeps", 12, 9, kOffer, true, true, 0, 19}),
    Label);

// The mask layout falls back to points on 'KeyG' and 'PrMr', before version
// 12, and when the path query suite cannot be had; otherwise it stays.
// clang-format off
struct PathModeCase { const char* label; A_long app; A_short major; SuiteAnswer path_query;
                      PathLayout before, after; };
// clang-format on

using PathModeTest = ProbeTest<PathModeCase>;

TEST_P(PathModeTest, SettlesTheLayout) {
  const PathModeCase& c = GetParam();
  static const int kDummyPathQuerySuite = 0;
  host_.RegisterSuite(kPathQuery, 1, &kDummyPathQuerySuite);
  host_.SetSuiteAnswer(kPathQuery, c.path_query);
  host_.SetAppId(c.app);
  host_.SetVersion(c.major, 10);
  SetPathMode(c.before);
  ProbeHost(host_.InData());
  EXPECT_EQ(GetHostInfo().PathMode, c.after);
  EXPECT_EQ(host_.ReleaseCount(kPathQuery), host_.AcquireCount(kPathQuery));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, PathModeTest,
    ::testing::Values(PathModeCase{"MaskStaysFrom12", kOther, 12, kOffer, M, M},
                      PathModeCase{"KeyG", 0x4B657947, 13, kOffer, M, P},
                      PathModeCase{"PrMr", 0x50724D72, 13, kOffer, M, P},
                      PathModeCase{"Version11", kOther, 11, kOffer, M, P},
                      PathModeCase{"QueryRefused", kOther, 13, kRefuse, M, P},
                      PathModeCase{"QueryNull", kOther, 13, kNull, M, P},
                      PathModeCase{"PointNeverBecomesMask", kOther, 13, kOffer, P, P}),
    Label);

// Each list in popup order with the host code of every entry; an index the
// popup cannot produce (-1, the count, 1000) maps to "none" (-1).
// clang-format off
struct ListCase { HostInfo host; const char* names; std::vector<PF_TransferMode> codes; };
// clang-format on

class TransferModeListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(TransferModeListTest, PopupIndexNamesAndMapsEveryEntry) {
  const ListCase& c = GetParam();
  EXPECT_EQ(Split(TransferModeList(c.host)), Split(c.names));
  const int n = static_cast<int>(c.codes.size());
  for (int i = 0; i < n; ++i) EXPECT_EQ(TransferModeFromPopup(c.host, i), c.codes[i]) << i;
  for (int i : {-1, n, 1000}) EXPECT_EQ(TransferModeFromPopup(c.host, i), -1) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, TransferModeListTest,
    ::testing::Values(
        ListCase{Host(11, 0, true),
                 "Normal|Dissolve|Darken|Multiply|Add|Lighten|Screen|Overlay|Soft Light|Hard "
                 "Light|Difference|Hue|Saturation|Color|Luminosity",
                 {-1, 3, 10, 5, 4, 11, 6, 7, 8, 9, 12, 13, 14, 15, 16}},
        ListCase{Host(13, 2, true),
                 "Normal|Dissolve|Darken|Multiply|Color Burn|Add|Lighten|Screen|Color "
                 "Dodge|Overlay|Soft Light|Hard "
                 "Light|Difference|Exclusion|Hue|Saturation|Color|Luminosity|Alpha Add",
                 {-1, 3, 10, 5, 24, 4, 11, 6, 23, 7, 8, 9, 12, 25, 13, 14, 15, 16, 22}},
        ListCase{Host(13, 10, true),
                 "Normal|Dissolve|Darken|Multiply|Color Burn|Classic Color "
                 "Burn|Add|Lighten|Screen|Color Dodge|Classic Color Dodge|Overlay|Soft Light|Hard "
                 "Light|Linear Light|Vivid Light|Pin Light|Difference|Classic "
                 "Difference|Exclusion|Hue|Saturation|Color|Luminosity|Alpha Add",
                 {-1, 3,  10, 5,  28, 24, 4,  11, 6,  27, 23, 7, 8,
                  9,  31, 32, 33, 26, 12, 25, 13, 14, 15, 16, 22}}));

}  // namespace
