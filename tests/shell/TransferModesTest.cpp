// Which transfer-mode list a host gets, and the host code behind every popup
// index of each list.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "shell/HostInfo.h"
#include "shell/TransferModes.h"

namespace {

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
  std::string item;
  while (std::getline(in, item, '|')) {
    out.push_back(item);
  }
  return out;
}

struct CountCase {
  A_short major;
  A_short minor;
  bool file_import;
  int count;
};

class TransferModeCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(TransferModeCountTest, ListLengthFollowsVersionAndSuite) {
  const CountCase& c = GetParam();
  const HostInfo host = Host(c.major, c.minor, c.file_import);
  EXPECT_EQ(TransferModeCount(host), c.count);
  EXPECT_EQ(Split(TransferModeList(host)).size(), static_cast<size_t>(c.count));
}

INSTANTIATE_TEST_SUITE_P(Hosts, TransferModeCountTest,
                         ::testing::Values(CountCase{11, 0, false, 15}, CountCase{11, 0, true, 15},
                                           CountCase{11, 99, true, 15}, CountCase{13, 2, false, 19},
                                           CountCase{13, 2, true, 19}, CountCase{13, 10, false, 19},
                                           CountCase{13, 10, true, 25}, CountCase{12, 10, true, 25},
                                           CountCase{12, 9, true, 19}, CountCase{12, 0, true, 19}));

// Through the probe of a real embedded host: 13.2 gives 19 whatever suites it
// offers; 13.10 gives 25 with the file-import suite and 19 without.
struct ProbeCase {
  A_short major;
  A_short minor;
  embedded::SuiteAnswer file_import;
  int count;
};

class TransferModeProbeTest : public ::testing::TestWithParam<ProbeCase> {
 protected:
  void SetUp() override { ResetHostInfo(); }
  void TearDown() override { ResetHostInfo(); }
};

TEST_P(TransferModeProbeTest, CountAfterProbe) {
  const ProbeCase& c = GetParam();
  embedded::EmbeddedHost host;
  host.SetVersion(c.major, c.minor);
  host.SetSuiteAnswer("AEGP File Import Manager Suite", c.file_import);
  ProbeHost(host.InData());
  EXPECT_EQ(TransferModeCount(), c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, TransferModeProbeTest,
    ::testing::Values(ProbeCase{11, 5, embedded::SuiteAnswer::kOffer, 15},
                      ProbeCase{13, 2, embedded::SuiteAnswer::kOffer, 19},
                      ProbeCase{13, 2, embedded::SuiteAnswer::kRefuse, 19},
                      ProbeCase{13, 10, embedded::SuiteAnswer::kOffer, 25},
                      ProbeCase{13, 10, embedded::SuiteAnswer::kRefuse, 19},
                      ProbeCase{13, 10, embedded::SuiteAnswer::kNull, 19},
                      ProbeCase{12, 10, embedded::SuiteAnswer::kOffer, 25}));

struct EntryCase {
  int list;  // 15, 19 or 25
  int index;
  const char* name;
  PF_TransferMode code;
};

HostInfo HostWithList(int list) {
  if (list == 15) {
    return Host(11, 0, true);
  }
  return list == 19 ? Host(13, 2, true) : Host(13, 10, true);
}

class TransferModeEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(TransferModeEntryTest, PopupIndexNamesAndMapsTheEntry) {
  const EntryCase& c = GetParam();
  const HostInfo host = HostWithList(c.list);
  const std::vector<std::string> names = Split(TransferModeList(host));
  ASSERT_LT(static_cast<size_t>(c.index), names.size());
  EXPECT_EQ(names[static_cast<size_t>(c.index)], c.name);
  EXPECT_EQ(TransferModeFromPopup(host, c.index), c.code);
}

std::string EntryName(const ::testing::TestParamInfo<EntryCase>& info) {
  return "List" + std::to_string(info.param.list) + "Index" + std::to_string(info.param.index);
}

INSTANTIATE_TEST_SUITE_P(
    List15, TransferModeEntryTest,
    ::testing::Values(EntryCase{15, 0, "Normal", -1}, EntryCase{15, 1, "Dissolve", 3},
                      EntryCase{15, 2, "Darken", 10}, EntryCase{15, 3, "Multiply", 5},
                      EntryCase{15, 4, "Add", 4}, EntryCase{15, 5, "Lighten", 11},
                      EntryCase{15, 6, "Screen", 6}, EntryCase{15, 7, "Overlay", 7},
                      EntryCase{15, 8, "Soft Light", 8}, EntryCase{15, 9, "Hard Light", 9},
                      EntryCase{15, 10, "Difference", 12}, EntryCase{15, 11, "Hue", 13},
                      EntryCase{15, 12, "Saturation", 14}, EntryCase{15, 13, "Color", 15},
                      EntryCase{15, 14, "Luminosity", 16}),
    EntryName);

INSTANTIATE_TEST_SUITE_P(
    List19, TransferModeEntryTest,
    ::testing::Values(EntryCase{19, 0, "Normal", -1}, EntryCase{19, 1, "Dissolve", 3},
                      EntryCase{19, 2, "Darken", 10}, EntryCase{19, 3, "Multiply", 5},
                      EntryCase{19, 4, "Color Burn", 24}, EntryCase{19, 5, "Add", 4},
                      EntryCase{19, 6, "Lighten", 11}, EntryCase{19, 7, "Screen", 6},
                      EntryCase{19, 8, "Color Dodge", 23}, EntryCase{19, 9, "Overlay", 7},
                      EntryCase{19, 10, "Soft Light", 8}, EntryCase{19, 11, "Hard Light", 9},
                      EntryCase{19, 12, "Difference", 12}, EntryCase{19, 13, "Exclusion", 25},
                      EntryCase{19, 14, "Hue", 13}, EntryCase{19, 15, "Saturation", 14},
                      EntryCase{19, 16, "Color", 15}, EntryCase{19, 17, "Luminosity", 16},
                      EntryCase{19, 18, "Alpha Add", 22}),
    EntryName);

INSTANTIATE_TEST_SUITE_P(
    List25, TransferModeEntryTest,
    ::testing::Values(EntryCase{25, 0, "Normal", -1}, EntryCase{25, 1, "Dissolve", 3},
                      EntryCase{25, 2, "Darken", 10}, EntryCase{25, 3, "Multiply", 5},
                      EntryCase{25, 4, "Color Burn", 28}, EntryCase{25, 5, "Classic Color Burn", 24},
                      EntryCase{25, 6, "Add", 4}, EntryCase{25, 7, "Lighten", 11},
                      EntryCase{25, 8, "Screen", 6}, EntryCase{25, 9, "Color Dodge", 27},
                      EntryCase{25, 10, "Classic Color Dodge", 23}, EntryCase{25, 11, "Overlay", 7},
                      EntryCase{25, 12, "Soft Light", 8}, EntryCase{25, 13, "Hard Light", 9},
                      EntryCase{25, 14, "Linear Light", 31}, EntryCase{25, 15, "Vivid Light", 32},
                      EntryCase{25, 16, "Pin Light", 33}, EntryCase{25, 17, "Difference", 26},
                      EntryCase{25, 18, "Classic Difference", 12}, EntryCase{25, 19, "Exclusion", 25},
                      EntryCase{25, 20, "Hue", 13}, EntryCase{25, 21, "Saturation", 14},
                      EntryCase{25, 22, "Color", 15}, EntryCase{25, 23, "Luminosity", 16},
                      EntryCase{25, 24, "Alpha Add", 22}),
    EntryName);

// An index the popup cannot produce maps to "none".
class TransferModeOutsideTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(TransferModeOutsideTest, YieldsNone) {
  const auto [list, index] = GetParam();
  EXPECT_EQ(TransferModeFromPopup(HostWithList(list), index), -1);
}

INSTANTIATE_TEST_SUITE_P(Indexes, TransferModeOutsideTest,
                         ::testing::Values(std::pair{15, 15}, std::pair{19, 19},
                                           std::pair{25, 25}, std::pair{25, -1},
                                           std::pair{15, 1000}));

}  // namespace
