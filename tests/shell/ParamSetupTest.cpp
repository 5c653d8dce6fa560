// The parameter table as the host sees it through add_param, checked entry by
// entry against the table written out below.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "render/HostInfo.h"
#include "shell/ParamSetup.h"

namespace {

enum Kind { CB, PU, FX, CO, PT, GS, GE };

// Flag sets: cannot time-vary | cannot interpolate; collapse twirly;
// supervise | cannot interpolate | cannot time-vary.
constexpr int kStatic = 6;
constexpr int kTwirl = 32;
constexpr int kWatch = 0x46;

const char* const kList25 =
    "Normal|Dissolve|Darken|Multiply|Color Burn|Classic Color Burn|Add|Lighten|Screen|"
    "Color Dodge|Classic Color Dodge|Overlay|Soft Light|Hard Light|Linear Light|Vivid Light|"
    "Pin Light|Difference|Classic Difference|Exclusion|Hue|Saturation|Color|Luminosity|"
    "Alpha Add";

// a: checkbox/popup default, slider default in slider units, colour 0xAARRGGBB,
// point x percent; b: point y percent; lo/hi: slider range, or hi = popup
// choice count.
// clang-format off
struct Row { int index, id; const char* name; Kind kind; int flags, ui; long long a, b;
             int lo, hi, precision, display; const char* choices; };
// clang-format on

// clang-format off
const Row kTable[] = {
    {1, 1, "Show Path?", CB, kStatic, 0, 1, 0, 0, 0, 0, 0, nullptr},
    {2, 2, "Output View", PU, kStatic, 0, 1, 0, 0, 3, 0, 0,
     "Normal|Gradient View (hoz)|Gradient View (vert)"},
    {3, 3, "Rendering Style", PU, kStatic, 0, 2, 0, 0, 3, 0, 0,
     "Draw on Black|Draw on Image|Draw on Clear"},
    {4, 4, "Line Rendering", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {5, 5, "Line Width", FX, kTwirl, 0, 20, 0, 1, 1000, 2, 0, nullptr},
    {6, 78, "End Point Style", PU, kStatic, 0, 1, 0, 0, 2, 0, 0, "Round|Flat"},
    {7, 6, "Falloff", FX, kTwirl, 0, 20, 0, 0, 100, 2, 0, nullptr},
    {8, 7, "Repeat Style", PU, kStatic, 0, 1, 0, 0, 2, 0, 0, "Repeat|Reflect"},
    {9, 8, "Repeats", FX, kTwirl, 0, 1, 0, 1, 10, 0, 0, nullptr},
    {10, 9, "Gradient Offset", FX, kTwirl, 0, 0, 0, -500, 500, 2, 0, nullptr},
    {11, 10, "Gradient Interpolation", PU, kStatic, 0, 2, 0, 0, 3, 0, 0,
     "RGB (linear)|RGB (preserve lum)|HSL"},
    {12, 77, "Wrap Gradient Around?", CB, kStatic, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {13, 11, "Gradient Mode", PU, kStatic, 0, 1, 0, 0, 3, 0, 0, "Normal|Inside Only|Outside Only"},
    {14, 12, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {15, 13, "Gradient Color Dots", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {76, 74, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {77, 75, "Original Blend Transfer", PU, kStatic, 0, 1, 0, 0, 25, 0, 0, kList25},
    {78, 76, "Composite with Original", FX, kTwirl, 0, 0, 0, 0, 100, 2, 1, nullptr},
    {79, 79, "Path Points", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {80, 80, "Path Color", CO, kTwirl, 0, 0xFFFFFFFF, 0, 0, 0, 0, 0, nullptr},
    {81, 81, "Close Path?", CB, kStatic, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {112, 112, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}};
// clang-format on

// Colour dot groups, six entries each from index 16, identifiers two below
// the index: header, "Activate" (default), "Color", "Gradient Position"
// (default), "Opacity" (100), group end.
struct Dot {
  int k;
  const char* name;
  int active;
  long long color;
  int position;
};
const Dot kDots[] = {
    {1, "Color Dot 1", 1, 0xFFFF0000, 20}, {2, "Color Dot 2", 1, 0xFF00FF00, 50},
    {3, "Color Dot 3", 1, 0xFF0000FF, 80}, {4, "Color Dot 4", 0, 0xFF000000, 0},
    {5, "Color Dot 5", 0, 0xFF000000, 0},  {6, "Color Dot 6", 0, 0xFF000000, 0},
    {7, "Color Dot 7", 0, 0xFF000000, 0},  {8, "Color Dot 8", 0, 0xFF000000, 0},
    {9, "Color Dot 9", 0, 0xFF000000, 0},  {10, "Color Dot 10", 0, 0xFF000000, 0},
};

// Point groups, five entries each from index 82, identifiers equal to the
// index: header, "Activate", "Point" and "Handle" (percent defaults), group end.
// Point 2 y = 49 and Point 5 x = 24: the rotation that builds the defaults
// falls a hair short of 50 and 25, and truncation keeps the shortfall.
struct Pt {
  int k;
  const char* name;
  int px, py, hx, hy;
};
const Pt kPoints[] = {{1, "Point 1", 62, 28, 56, 25}, {2, "Point 2", 75, 49, 74, 43},
                      {3, "Point 3", 62, 71, 67, 67}, {4, "Point 4", 37, 71, 43, 74},
                      {5, "Point 5", 24, 50, 25, 56}, {6, "Point 6", 37, 28, 32, 32}};

std::vector<Row> AllRows() {
  std::vector<Row> rows(std::begin(kTable), std::end(kTable));
  for (const Dot& d : kDots) {
    const int i = 16 + 6 * (d.k - 1);
    rows.push_back({i, i - 2, d.name, GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 1, i - 1, "Activate", CB, 0, 0, d.active, 0, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 2, i, "Color", CO, kTwirl, 0, d.color, 0, 0, 0, 0, 0, nullptr});
    rows.push_back(
        {i + 3, i + 1, "Gradient Position", FX, kTwirl, 0, d.position, 0, 0, 100, 2, 0, nullptr});
    rows.push_back({i + 4, i + 2, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr});
    rows.push_back({i + 5, i + 3, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr});
  }
  for (const Pt& p : kPoints) {
    const int i = 82 + 5 * (p.k - 1);
    rows.push_back({i, i, p.name, GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 1, i + 1, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 2, i + 2, "Point", PT, 0, 32, p.px, p.py, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 3, i + 3, "Handle", PT, 0, 32, p.hx, p.hy, 0, 0, 0, 0, nullptr});
    rows.push_back({i + 4, i + 4, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr});
  }
  std::sort(rows.begin(), rows.end(), [](const Row& x, const Row& y) { return x.index < y.index; });
  return rows;
}

PF_ParamType TypeOf(Kind kind) {
  const PF_ParamType types[] = {PF_Param_CHECKBOX, PF_Param_POPUP, PF_Param_FIX_SLIDER,
                                PF_Param_COLOR,    PF_Param_POINT, PF_Param_GROUP_START,
                                PF_Param_GROUP_END};
  return types[kind];
}

long long Argb(const PF_Pixel& p) {
  return (static_cast<long long>(p.alpha) << 24) | (p.red << 16) | (p.green << 8) | p.blue;
}

// Runs parameter set-up in the given layout on a host that offers every suite
// at version 13.28.
struct SetupRun {
  std::vector<PF_ParamDef> defs;
  A_long num_params = -7;
  PF_Err err = -1;
};

SetupRun RunSetup(PathLayout layout, int failAt = 0) {
  SetupRun r;
  embedded::EmbeddedHost host;
  ResetHostInfo();
  ProbeHost(host.InData());
  SetPathMode(layout);
  if (failAt) host.Faults().FailAddParamAt(failAt, 1000 + failAt);
  host.OutData()->num_params = -7;
  r.err = ParamsSetup(host.InData(), host.OutData());
  r.num_params = host.OutData()->num_params;
  r.defs = host.RegisteredParams();
  ResetHostInfo();
  return r;
}

const SetupRun& PointLayout() {
  static const SetupRun run = RunSetup(PathLayout::kPoint);
  return run;
}

TEST(ParamSetupTest, SucceedsWith113ParametersInThePointLayoutAndTheTableCoversEveryIndex) {
  EXPECT_EQ(PointLayout().err, PF_Err_NONE);
  EXPECT_EQ(PointLayout().num_params, 113);
  const std::vector<Row> rows = AllRows();
  ASSERT_EQ(rows.size(), 112u);
  for (int i = 0; i < 112; ++i) EXPECT_EQ(rows[static_cast<size_t>(i)].index, i + 1);
}

class ParamTableTest : public ::testing::TestWithParam<Row> {};

TEST_P(ParamTableTest, EntryAsTabled) {
  const Row& row = GetParam();
  ASSERT_EQ(PointLayout().defs.size(), 112u);
  const PF_ParamDef& def = PointLayout().defs[static_cast<size_t>(row.index - 1)];
  EXPECT_EQ(def.uu.id, row.id);
  EXPECT_STREQ(def.name, row.name);
  EXPECT_EQ(def.param_type, TypeOf(row.kind));
  EXPECT_EQ(def.flags, row.flags);
  EXPECT_EQ(def.ui_flags, row.ui);
  EXPECT_EQ(def.ui_width, 0);
  EXPECT_EQ(def.ui_height, 0);
  using V = std::vector<long long>;
  const long long a = row.a * 65536, b = row.b * 65536, lo = row.lo * 65536, hi = row.hi * 65536;
  if (row.kind == CB) {
    EXPECT_EQ((V{def.u.bd.value, def.u.bd.dephault}), (V{row.a, row.a}));
    ASSERT_NE(def.u.bd.u.nameptr, nullptr);
    EXPECT_STREQ(def.u.bd.u.nameptr, "");
  } else if (row.kind == PU) {
    EXPECT_EQ((V{def.u.pd.value, def.u.pd.dephault, def.u.pd.num_choices}),
              (V{row.a, row.a, row.hi}));
    ASSERT_NE(def.u.pd.u.namesptr, nullptr);
    EXPECT_STREQ(def.u.pd.u.namesptr, row.choices);
  } else if (row.kind == FX) {
    const PF_FixedSliderDef& f = def.u.fd;
    EXPECT_EQ((V{f.value, f.dephault, f.valid_min, f.slider_min, f.valid_max, f.slider_max}),
              (V{a, a, lo, lo, hi, hi}));
    EXPECT_EQ((V{f.precision, f.display_flags}), (V{row.precision, row.display}));
    EXPECT_STREQ(f.value_str, "");
    EXPECT_STREQ(f.value_desc, "");
  } else if (row.kind == CO) {
    EXPECT_EQ((V{Argb(def.u.cd.value), Argb(def.u.cd.dephault)}), (V{row.a, row.a}));
  } else if (row.kind == PT) {
    const PF_PointDef& t = def.u.td;
    EXPECT_EQ((V{t.x_dephault, t.y_dephault, t.x_value, t.y_value, t.restrict_bounds}),
              (V{a, b, a, b, 0}));
  }
}

INSTANTIATE_TEST_SUITE_P(AllEntries, ParamTableTest, ::testing::ValuesIn(AllRows()),
                         [](const auto& info) {
                           return "Index" + std::to_string(info.param.index);
                         });

// A failing add_param stops set-up at once with its code; num_params stays.
// First entry, a group start, inside a colour-dot group, inside a point group,
// the last group end.
class ParamSetupFailureTest : public ::testing::TestWithParam<int> {};

TEST_P(ParamSetupFailureTest, StopsAtTheFailingCall) {
  const SetupRun run = RunSetup(PathLayout::kPoint, GetParam());
  EXPECT_EQ(run.err, 1000 + GetParam());
  EXPECT_EQ(run.defs.size(), static_cast<size_t>(GetParam() - 1));
  EXPECT_EQ(run.num_params, -7);
}

INSTANTIATE_TEST_SUITE_P(Calls, ParamSetupFailureTest, ::testing::Values(1, 4, 20, 77, 95, 112));

TEST(ParamSetupMaskLayoutTest, PathReplacesShowPathAndThePointsAreLeftOut) {
  const SetupRun run = RunSetup(PathLayout::kMask);
  ASSERT_EQ(run.err, PF_Err_NONE);
  EXPECT_EQ(run.num_params, 79);
  const auto& mask = run.defs;
  ASSERT_EQ(mask.size(), 78u);
  EXPECT_EQ(mask[0].param_type, PF_Param_PATH);
  EXPECT_EQ(mask[0].uu.id, 1);
  EXPECT_STREQ(mask[0].name, "Path");
  EXPECT_EQ(mask[0].flags, 0);
  EXPECT_EQ(mask[0].u.path_d.dephault, 0);
  // Indexes 2 to 78 as in the point layout.
  const auto& point = PointLayout().defs;
  for (size_t i = 1; i < mask.size(); ++i) {
    EXPECT_EQ(mask[i].uu.id, point[i].uu.id) << "index " << i + 1;
    EXPECT_EQ(mask[i].param_type, point[i].param_type) << "index " << i + 1;
    EXPECT_STREQ(mask[i].name, point[i].name) << "index " << i + 1;
  }
}

}  // namespace
