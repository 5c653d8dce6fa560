// The parameter array of a render: the input layer at index 0, defaults as
// the host delivers them, user values in the host's encodings, and refusals
// that name the parameter and what it accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"

namespace {

using embedded::EmbeddedHost;
using embedded::ParamArray;

PF_ParamDef Blank(PF_ParamType type, A_long id, const char* name) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof def);
  def.param_type = type;
  def.uu.id = id;
  std::strcpy(def.name, name);
  return def;
}

PF_ParamDef Slider(A_long id, const char* name, int lo, int hi, int dflt) {
  PF_ParamDef def = Blank(PF_Param_FIX_SLIDER, id, name);
  def.u.fd.valid_min = def.u.fd.slider_min = lo * 65536;
  def.u.fd.valid_max = def.u.fd.slider_max = hi * 65536;
  def.u.fd.dephault = dflt * 65536;
  return def;
}

PF_ParamDef Point(A_long id, int x_percent, int y_percent) {
  PF_ParamDef def = Blank(PF_Param_POINT, id, "Point");
  def.u.td.x_dephault = x_percent * 65536;
  def.u.td.y_dephault = y_percent * 65536;
  return def;
}

// Indexes of the small parameter set registered below.
enum {
  kWidth = 1,
  kEnd = 2,
  kShow = 3,
  kColor = 4,
  kDot1 = 5,
  kDot1Opacity = 6,
  kDot1End = 7,
  kDot2 = 8,
  kDot2Opacity = 9,
  kDot2End = 10,
  kPoint = 11,
  kPath = 12,
  kOffset = 13,
};

class ParamArrayTest : public ::testing::Test {
 protected:
  ParamArrayTest() {
    Register(Slider(5, "Line Width", 1, 1000, 20));
    PF_ParamDef popup = Blank(PF_Param_POPUP, 78, "End Point Style");
    popup.u.pd.num_choices = 2;
    popup.u.pd.dephault = 2;
    popup.u.pd.u.namesptr = "Round|Flat";
    Register(popup);
    PF_ParamDef box = Blank(PF_Param_CHECKBOX, 1, "Show Path?");
    box.u.bd.dephault = 1;
    Register(box);
    PF_ParamDef color = Blank(PF_Param_COLOR, 80, "Path Color");
    color.u.cd.dephault = PF_Pixel{255, 10, 20, 30};
    Register(color);
    Register(Blank(PF_Param_GROUP_START, 14, "Color Dot 1"));
    Register(Slider(18, "Opacity", 0, 100, 100));
    Register(Blank(PF_Param_GROUP_END, 19, ""));
    Register(Blank(PF_Param_GROUP_START, 20, "Color Dot 2"));
    Register(Slider(24, "Opacity", 0, 100, 100));
    Register(Blank(PF_Param_GROUP_END, 25, ""));
    Register(Point(84, 75, 49));
    PF_ParamDef path = Blank(PF_Param_PATH, 1, "Path");
    path.u.path_d.dephault = 0;
    Register(path);
    Register(Slider(9, "Gradient Offset", -500, 500, 0));
  }

  void Register(PF_ParamDef def) {
    ASSERT_EQ(host_.InData()->inter.add_param(host_.InData()->effect_ref, -1, &def),
              PF_Err_NONE);
  }

  ParamArray Build(A_long width, A_long height) {
    return host_.BuildParams(host_.CreateWorld(width, height, false, false));
  }

  EmbeddedHost host_;
};

TEST_F(ParamArrayTest, EntryZeroIsTheInputLayerAndTheRestStartAtTheirDefaults) {
  PF_EffectWorld* input = host_.CreateWorld(40, 30, true, false);
  ParamArray params = host_.BuildParams(input);
  PF_ParamDef** p = params.Get();
  ASSERT_EQ(params.Size(), 14);
  EXPECT_EQ(p[0]->param_type, PF_Param_LAYER);
  EXPECT_EQ(p[0]->u.ld.data, input->data);
  EXPECT_EQ(p[0]->u.ld.width, 40);
  EXPECT_EQ(p[0]->u.ld.world_flags, input->world_flags);
  EXPECT_EQ(p[kWidth]->u.fd.value, 20 * 65536);
  EXPECT_EQ(p[kEnd]->u.pd.value, 2);
  EXPECT_EQ(p[kShow]->u.bd.value, 1);
  EXPECT_EQ(p[kColor]->u.cd.value.red, 10);
  EXPECT_EQ(p[kColor]->u.cd.value.blue, 30);
  EXPECT_EQ(p[kPath]->u.path_d.path_id, 0);
  EXPECT_EQ(p[kPoint]->uu.id, 84);
  EXPECT_EQ(host_.InData()->width, 40);
  EXPECT_EQ(host_.InData()->height, 30);
}

TEST_F(ParamArrayTest, PointersStayValidWhenTheArrayIsMoved) {
  ParamArray built = Build(8, 8);
  PF_ParamDef** before = built.Get();
  PF_ParamDef* width_entry = before[kWidth];
  ParamArray moved = std::move(built);
  EXPECT_EQ(moved.Get()[kWidth], width_entry);
  EXPECT_EQ(&moved.At(kWidth), width_entry);
  moved.SetFixed(kWidth, 35.5);
  EXPECT_EQ(width_entry->u.fd.value, 2326528);
  EXPECT_THROW(moved.At(14), std::out_of_range);
  EXPECT_THROW(moved.At(-1), std::out_of_range);
}

// Point defaults, 16.16 percent, delivered as trunc(percent * size / 100) in
// 64-bit integers; expectations worked out by hand.
struct PointDefaultCase {
  int x_percent, y_percent;
  A_long width, height;
  PF_Fixed x, y;
};

class PointDefaultDeliveryTest : public ::testing::TestWithParam<PointDefaultCase> {};

TEST_P(PointDefaultDeliveryTest, TruncatesInPixelsOfTheInputWorld) {
  const PointDefaultCase& c = GetParam();
  EmbeddedHost host;
  PF_ParamDef def = Point(84, c.x_percent, c.y_percent);
  host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def);
  ParamArray params = host.BuildParams(host.CreateWorld(c.width, c.height, false, false));
  EXPECT_EQ(params.At(1).u.td.x_value, c.x);
  EXPECT_EQ(params.At(1).u.td.y_value, c.y);
  // The defaults themselves stay percentages.
  EXPECT_EQ(params.At(1).u.td.x_dephault, c.x_percent * 65536);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PointDefaultDeliveryTest,
    ::testing::Values(PointDefaultCase{62, 28, 1920, 1080, 78014054, 19818086},
                      PointDefaultCase{75, 49, 1920, 1080, 94371840, 34681651},
                      PointDefaultCase{24, 50, 1919, 1079, 30183260, 35356672},
                      PointDefaultCase{37, 71, 1, 1, 24248, 46530},
                      PointDefaultCase{62, 28, 30000, 30000, 1218969600, 550502400},
                      PointDefaultCase{99, 1, 7, 3, 454164, 1966}));

// A user's point in full-resolution pixels: floor(v * num/den * 65536 + 0.5).
struct PointValueCase {
  double x, y;
  PF_RationalScale dx, dy;
  PF_Fixed fx, fy;
};

class PointValueTest : public ::testing::TestWithParam<PointValueCase> {};

TEST_P(PointValueTest, ScaledByTheDownsampleInForceWhenSet) {
  const PointValueCase& c = GetParam();
  EmbeddedHost host;
  PF_ParamDef def = Point(84, 50, 50);
  host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def);
  ParamArray params = host.BuildParams(host.CreateWorld(16, 16, false, false));
  host.SetDownsample(c.dx, c.dy);
  params.SetPoint(1, c.x, c.y);
  EXPECT_EQ(params.At(1).u.td.x_value, c.fx);
  EXPECT_EQ(params.At(1).u.td.y_value, c.fy);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PointValueTest,
    ::testing::Values(PointValueCase{100, 50, {1, 1}, {1, 1}, 6553600, 3276800},
                      PointValueCase{100.25, 50.5, {1, 2}, {1, 2}, 3284992, 1654784},
                      PointValueCase{33.3, 10, {1, 3}, {1, 1}, 727450, 655360},
                      PointValueCase{-7.5, 0, {1, 2}, {1, 4}, -245760, 0},
                      PointValueCase{1919.999, 1079.5, {1, 1}, {1, 1}, 125829054, 70746112}));

// Slider numbers are stored as floor(v * 65536 + 0.5); range bounds included.
struct FixedCase {
  int index;
  double value;
  PF_Fixed stored;
};

class FixedValueTest : public ParamArrayTest, public ::testing::WithParamInterface<FixedCase> {};

TEST_P(FixedValueTest, StoredAsRounded16Dot16) {
  ParamArray params = Build(4, 4);
  params.SetFixed(GetParam().index, GetParam().value);
  EXPECT_EQ(params.At(GetParam().index).u.fd.value, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Values, FixedValueTest,
                         ::testing::Values(FixedCase{kWidth, 35.5, 2326528},
                                           FixedCase{kWidth, 3.7, 242483},
                                           FixedCase{kWidth, 1.0, 65536},
                                           FixedCase{kWidth, 1000.0, 65536000},
                                           FixedCase{kDot1Opacity, 0.00001, 1},
                                           FixedCase{kDot2Opacity, 99.999, 6553534},
                                           FixedCase{kOffset, -500.0, -32768000},
                                           FixedCase{kOffset, 500.0, 32768000}));

// Refused values: std::invalid_argument whose message holds each fragment.
struct RefusalCase {
  const char* label;
  std::function<void(ParamArray&)> set;
  std::vector<const char*> fragments;
  int untouched_index;
};

class RefusalTest : public ParamArrayTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ThrowsNamingTheParameterAndWhatItAccepts) {
  ParamArray params = Build(4, 4);
  const PF_ParamDef before = params.At(GetParam().untouched_index);
  try {
    GetParam().set(params);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    const std::string what = e.what();
    for (const char* fragment : GetParam().fragments) {
      EXPECT_NE(what.find(fragment), std::string::npos) << "'" << fragment << "' in: " << what;
    }
  }
  EXPECT_EQ(std::memcmp(&params.At(GetParam().untouched_index).u, &before.u, sizeof before.u), 0);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"BelowSliderRange", [](ParamArray& p) { p.SetFixed(kWidth, 0.999); },
                    {"Line Width", "1 to 1000", "0.999"}, kWidth},
        RefusalCase{"AboveSliderRange", [](ParamArray& p) { p.SetFixed(kWidth, 1000.001); },
                    {"Line Width", "1 to 1000"}, kWidth},
        // Checked as given: 1000.000001 would round to exactly 1000 in 16.16.
        RefusalCase{"CheckedBeforeConversion",
                    [](ParamArray& p) { p.SetFixed(kWidth, 1000.000001); },
                    {"Line Width", "1 to 1000"}, kWidth},
        RefusalCase{"NotANumber", [](ParamArray& p) { p.SetFixed(kOffset, kNaN); },
                    {"Gradient Offset", "-500 to 500"}, kOffset},
        RefusalCase{"GroupedNameIsQualified",
                    [](ParamArray& p) { p.SetFixed(kDot2Opacity, 101); },
                    {"Color Dot 2/Opacity", "0 to 100"}, kDot2Opacity},
        RefusalCase{"PopupZero", [](ParamArray& p) { p.SetPopup(kEnd, 0); },
                    {"End Point Style", "1 to 2", "Round|Flat"}, kEnd},
        RefusalCase{"PopupPastLast", [](ParamArray& p) { p.SetPopup(kEnd, 3); },
                    {"End Point Style", "Round|Flat"}, kEnd},
        RefusalCase{"WrongType", [](ParamArray& p) { p.SetCheckbox(kWidth, true); },
                    {"Line Width", "slider"}, kWidth},
        RefusalCase{"PointOutside16Dot16", [](ParamArray& p) { p.SetPoint(kPoint, 40000, 1); },
                    {"Point", "32767"}, kPoint}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
