// The parameter array of a render: the input layer at index 0, defaults as
// the host delivers them, user values in the host's encodings, and refusals
// that name the parameter and what it accepts.
#include <gtest/gtest.h>

#include <cstdint>
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

PF_ParamDef Def(PF_ParamType type, A_long id, const char* name) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof def);
  def.param_type = type;
  def.uu.id = id;
  std::strcpy(def.name, name);
  return def;
}

PF_ParamDef Slider(A_long id, const char* name, int lo, int hi, int dflt) {
  PF_ParamDef def = Def(PF_Param_FIX_SLIDER, id, name);
  def.u.fd.valid_min = def.u.fd.slider_min = lo * 65536;
  def.u.fd.valid_max = def.u.fd.slider_max = hi * 65536;
  def.u.fd.dephault = dflt * 65536;
  return def;
}

PF_ParamDef Point(A_long id, int x_percent, int y_percent) {
  PF_ParamDef def = Def(PF_Param_POINT, id, "Point");
  def.u.td.x_dephault = x_percent * 65536;
  def.u.td.y_dephault = y_percent * 65536;
  return def;
}

void Register(EmbeddedHost& host, PF_ParamDef def) {
  ASSERT_EQ(host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def), PF_Err_NONE);
}

// Indexes of the small parameter set registered below.
enum {
  kWidth = 1,
  kEnd,
  kShow,
  kColor,
  kDot1,
  kDot1Opacity,
  kDot1End,
  kDot2,
  kDot2Opacity,
  kDot2End,
  kPoint,
  kPath,
  kOffset
};

class ParamArrayTest : public ::testing::Test {
 protected:
  ParamArrayTest() {
    Register(host_, Slider(5, "Line Width", 1, 1000, 20));
    PF_ParamDef popup = Def(PF_Param_POPUP, 78, "End Point Style");
    popup.u.pd.num_choices = 2;
    popup.u.pd.dephault = 2;
    popup.u.pd.u.namesptr = "Round|Flat";
    Register(host_, popup);
    PF_ParamDef box = Def(PF_Param_CHECKBOX, 1, "Show Path?");
    box.u.bd.dephault = 1;
    Register(host_, box);
    PF_ParamDef color = Def(PF_Param_COLOR, 80, "Path Color");
    color.u.cd.dephault = PF_Pixel{255, 10, 20, 30};
    Register(host_, color);
    for (A_long dot : {14, 20}) {
      Register(host_, Def(PF_Param_GROUP_START, dot, dot == 14 ? "Color Dot 1" : "Color Dot 2"));
      Register(host_, Slider(dot + 4, "Opacity", 0, 100, 100));
      Register(host_, Def(PF_Param_GROUP_END, dot + 5, ""));
    }
    Register(host_, Point(84, 75, 49));
    Register(host_, Def(PF_Param_PATH, 1, "Path"));
    Register(host_, Slider(9, "Gradient Offset", -500, 500, 0));
  }
  ParamArray Build() { return host_.BuildParams(host_.CreateWorld(4, 4, false, false)); }
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
  // Width, end style, show path, colour red and blue, path id, point id; in_data's size.
  EXPECT_EQ((std::vector<long>{p[kWidth]->u.fd.value, p[kEnd]->u.pd.value, p[kShow]->u.bd.value,
                               p[kColor]->u.cd.value.red, p[kColor]->u.cd.value.blue,
                               p[kPath]->u.path_d.path_id, p[kPoint]->uu.id}),
            (std::vector<long>{20 * 65536, 2, 1, 10, 30, 0, 84}));
  EXPECT_EQ((std::vector<long>{host_.InData()->width, host_.InData()->height}),
            (std::vector<long>{40, 30}));
}

TEST_F(ParamArrayTest, PointersStayValidWhenTheArrayIsMovedAndIndexesAreChecked) {
  ParamArray built = Build();
  PF_ParamDef* width_entry = built.Get()[kWidth];
  ParamArray moved = std::move(built);
  EXPECT_EQ(moved.Get()[kWidth], width_entry);
  EXPECT_EQ(&moved.At(kWidth), width_entry);
  moved.SetFixed(kWidth, 35.5);
  EXPECT_EQ(width_entry->u.fd.value, 2326528);
  EXPECT_THROW(moved.At(14), std::out_of_range);
  EXPECT_THROW(moved.At(-1), std::out_of_range);
}

// Point defaults, 16.16 percent, delivered as trunc(percent * size / 100) in
// 64-bit integers, the defaults themselves staying percentages; a user's
// point in full-resolution pixels as floor(v * num/den * 65536 + 0.5) under
// the downsample in force when set (user false: the default is read).
// Expectations worked out by hand.
// clang-format off
struct PointCase { bool user; int x_percent, y_percent; A_long width, height; double x, y;
                   PF_RationalScale dx, dy; PF_Fixed fx, fy; };
// clang-format on

class PointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointTest, DeliveredInFixedPixels) {
  const PointCase& c = GetParam();
  if (uint64_t(c.width) * uint64_t(c.height) * sizeof(PF_Pixel) > uint64_t(PTRDIFF_MAX)) {
    GTEST_SKIP() << "needs a 64-bit process: the layer does not fit a 32-bit address space";
  }
  EmbeddedHost host;
  Register(host, Point(84, c.x_percent, c.y_percent));
  ParamArray params = host.BuildParams(host.CreateWorld(c.width, c.height, false, false));
  if (c.user) {
    host.SetDownsample(c.dx, c.dy);
    params.SetPoint(1, c.x, c.y);
  }
  EXPECT_EQ(params.At(1).u.td.x_value, c.fx);
  EXPECT_EQ(params.At(1).u.td.y_value, c.fy);
  EXPECT_EQ(params.At(1).u.td.x_dephault, c.x_percent * 65536);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointTest,
    ::testing::Values(
        PointCase{false, 62, 28, 1920, 1080, 0, 0, {}, {}, 78014054, 19818086},
        PointCase{false, 75, 49, 1920, 1080, 0, 0, {}, {}, 94371840, 34681651},
        PointCase{false, 24, 50, 1919, 1079, 0, 0, {}, {}, 30183260, 35356672},
        PointCase{false, 37, 71, 1, 1, 0, 0, {}, {}, 24248, 46530},
        PointCase{false, 62, 28, 30000, 30000, 0, 0, {}, {}, 1218969600, 550502400},
        PointCase{false, 99, 1, 7, 3, 0, 0, {}, {}, 454164, 1966},
        PointCase{true, 50, 50, 16, 16, 100, 50, {1, 1}, {1, 1}, 6553600, 3276800},
        PointCase{true, 50, 50, 16, 16, 100.25, 50.5, {1, 2}, {1, 2}, 3284992, 1654784},
        PointCase{true, 50, 50, 16, 16, 33.3, 10, {1, 3}, {1, 1}, 727450, 655360},
        PointCase{true, 50, 50, 16, 16, -7.5, 0, {1, 2}, {1, 4}, -245760, 0},
        PointCase{true, 50, 50, 16, 16, 1919.999, 1079.5, {1, 1}, {1, 1}, 125829054, 70746112}));

// Slider numbers are stored as floor(v * 65536 + 0.5); range bounds included.
// clang-format off
struct FixedCase { int index; double value; PF_Fixed stored; };
// clang-format on

class FixedValueTest : public ParamArrayTest, public ::testing::WithParamInterface<FixedCase> {};

TEST_P(FixedValueTest, StoredAsRounded16Dot16) {
  ParamArray params = Build();
  params.SetFixed(GetParam().index, GetParam().value);
  EXPECT_EQ(params.At(GetParam().index).u.fd.value, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedValueTest,
    ::testing::Values(FixedCase{kWidth, 35.5, 2326528}, FixedCase{kWidth, 3.7, 242483},
                      FixedCase{kWidth, 1.0, 65536}, FixedCase{kWidth, 1000.0, 65536000},
                      FixedCase{kDot1Opacity, 0.00001, 1}, FixedCase{kDot2Opacity, 99.999, 6553534},
                      FixedCase{kOffset, -500.0, -32768000}, FixedCase{kOffset, 500.0, 32768000}));

// Refused values: std::invalid_argument whose message holds each fragment,
// the entry left as it was.
struct RefusalCase {
  const char* label;
  std::function<void(ParamArray&)> set;
  std::vector<const char*> fragments;
  int index;
};

class RefusalTest : public ParamArrayTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ThrowsNamingTheParameterAndWhatItAccepts) {
  ParamArray params = Build();
  const PF_ParamDef before = params.At(GetParam().index);
  try {
    GetParam().set(params);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    for (const char* fragment : GetParam().fragments)
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos)
          << "'" << fragment << "' in: " << e.what();
  }
  EXPECT_EQ(std::memcmp(&params.At(GetParam().index).u, &before.u, sizeof before.u), 0);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(RefusalCase{"BelowSliderRange",
                                  [](ParamArray& p) { p.SetFixed(kWidth, 0.999); },
                                  {"Line Width", "1 to 1000", "0.999"},
                                  kWidth},
                      RefusalCase{"AboveSliderRange",
                                  [](ParamArray& p) { p.SetFixed(kWidth, 1000.001); },
                                  {"Line Width", "1 to 1000"},
                                  kWidth},
                      // Checked as given: 1000.000001 would round to exactly 1000 in 16.16.
                      RefusalCase{"CheckedBeforeConversion",
                                  [](ParamArray& p) { p.SetFixed(kWidth, 1000.000001); },
                                  {"Line Width", "1 to 1000"},
                                  kWidth},
                      RefusalCase{"NotANumber",
                                  [](ParamArray& p) { p.SetFixed(kOffset, kNaN); },
                                  {"Gradient Offset", "-500 to 500"},
                                  kOffset},
                      RefusalCase{"GroupedNameIsQualified",
                                  [](ParamArray& p) { p.SetFixed(kDot2Opacity, 101); },
                                  {"Color Dot 2/Opacity", "0 to 100"},
                                  kDot2Opacity},
                      RefusalCase{"PopupZero",
                                  [](ParamArray& p) { p.SetPopup(kEnd, 0); },
                                  {"End Point Style", "1 to 2", "Round|Flat"},
                                  kEnd},
                      RefusalCase{"PopupPastLast",
                                  [](ParamArray& p) { p.SetPopup(kEnd, 3); },
                                  {"End Point Style", "Round|Flat"},
                                  kEnd},
                      RefusalCase{"WrongType",
                                  [](ParamArray& p) { p.SetCheckbox(kWidth, true); },
                                  {"Line Width", "slider"},
                                  kWidth},
                      RefusalCase{"PointOutside16Dot16",
                                  [](ParamArray& p) { p.SetPoint(kPoint, 40000, 1); },
                                  {"Point", "32767"},
                                  kPoint}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
