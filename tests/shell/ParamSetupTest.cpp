// The parameter table as the host sees it through add_param, checked entry by
// entry against the table written out below.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "shell/HostInfo.h"
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
struct Row {
  int index;
  int id;
  const char* name;
  Kind kind;
  int flags;
  int ui;
  long long a;
  long long b;
  int lo;
  int hi;
  int precision;
  int display;
  const char* choices;
};

const Row kTable[] = {
    {1, 1, "Show Path?", CB, kStatic, 0, 1, 0, 0, 0, 0, 0, nullptr},
    {2, 2, "Output View", PU, kStatic, 0, 1, 0, 0, 3, 0, 0, "Normal|Gradient View (hoz)|Gradient View (vert)"},
    {3, 3, "Rendering Style", PU, kStatic, 0, 2, 0, 0, 3, 0, 0, "Draw on Black|Draw on Image|Draw on Clear"},
    {4, 4, "Line Rendering", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {5, 5, "Line Width", FX, kTwirl, 0, 20, 0, 1, 1000, 2, 0, nullptr},
    {6, 78, "End Point Style", PU, kStatic, 0, 1, 0, 0, 2, 0, 0, "Round|Flat"},
    {7, 6, "Falloff", FX, kTwirl, 0, 20, 0, 0, 100, 2, 0, nullptr},
    {8, 7, "Repeat Style", PU, kStatic, 0, 1, 0, 0, 2, 0, 0, "Repeat|Reflect"},
    {9, 8, "Repeats", FX, kTwirl, 0, 1, 0, 1, 10, 0, 0, nullptr},
    {10, 9, "Gradient Offset", FX, kTwirl, 0, 0, 0, -500, 500, 2, 0, nullptr},
    {11, 10, "Gradient Interpolation", PU, kStatic, 0, 2, 0, 0, 3, 0, 0, "RGB (linear)|RGB (preserve lum)|HSL"},
    {12, 77, "Wrap Gradient Around?", CB, kStatic, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {13, 11, "Gradient Mode", PU, kStatic, 0, 1, 0, 0, 3, 0, 0, "Normal|Inside Only|Outside Only"},
    {14, 12, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {15, 13, "Gradient Color Dots", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {16, 14, "Color Dot 1", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {17, 15, "Activate", CB, 0, 0, 1, 0, 0, 0, 0, 0, nullptr},
    {18, 16, "Color", CO, kTwirl, 0, 0xFFFF0000, 0, 0, 0, 0, 0, nullptr},
    {19, 17, "Gradient Position", FX, kTwirl, 0, 20, 0, 0, 100, 2, 0, nullptr},
    {20, 18, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {21, 19, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {22, 20, "Color Dot 2", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {23, 21, "Activate", CB, 0, 0, 1, 0, 0, 0, 0, 0, nullptr},
    {24, 22, "Color", CO, kTwirl, 0, 0xFF00FF00, 0, 0, 0, 0, 0, nullptr},
    {25, 23, "Gradient Position", FX, kTwirl, 0, 50, 0, 0, 100, 2, 0, nullptr},
    {26, 24, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {27, 25, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {28, 26, "Color Dot 3", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {29, 27, "Activate", CB, 0, 0, 1, 0, 0, 0, 0, 0, nullptr},
    {30, 28, "Color", CO, kTwirl, 0, 0xFF0000FF, 0, 0, 0, 0, 0, nullptr},
    {31, 29, "Gradient Position", FX, kTwirl, 0, 80, 0, 0, 100, 2, 0, nullptr},
    {32, 30, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {33, 31, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {34, 32, "Color Dot 4", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {35, 33, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {36, 34, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {37, 35, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {38, 36, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {39, 37, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {40, 38, "Color Dot 5", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {41, 39, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {42, 40, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {43, 41, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {44, 42, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {45, 43, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {46, 44, "Color Dot 6", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {47, 45, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {48, 46, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {49, 47, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {50, 48, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {51, 49, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {52, 50, "Color Dot 7", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {53, 51, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {54, 52, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {55, 53, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {56, 54, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {57, 55, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {58, 56, "Color Dot 8", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {59, 57, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {60, 58, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {61, 59, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {62, 60, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {63, 61, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {64, 62, "Color Dot 9", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {65, 63, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {66, 64, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {67, 65, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {68, 66, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {69, 67, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {70, 68, "Color Dot 10", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {71, 69, "Activate", CB, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {72, 70, "Color", CO, kTwirl, 0, 0xFF000000, 0, 0, 0, 0, 0, nullptr},
    {73, 71, "Gradient Position", FX, kTwirl, 0, 0, 0, 0, 100, 2, 0, nullptr},
    {74, 72, "Opacity", FX, kTwirl, 0, 100, 0, 0, 100, 2, 0, nullptr},
    {75, 73, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {76, 74, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {77, 75, "Original Blend Transfer", PU, kStatic, 0, 1, 0, 0, 25, 0, 0, kList25},
    {78, 76, "Composite with Original", FX, kTwirl, 0, 0, 0, 0, 100, 2, 1, nullptr},
    {79, 79, "Path Points", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {80, 80, "Path Color", CO, kTwirl, 0, 0xFFFFFFFF, 0, 0, 0, 0, 0, nullptr},
    {81, 81, "Close Path?", CB, kStatic, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {82, 82, "Point 1", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {83, 83, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {84, 84, "Point", PT, 0, 32, 62, 28, 0, 0, 0, 0, nullptr},
    {85, 85, "Handle", PT, 0, 32, 56, 25, 0, 0, 0, 0, nullptr},
    {86, 86, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {87, 87, "Point 2", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {88, 88, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {89, 89, "Point", PT, 0, 32, 75, 49, 0, 0, 0, 0, nullptr},
    {90, 90, "Handle", PT, 0, 32, 74, 43, 0, 0, 0, 0, nullptr},
    {91, 91, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {92, 92, "Point 3", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {93, 93, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {94, 94, "Point", PT, 0, 32, 62, 71, 0, 0, 0, 0, nullptr},
    {95, 95, "Handle", PT, 0, 32, 67, 67, 0, 0, 0, 0, nullptr},
    {96, 96, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {97, 97, "Point 4", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {98, 98, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {99, 99, "Point", PT, 0, 32, 37, 71, 0, 0, 0, 0, nullptr},
    {100, 100, "Handle", PT, 0, 32, 43, 74, 0, 0, 0, 0, nullptr},
    {101, 101, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {102, 102, "Point 5", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {103, 103, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {104, 104, "Point", PT, 0, 32, 24, 50, 0, 0, 0, 0, nullptr},
    {105, 105, "Handle", PT, 0, 32, 25, 56, 0, 0, 0, 0, nullptr},
    {106, 106, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {107, 107, "Point 6", GS, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {108, 108, "Activate", CB, kWatch, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {109, 109, "Point", PT, 0, 32, 37, 28, 0, 0, 0, 0, nullptr},
    {110, 110, "Handle", PT, 0, 32, 32, 32, 0, 0, 0, 0, nullptr},
    {111, 111, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
    {112, 112, "", GE, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
};

PF_ParamType TypeOf(Kind kind) {
  switch (kind) {
    case CB: return PF_Param_CHECKBOX;
    case PU: return PF_Param_POPUP;
    case FX: return PF_Param_FIX_SLIDER;
    case CO: return PF_Param_COLOR;
    case PT: return PF_Param_POINT;
    case GS: return PF_Param_GROUP_START;
    case GE: return PF_Param_GROUP_END;
  }
  return -1;
}

// Runs parameter set-up in the point layout on a host that offers every
// suite at version 13.28, once for the whole file.
struct PointLayoutRun {
  std::vector<PF_ParamDef> defs;
  A_long num_params = -7;
  PF_Err err = -1;
};

const PointLayoutRun& PointLayout() {
  static const PointLayoutRun run = [] {
    PointLayoutRun r;
    embedded::EmbeddedHost host;
    ResetHostInfo();
    ProbeHost(host.InData());
    SetPathMode(PathLayout::kPoint);
    host.OutData()->num_params = -7;
    r.err = ParamsSetup(host.InData(), host.OutData());
    r.num_params = host.OutData()->num_params;
    r.defs = host.RegisteredParams();
    ResetHostInfo();
    return r;
  }();
  return run;
}

class ParamTableTest : public ::testing::TestWithParam<Row> {};

TEST_P(ParamTableTest, EntryAsTabled) {
  const Row& row = GetParam();
  const PointLayoutRun& run = PointLayout();
  ASSERT_EQ(run.defs.size(), 112u);
  const PF_ParamDef& def = run.defs[static_cast<size_t>(row.index - 1)];

  EXPECT_EQ(def.uu.id, row.id);
  EXPECT_STREQ(def.name, row.name);
  EXPECT_EQ(def.param_type, TypeOf(row.kind));
  EXPECT_EQ(def.flags, row.flags);
  EXPECT_EQ(def.ui_flags, row.ui);
  EXPECT_EQ(def.ui_width, 0);
  EXPECT_EQ(def.ui_height, 0);

  switch (row.kind) {
    case CB:
      EXPECT_EQ(def.u.bd.value, row.a);
      EXPECT_EQ(def.u.bd.dephault, row.a);
      ASSERT_NE(def.u.bd.u.nameptr, nullptr);
      EXPECT_STREQ(def.u.bd.u.nameptr, "");
      break;
    case PU:
      EXPECT_EQ(def.u.pd.value, row.a);
      EXPECT_EQ(def.u.pd.dephault, row.a);
      EXPECT_EQ(def.u.pd.num_choices, row.hi);
      ASSERT_NE(def.u.pd.u.namesptr, nullptr);
      EXPECT_STREQ(def.u.pd.u.namesptr, row.choices);
      break;
    case FX:
      EXPECT_EQ(def.u.fd.value, row.a * 65536);
      EXPECT_EQ(def.u.fd.dephault, row.a * 65536);
      EXPECT_EQ(def.u.fd.valid_min, row.lo * 65536);
      EXPECT_EQ(def.u.fd.slider_min, row.lo * 65536);
      EXPECT_EQ(def.u.fd.valid_max, row.hi * 65536);
      EXPECT_EQ(def.u.fd.slider_max, row.hi * 65536);
      EXPECT_EQ(def.u.fd.precision, row.precision);
      EXPECT_EQ(def.u.fd.display_flags, row.display);
      EXPECT_STREQ(def.u.fd.value_str, "");
      EXPECT_STREQ(def.u.fd.value_desc, "");
      break;
    case CO: {
      const PF_Pixel want{static_cast<A_u_char>(row.a >> 24), static_cast<A_u_char>(row.a >> 16),
                          static_cast<A_u_char>(row.a >> 8), static_cast<A_u_char>(row.a)};
      for (const PF_Pixel& got : {def.u.cd.value, def.u.cd.dephault}) {
        EXPECT_EQ(got.alpha, want.alpha);
        EXPECT_EQ(got.red, want.red);
        EXPECT_EQ(got.green, want.green);
        EXPECT_EQ(got.blue, want.blue);
      }
      break;
    }
    case PT:
      EXPECT_EQ(def.u.td.x_dephault, row.a * 65536);
      EXPECT_EQ(def.u.td.y_dephault, row.b * 65536);
      EXPECT_EQ(def.u.td.x_value, row.a * 65536);
      EXPECT_EQ(def.u.td.y_value, row.b * 65536);
      EXPECT_EQ(def.u.td.restrict_bounds, 0);
      break;
    case GS:
    case GE:
      break;
  }
}

std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  return "Index" + std::to_string(info.param.index);
}

INSTANTIATE_TEST_SUITE_P(AllEntries, ParamTableTest, ::testing::ValuesIn(kTable), RowName);

TEST(ParamSetupTest, SucceedsWith113ParametersInThePointLayout) {
  EXPECT_EQ(PointLayout().err, PF_Err_NONE);
  EXPECT_EQ(PointLayout().num_params, 113);
}

TEST(ParamSetupTest, ColourDotIdentifiersRunWithoutGapsTwoBelowTheIndex) {
  const auto& defs = PointLayout().defs;
  for (int index = 16; index <= 75; ++index) {
    EXPECT_EQ(defs[static_cast<size_t>(index - 1)].uu.id, index - 2) << "index " << index;
  }
  for (int index = 79; index <= 112; ++index) {
    EXPECT_EQ(defs[static_cast<size_t>(index - 1)].uu.id, index) << "index " << index;
  }
}

// The six points sit on a circle of radius 0.25 about the centre, 60 degrees
// apart starting 30 degrees clockwise from straight up; handles 15 degrees
// behind. Checked against the closed form, which the repeated rotation only
// approximates to rounding.
class PointDefaultPositionTest : public ::testing::TestWithParam<int> {};

TEST_P(PointDefaultPositionTest, LiesOnTheCircleAtItsAngle) {
  const int k = GetParam();
  const double pi = 3.14159265358979323846;
  const double point_angle = (30.0 + 60.0 * (k - 1)) * pi / 180.0;
  const double handle_angle = (15.0 + 60.0 * (k - 1)) * pi / 180.0;
  const PointDefaultPair d = PointDefaultPosition(k);
  EXPECT_NEAR(d.pointX, 0.5 + 0.25 * std::sin(point_angle), 1e-12);
  EXPECT_NEAR(d.pointY, 0.5 - 0.25 * std::cos(point_angle), 1e-12);
  EXPECT_NEAR(d.handleX, 0.5 + 0.25 * std::sin(handle_angle), 1e-12);
  EXPECT_NEAR(d.handleY, 0.5 - 0.25 * std::cos(handle_angle), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(SixPoints, PointDefaultPositionTest, ::testing::Range(1, 7));

TEST(PointDefaultPositionTest, RepeatedRotationLandsBelowTheWholePercent) {
  // The closed form gives exactly 50 and 25; the rotation chain falls a hair
  // short, and truncation keeps the shortfall.
  EXPECT_LT(100.0 * PointDefaultPosition(2).pointY, 50.0);
  EXPECT_LT(100.0 * PointDefaultPosition(5).pointX, 25.0);
}

// A failing add_param stops set-up at once with its code; num_params stays.
class ParamSetupFailureTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ResetHostInfo();
    ProbeHost(host_.InData());
    SetPathMode(PathLayout::kPoint);
  }
  void TearDown() override { ResetHostInfo(); }
  embedded::EmbeddedHost host_;
};

TEST_P(ParamSetupFailureTest, StopsAtTheFailingCall) {
  const int nth = GetParam();
  const PF_Err code = 1000 + nth;
  host_.FailAddParamAt(nth, code);
  host_.OutData()->num_params = -7;
  EXPECT_EQ(ParamsSetup(host_.InData(), host_.OutData()), code);
  EXPECT_EQ(host_.RegisteredParams().size(), static_cast<size_t>(nth - 1));
  EXPECT_EQ(host_.OutData()->num_params, -7);
}

// First entry, a group start, inside a colour-dot group, inside a point group,
// the last group end.
INSTANTIATE_TEST_SUITE_P(Calls, ParamSetupFailureTest, ::testing::Values(1, 4, 20, 77, 95, 112));

TEST(ParamSetupMaskLayoutTest, PathReplacesShowPathAndThePointsAreLeftOut) {
  embedded::EmbeddedHost host;
  ResetHostInfo();
  ProbeHost(host.InData());
  SetPathMode(PathLayout::kMask);
  host.OutData()->num_params = -7;
  ASSERT_EQ(ParamsSetup(host.InData(), host.OutData()), PF_Err_NONE);
  ResetHostInfo();
  EXPECT_EQ(host.OutData()->num_params, 79);
  const auto& mask = host.RegisteredParams();
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
