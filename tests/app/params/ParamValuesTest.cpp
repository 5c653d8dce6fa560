// Parameter names and values as a user writes them, against definitions
// shaped like the effect's, built by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "app/AppErrors.h"
#include "app/params/ParamNames.h"
#include "app/params/ParamSettings.h"
#include "app/params/ParamValues.h"
#include "app/params/ParamsJson.h"
#include "cli/OptionParsing.h"

namespace {

using Kind = app::ParamValue::Kind;

// Sliders: min, max and default; popups ("Round|Flat"): count and default.
// Colours and points start at zero; values are set by the tests.
PF_ParamDef Def(PF_ParamType type, const char* name, double a = 0, double b = 0, double c = 0) {
  PF_ParamDef d{};
  d.param_type = type;
  std::strncpy(d.name, name, sizeof d.name - 1);
  const auto fixed = [](double v) { return static_cast<PF_Fixed>(v * 65536); };
  if (type == PF_Param_FIX_SLIDER) {
    d.u.fd.valid_min = d.u.fd.slider_min = fixed(a);
    d.u.fd.valid_max = d.u.fd.slider_max = fixed(b);
    d.u.fd.dephault = d.u.fd.value = fixed(c);
  }
  if (type == PF_Param_POPUP)
    d.u.pd = {
        static_cast<A_short>(b), static_cast<A_short>(a), static_cast<A_short>(b), {"Round|Flat"}};
  if (type == PF_Param_CHECKBOX) d.u.bd.u.nameptr = "";
  return d;
}

// The effect's shape in small: a top-level group, two colour-dot groups, an
// ungrouped colour and two point groups. Comments give the array indexes.
std::vector<PF_ParamDef> SampleSet() {
  const PF_ParamType start = PF_Param_GROUP_START, end = PF_Param_GROUP_END,
                     check = PF_Param_CHECKBOX, color = PF_Param_COLOR, point = PF_Param_POINT,
                     slider = PF_Param_FIX_SLIDER;
  return {Def(check, "Show Path?"),
          Def(start, "Line Rendering"),
          Def(slider, "Line Width", 1, 1000, 20),  // 1-3
          Def(PF_Param_POPUP, "End Point Style", 2, 1),
          Def(slider, "Gradient Offset", -500, 500, 0),  // 4, 5
          Def(end, ""),
          Def(start, "Color Dot 1"),
          Def(check, "Activate"),
          Def(color, "Color"),
          Def(end, ""),  // 6-10
          Def(start, "Color Dot 10"),
          Def(check, "Activate"),
          Def(color, "Color"),
          Def(end, ""),  // 11-14
          Def(color, "Path Color"),
          Def(start, "Point 2"),
          Def(check, "Activate"),
          Def(point, "Point"),  // 15-18
          Def(end, ""),
          Def(start, "Point 3"),
          Def(check, "Activate"),
          Def(point, "Point"),
          Def(end, "")};  // 19-23
}

// A value written back: "on"/"off", "choice N", the number, "#rrggbbaa" or
// "x,y".
std::string Show(const app::ParamValue& v) {
  char out[80];
  switch (v.kind) {
    case Kind::kCheckbox: return v.on ? "on" : "off";
    case Kind::kPopup: return "choice " + std::to_string(v.choice);
    case Kind::kFixed: std::snprintf(out, sizeof out, "%.17g", v.number); break;
    case Kind::kColor:
      std::snprintf(out, sizeof out, "#%02x%02x%02x%02x", v.color.red, v.color.green, v.color.blue,
                    v.color.alpha);
      break;
    case Kind::kPoint: std::snprintf(out, sizeof out, "%.17g,%.17g", v.x, v.y); break;
  }
  return out;
}

class ParamTest : public testing::Test {
 protected:
  // "name": the index the name finds; "text", "json": the value read; "file",
  // "set": "applied". A refusal gives "!" and its message.
  std::string Outcome(const std::string& form, const char* name, const char* input) {
    try {
      if (form == "name") return std::to_string(names_.Find(name).index);
      if (form == "file" || form == "set") {  // a file's text or a --set option, applied
        const PF_InData in_data{};
        embedded::ParamArray params(&in_data, nullptr, defs_);
        app::ApplyAssignments(params, form == "file"
                                          ? app::ParseParamsJson(input, "file.json", names_)
                                          : std::vector{cli::ParseSetOption(input, names_)});
        return "applied";
      }
      if (form == "text") return Show(app::ParseValueText(names_.Find(name), input));
      return Show(app::ParseValueJson(names_.Find(name), nlohmann::json::parse(input)));
    } catch (const app::UsageError& error) { return std::string("!") + error.what(); }
  }

  std::vector<PF_ParamDef> defs_ = SampleSet();
  app::ParamNameTable names_{defs_};
};

// Expected "!fragment": refused with a message holding the fragment (and, for
// a value of a named parameter, the name in quotes).
TEST_F(ParamTest, NamesAndValuesReadAsMeantOrAreRefusedNamingTheProblem) {
  using Pairs = std::vector<std::pair<const char*, const char*>>;  // input, expected
  // clang-format off
  const struct { const char* form; const char* name; Pairs cases; } groups[] = {
      {"name", "", {{"Show Path?", "1"}, {"Line Width", "3"}, {"End Point Style", "4"},
                    {"Color Dot 1/Activate", "8"}, {"Color Dot 1/Color", "9"},
                    {"Color Dot 10/Color", "13"}, {"Path Color", "15"}, {"Point 2/Activate", "17"},
                    {"Point 2/Point", "18"}, {"Line Widht", "!unknown parameter 'Line Widht'"},
                    {"line width", "!did you mean 'Line Width'"}, {"Color Dot 1", "!is a group"},
                    {"", "!unknown parameter ''"},
                    // Shared names need their group.
                    {"Activate", "!unknown parameter 'Activate'"},
                    {"Color", "!unknown parameter 'Color'"}}},
      {"text", "Show Path?", {{"on", "on"}, {"off", "off"}, {"true", "on"}, {"FALSE", "off"},
                              {"1", "on"}, {"0", "off"}, {"yes", "!on, off, true, false, 1 or 0"}}},
      {"text", "End Point Style", {{"Flat", "choice 2"}, {"round", "choice 1"}, {"2", "choice 2"},
                                   {"Pointy", "!choices are: Round, Flat"},
                                   {"3", "!choices are 1 to 2"}, {"0", "!choices are 1 to 2"},
                                   {"1.5", "!not a choice"}}},
      // Range is the host's business: the number is passed on as given.
      {"text", "Line Width", {{"35.5", "35.5"}, {" 7 ", "7"}, {"5000", "5000"},
                              {"wide", "!a number from 1 to 1000"}, {"", "!not a number"},
                              {"12px", "!not a number"}, {"nan", "!not a number"},
                              {"inf", "!not a number"}}},
      {"text", "Gradient Offset", {{"-500", "-500"}}},
      {"text", "Path Color", {{"#ff8000", "#ff8000ff"}, {"ff8000", "!#rrggbb"},
                              {"#ff80", "!#rrggbb"}, {"#gg8000", "!#rrggbb"}}},
      {"text", "Color Dot 1/Color", {{"#0A0b0C", "#0a0b0cff"}}},
      {"text", "Point 2/Point", {{"960,540", "960,540"}, {"-12.5, 3e2", "-12.5,300"},
                                 {"12;40", "!x,y"}, {"12,", "!x,y"}, {"a,b", "!x,y"}}},
      {"json", "Show Path?", {{"true", "on"}, {"\"off\"", "off"}, {"0", "off"}, {"2", "!checkbox"},
                              {"[true]", "!checkbox"}}},
      {"json", "End Point Style", {{"\"Flat\"", "choice 2"}, {"1", "choice 1"},
                                   {"true", "!not a choice"}}},
      {"json", "Line Width", {{"35.5", "35.5"}, {"\"40\"", "40"}, {"[3]", "!not a number"}}},
      {"json", "Path Color", {{"\"#102030\"", "#102030ff"}, {"[1, 2, 255]", "#0102ffff"},
                              {"[1, 2]", "!colour"}, {"[1, 2, 256]", "!colour"},
                              {"[1, 2, 3.5]", "!colour"}}},
      {"json", "Point 2/Point", {{"[100, 50.5]", "100,50.5"}, {"\"100,50\"", "100,50"},
                                 {"[1]", "!x,y"}, {"[1, \"2\"]", "!x,y"},
                                 {"{\"x\": 1, \"y\": 2}", "!x,y"}}},
      // Refused by the host's range check, still naming the file.
      {"file", "", {{"[1, 2]", "!expected a JSON object"},
                    {"{\"Nope\": 1}", "!file.json: unknown parameter 'Nope'"},
                    {"{\"Line Width\": 1000.5}", "!file.json: parameter \"Line Width\""}}},
      {"set", "", {{"Gradient Offset=-500.01", "!-500 to 500"}}}};
  // clang-format on
  for (const auto& g : groups) {
    for (const auto& [input, expected] : g.cases) {
      const char* name = *g.name ? g.name : input;
      SCOPED_TRACE(std::string(g.form) + " " + name + " = " + input);
      const std::string got = Outcome(g.form, name, input);
      if (expected[0] != '!') {
        EXPECT_EQ(got, expected);
        continue;
      }
      ASSERT_EQ(got[0], '!') << got;
      EXPECT_NE(got.find(expected + 1), std::string::npos) << got;
      if (*g.name) {
        EXPECT_NE(got.find(std::string("\"") + name + "\""), std::string::npos) << got;
      }
    }
  }
}

// ---- Files and --set through the host's parameter array ------------------------------------

TEST_F(ParamTest, FileAndSetOptionsReachTheParameterArrayInOrder) {
  PF_InData scaled{};
  scaled.downsample_x = {1, 2};
  scaled.downsample_y = {1, 1};
  embedded::ParamArray params(&scaled, nullptr, defs_);
  std::vector<app::ParamAssignment> values = app::ParseParamsJson(
      R"({"Line Width": 35.5, "End Point Style": "Flat", "Point 2/Point": [100, 40],
          "Color Dot 10/Color": [1, 2, 3], "Point 2/Activate": true})",
      "test", names_);
  values.push_back(cli::ParseSetOption("Line Width=12.25", names_));
  app::ApplyAssignments(params, values);
  EXPECT_EQ(params.At(3).u.fd.value, static_cast<PF_Fixed>(12.25 * 65536));  // the later wins
  EXPECT_EQ(params.At(4).u.pd.value, 2);
  EXPECT_EQ(params.At(13).u.cd.value.green, 2);
  EXPECT_EQ(params.At(17).u.bd.value, 1);
  // x at downsample 1/2: 100 * 0.5 pixels in 16.16.
  EXPECT_EQ(params.At(18).u.td.x_value, 50 * 65536);
  EXPECT_EQ(params.At(18).u.td.y_value, 40 * 65536);
}

// ---- Files written back ------------------------------------------------------------------

// A file in the plain form (checkboxes true/false, popups by text, colours
// "#rrggbb", linear keys without "ease") reads into assignments that write
// back as the same JSON.
TEST_F(ParamTest, AFileWrittenBackGivesTheSameJson) {
  const char* const files[] = {
      R"({"Show Path?": false, "End Point Style": "Flat", "Line Width": 35.5, "Gradient Offset": -500,
          "Path Color": "#ff8000", "Point 2/Point": [100, 40.5], "Color Dot 10/Activate": true})",
      R"({"Line Width": [{"frame": 0, "value": 20}, {"frame": 48, "value": 200, "ease": "in-out"}],
          "Point 3/Point": [{"frame": 0, "value": [240, 750]}, {"frame": 20, "value": [700, 360], "ease": "hold"}],
          "Color Dot 1/Color": [{"frame": 0, "value": "#ffb347", "ease": "out"}, {"frame": 95, "value": "#47c8ff"}],
          "End Point Style": [{"frame": 3, "value": "Round"}, {"frame": 9, "value": "Flat", "ease": "in"}],
          "Point 2/Activate": [{"frame": 0, "value": false}, {"frame": 20, "value": true}]})"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    const std::vector<app::ParamAssignment> read = app::ParseParamsJson(file, "file.json", names_);
    EXPECT_EQ(nlohmann::json::parse(app::ParamsFileJson(read).dump()), nlohmann::json::parse(file));
  }
}

}  // namespace
