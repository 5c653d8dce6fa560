// Parameter names and values as a user writes them, against definitions
// shaped like the effect's.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ParamDefs.h"
#include "app/AppErrors.h"
#include "app/ParamNames.h"
#include "app/ParamSettings.h"
#include "app/ParamValues.h"

namespace {

using app::ParamValue;
using Kind = app::ParamValue::Kind;

// A small set with the same shape as the effect's: a top-level group, two
// colour-dot groups, two point groups and an ungrouped colour.
std::vector<PF_ParamDef> SampleSet() {
  using namespace testdefs;
  return {Checkbox("Show Path?", true),                                  // 1
          GroupStart("Line Rendering"),                                  // 2
          Slider("Line Width", 1, 1000, 20),                             // 3
          Popup("End Point Style", "Round|Flat", 2, 1),                  // 4
          Slider("Gradient Offset", -500, 500, 0),                       // 5
          GroupEnd(),                                                    // 6
          GroupStart("Color Dot 1"),                                     // 7
          Checkbox("Activate", true),                                    // 8
          Color("Color", {255, 255, 0, 0}),                              // 9
          GroupEnd(),                                                    // 10
          GroupStart("Color Dot 10"),                                    // 11
          Checkbox("Activate", false),                                   // 12
          Color("Color", {255, 0, 0, 0}),                                // 13
          GroupEnd(),                                                    // 14
          Color("Path Color", {255, 255, 255, 255}),                     // 15
          GroupStart("Point 2"),                                         // 16
          Checkbox("Activate", false),                                   // 17
          Point("Point", 75, 49),                                        // 18
          GroupEnd(),                                                    // 19
          GroupStart("Point 3"),                                         // 20
          Checkbox("Activate", false),                                   // 21
          Point("Point", 62, 71),                                        // 22
          GroupEnd()};                                                   // 23
}

class ParamTest : public testing::Test {
 protected:
  std::vector<PF_ParamDef> defs_ = SampleSet();
  app::ParamNameTable names_{defs_};
};

// ---- Names ----------------------------------------------------------------------

struct NameCase {
  const char* name;
  int index;
};

class ParamNameLookup : public ParamTest, public testing::WithParamInterface<NameCase> {};

TEST_P(ParamNameLookup, QualifiesSharedNamesByGroup) {
  EXPECT_EQ(names_.Find(GetParam().name).index, GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Table, ParamNameLookup,
                         testing::Values(NameCase{"Show Path?", 1}, NameCase{"Line Width", 3},
                                         NameCase{"End Point Style", 4},
                                         NameCase{"Color Dot 1/Activate", 8},
                                         NameCase{"Color Dot 1/Color", 9},
                                         NameCase{"Color Dot 10/Color", 13},
                                         NameCase{"Path Color", 15},
                                         NameCase{"Point 2/Activate", 17},
                                         NameCase{"Point 2/Point", 18}));

struct BadNameCase {
  const char* name;
  const char* fragment;
};

class ParamNameRefusal : public ParamTest, public testing::WithParamInterface<BadNameCase> {};

TEST_P(ParamNameRefusal, NamesTheProblem) {
  try {
    names_.Find(GetParam().name);
    FAIL() << "accepted " << GetParam().name;
  } catch (const app::UsageError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().fragment), std::string::npos)
        << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParamNameRefusal,
    testing::Values(BadNameCase{"Line Widht", "unknown parameter 'Line Widht'"},
                    BadNameCase{"line width", "did you mean 'Line Width'"},
                    // Shared names need their group.
                    BadNameCase{"Activate", "unknown parameter 'Activate'"},
                    BadNameCase{"Color", "unknown parameter 'Color'"},
                    BadNameCase{"Color Dot 1", "is a group"},
                    BadNameCase{"", "unknown parameter ''"}));

// ---- Text values ---------------------------------------------------------------------

struct TextCase {
  const char* name;
  const char* text;
  ParamValue expected;
};

ParamValue Checkbox(bool on) {
  ParamValue v;
  v.kind = Kind::kCheckbox;
  v.on = on;
  return v;
}
ParamValue Popup(int choice) {
  ParamValue v;
  v.kind = Kind::kPopup;
  v.choice = choice;
  return v;
}
ParamValue Number(double n) {
  ParamValue v;
  v.kind = Kind::kFixed;
  v.number = n;
  return v;
}
ParamValue Color(int r, int g, int b) {
  ParamValue v;
  v.kind = Kind::kColor;
  v.color = {255, static_cast<A_u_char>(r), static_cast<A_u_char>(g), static_cast<A_u_char>(b)};
  return v;
}
ParamValue Point(double x, double y) {
  ParamValue v;
  v.kind = Kind::kPoint;
  v.x = x;
  v.y = y;
  return v;
}

void ExpectSameValue(const ParamValue& got, const ParamValue& want) {
  ASSERT_EQ(static_cast<int>(got.kind), static_cast<int>(want.kind));
  switch (want.kind) {
    case Kind::kCheckbox: EXPECT_EQ(got.on, want.on); break;
    case Kind::kPopup: EXPECT_EQ(got.choice, want.choice); break;
    case Kind::kFixed: EXPECT_EQ(got.number, want.number); break;
    case Kind::kColor:
      EXPECT_EQ(got.color.alpha, 255);
      EXPECT_EQ(got.color.red, want.color.red);
      EXPECT_EQ(got.color.green, want.color.green);
      EXPECT_EQ(got.color.blue, want.color.blue);
      break;
    case Kind::kPoint:
      EXPECT_EQ(got.x, want.x);
      EXPECT_EQ(got.y, want.y);
      break;
  }
}

class TextValues : public ParamTest, public testing::WithParamInterface<TextCase> {};

TEST_P(TextValues, ParseToTheValueMeant) {
  const TextCase& c = GetParam();
  ExpectSameValue(app::ParseValueText(names_.Find(c.name), c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextValues,
    testing::Values(TextCase{"Show Path?", "on", Checkbox(true)},
                    TextCase{"Show Path?", "off", Checkbox(false)},
                    TextCase{"Show Path?", "true", Checkbox(true)},
                    TextCase{"Show Path?", "FALSE", Checkbox(false)},
                    TextCase{"Show Path?", "1", Checkbox(true)},
                    TextCase{"Show Path?", "0", Checkbox(false)},
                    TextCase{"End Point Style", "Flat", Popup(2)},
                    TextCase{"End Point Style", "round", Popup(1)},
                    TextCase{"End Point Style", "2", Popup(2)},
                    TextCase{"Line Width", "35.5", Number(35.5)},
                    TextCase{"Line Width", " 7 ", Number(7)},
                    TextCase{"Gradient Offset", "-500", Number(-500)},
                    // Range is the host's business: the number is passed on as given.
                    TextCase{"Line Width", "5000", Number(5000)},
                    TextCase{"Path Color", "#ff8000", Color(255, 128, 0)},
                    TextCase{"Color Dot 1/Color", "#0A0b0C", Color(10, 11, 12)},
                    TextCase{"Point 2/Point", "960,540", Point(960, 540)},
                    TextCase{"Point 2/Point", "-12.5, 3e2", Point(-12.5, 300)}));

struct RefusedTextCase {
  const char* name;
  const char* text;
  const char* fragment;
};

class RefusedTextValues : public ParamTest, public testing::WithParamInterface<RefusedTextCase> {};

TEST_P(RefusedTextValues, NameTheParameterAndWhatItAccepts) {
  const RefusedTextCase& c = GetParam();
  try {
    app::ParseValueText(names_.Find(c.name), c.text);
    FAIL() << "accepted " << c.text;
  } catch (const app::UsageError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(std::string("\"") + c.name + "\""), std::string::npos) << message;
    EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedTextValues,
    testing::Values(RefusedTextCase{"Show Path?", "yes", "on, off, true, false, 1 or 0"},
                    RefusedTextCase{"End Point Style", "Pointy", "choices are: Round, Flat"},
                    RefusedTextCase{"End Point Style", "3", "choices are 1 to 2"},
                    RefusedTextCase{"End Point Style", "0", "choices are 1 to 2"},
                    RefusedTextCase{"End Point Style", "1.5", "not a choice"},
                    RefusedTextCase{"Line Width", "wide", "a number from 1 to 1000"},
                    RefusedTextCase{"Line Width", "", "not a number"},
                    RefusedTextCase{"Line Width", "12px", "not a number"},
                    RefusedTextCase{"Line Width", "nan", "not a number"},
                    RefusedTextCase{"Line Width", "inf", "not a number"},
                    RefusedTextCase{"Path Color", "ff8000", "#rrggbb"},
                    RefusedTextCase{"Path Color", "#ff80", "#rrggbb"},
                    RefusedTextCase{"Path Color", "#gg8000", "#rrggbb"},
                    RefusedTextCase{"Point 2/Point", "12;40", "x,y"},
                    RefusedTextCase{"Point 2/Point", "12,", "x,y"},
                    RefusedTextCase{"Point 2/Point", "a,b", "x,y"}));

// ---- JSON values -----------------------------------------------------------------------

struct JsonCase {
  const char* name;
  const char* json;
  ParamValue expected;
};

class JsonValues : public ParamTest, public testing::WithParamInterface<JsonCase> {};

TEST_P(JsonValues, ParseToTheValueMeant) {
  const JsonCase& c = GetParam();
  ExpectSameValue(app::ParseValueJson(names_.Find(c.name), nlohmann::json::parse(c.json)),
                  c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JsonValues,
    testing::Values(JsonCase{"Show Path?", "true", Checkbox(true)},
                    JsonCase{"Show Path?", "\"off\"", Checkbox(false)},
                    JsonCase{"Show Path?", "0", Checkbox(false)},
                    JsonCase{"End Point Style", "\"Flat\"", Popup(2)},
                    JsonCase{"End Point Style", "1", Popup(1)},
                    JsonCase{"Line Width", "35.5", Number(35.5)},
                    JsonCase{"Line Width", "\"40\"", Number(40)},
                    JsonCase{"Path Color", "\"#102030\"", Color(16, 32, 48)},
                    JsonCase{"Path Color", "[1, 2, 255]", Color(1, 2, 255)},
                    JsonCase{"Point 2/Point", "[100, 50.5]", Point(100, 50.5)},
                    JsonCase{"Point 2/Point", "\"100,50\"", Point(100, 50)}));

class RefusedJsonValues : public ParamTest, public testing::WithParamInterface<RefusedTextCase> {};

TEST_P(RefusedJsonValues, NameTheParameter) {
  const RefusedTextCase& c = GetParam();
  try {
    app::ParseValueJson(names_.Find(c.name), nlohmann::json::parse(c.text));
    FAIL() << "accepted " << c.text;
  } catch (const app::UsageError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(std::string("\"") + c.name + "\""), std::string::npos) << message;
    EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedJsonValues,
    testing::Values(RefusedTextCase{"Show Path?", "2", "checkbox"},
                    RefusedTextCase{"Show Path?", "[true]", "checkbox"},
                    RefusedTextCase{"End Point Style", "true", "not a choice"},
                    RefusedTextCase{"Line Width", "[3]", "not a number"},
                    RefusedTextCase{"Path Color", "[1, 2]", "colour"},
                    RefusedTextCase{"Path Color", "[1, 2, 256]", "colour"},
                    RefusedTextCase{"Path Color", "[1, 2, 3.5]", "colour"},
                    RefusedTextCase{"Point 2/Point", "[1]", "x,y"},
                    RefusedTextCase{"Point 2/Point", "[1, \"2\"]", "x,y"},
                    RefusedTextCase{"Point 2/Point", "{\"x\": 1, \"y\": 2}", "x,y"}));

// ---- Files and --set through the host's parameter array ------------------------------------

TEST_F(ParamTest, FileAndSetOptionsReachTheParameterArrayInOrder) {
  const PF_InData in_data{};
  PF_InData scaled = in_data;
  scaled.downsample_x = {1, 2};
  scaled.downsample_y = {1, 1};
  embedded::ParamArray params(&scaled, nullptr, defs_);
  std::vector<app::ParamAssignment> values = app::ParseParamsJson(
      R"({"Line Width": 35.5, "End Point Style": "Flat", "Point 2/Point": [100, 40],
          "Color Dot 10/Color": [1, 2, 3], "Point 2/Activate": true})",
      "test", names_);
  values.push_back(app::ParseSetOption("Line Width=12.25", names_));
  app::ApplyAssignments(params, values);

  EXPECT_EQ(params.At(3).u.fd.value, static_cast<PF_Fixed>(12.25 * 65536));  // the later wins
  EXPECT_EQ(params.At(4).u.pd.value, 2);
  EXPECT_EQ(params.At(13).u.cd.value.green, 2);
  EXPECT_EQ(params.At(17).u.bd.value, 1);
  // x at downsample 1/2: 100 * 0.5 pixels in 16.16.
  EXPECT_EQ(params.At(18).u.td.x_value, 50 * 65536);
  EXPECT_EQ(params.At(18).u.td.y_value, 40 * 65536);
}

struct RefusedSettingCase {
  const char* json_or_set;
  bool is_json;
  const char* fragment;
};

class RefusedSettings : public ParamTest, public testing::WithParamInterface<RefusedSettingCase> {};

TEST_P(RefusedSettings, AreUsageErrors) {
  const RefusedSettingCase& c = GetParam();
  const PF_InData in_data{};
  embedded::ParamArray params(&in_data, nullptr, defs_);
  try {
    if (c.is_json) {
      app::ApplyAssignments(params, app::ParseParamsJson(c.json_or_set, "file.json", names_));
    } else {
      app::ApplyAssignments(params, {app::ParseSetOption(c.json_or_set, names_)});
    }
    FAIL() << "accepted " << c.json_or_set;
  } catch (const app::UsageError& error) {
    EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedSettings,
    testing::Values(RefusedSettingCase{"[1, 2]", true, "expected a JSON object"},
                    RefusedSettingCase{"{\"Nope\": 1}", true, "file.json: unknown parameter 'Nope'"},
                    // Refused by the host's range check, still naming the file.
                    RefusedSettingCase{"{\"Line Width\": 1000.5}", true,
                                       "file.json: parameter \"Line Width\""},
                    RefusedSettingCase{"Gradient Offset=-500.01", false, "-500 to 500"}));

}  // namespace
