// The frei0r parameter table: every user-facing parameter covered, names
// every host accepts, and values mapped as the table says (checked against
// the embedded host's own setters, which the command uses).
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

#include "Frei0rTestSupport.h"
#include "frei0r/Frei0rInstance.h"

namespace frei0r_test {
namespace {

using lustre_frei0r::Frei0rEffect;
using lustre_frei0r::Frei0rParam;
using lustre_frei0r::Frei0rParamTable;
using lustre_frei0r::Frei0rValue;

const Frei0rEffect& Effect() {
  static const Frei0rEffect effect(LUSTRE_MODULE_PATH);
  return effect;
}

int Find(const std::string& frei0r_name) {
  const auto& params = Effect().Table().Params();
  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i].name == frei0r_name) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no frei0r parameter " << frei0r_name;
  return 0;
}

// A parameter array of a w x h frame at the effect's defaults.
struct Frame {
  Frame(int w, int h) {
    in_data.downsample_x = in_data.downsample_y = {1, 1};
    world.width = w;
    world.height = h;
    array = std::make_unique<embedded::ParamArray>(&in_data, &world, Effect().Registered());
  }
  PF_InData in_data{};
  PF_EffectWorld world{};
  std::unique_ptr<embedded::ParamArray> array;
};

// Whether two arrays hold the same values, parameter by parameter.
void ExpectSameValues(Frame& a, Frame& b) {
  for (int i = 1; i < b.array->Size(); ++i) {
    SCOPED_TRACE(b.array->At(i).name);
    EXPECT_EQ(std::memcmp(&a.array->At(i).u, &b.array->At(i).u, sizeof b.array->At(i).u), 0);
  }
}

int EffectIndex(const std::string& frei0r_name) {
  return Effect().Table().Params()[static_cast<size_t>(Find(frei0r_name))].effect_index;
}

TEST(Frei0rParamTable, CoversEveryControlWithNamesEveryHostAccepts) {
  const Frei0rParamTable& table = Effect().Table();
  std::set<int> covered;
  std::set<std::string> names, gst_names;
  for (const Frei0rParam& p : table.Params()) {
    covered.insert(p.effect_index);
    names.insert(p.name);
    const std::string gst = lustre_frei0r::GStreamerPropertyName(p.name);
    gst_names.insert(gst);
    EXPECT_TRUE(gst != "name" && gst != "parent" && gst != "qos") << gst;
    EXPECT_TRUE(gst[0] >= 'a' && gst[0] <= 'z') << gst;
    EXPECT_EQ(gst.back() == '-', false) << p.name;  // no name ends in punctuation
  }
  EXPECT_EQ(names.size(), table.Params().size());      // unique for MLT (exact names)
  EXPECT_EQ(gst_names.size(), table.Params().size());  // and after GStreamer's lower-casing
  const auto& registered = Effect().Registered();
  for (size_t i = 0; i < registered.size(); ++i) {
    const PF_ParamType type = registered[i].param_type;
    const bool control = type != PF_Param_GROUP_START && type != PF_Param_GROUP_END;
    EXPECT_EQ(covered.count(static_cast<int>(i) + 1) == 1, control) << registered[i].name;
  }
  // GStreamer's own renaming: lower case, '-' for anything else, a prefix
  // before a leading digit. (The real tool accepts the names in the host test.)
  for (const auto& [name, gst] : {std::pair{"Color Dot 10/Color", "color-dot-10-color"},
                                  std::pair{"Point 6/Handle Y", "point-6-handle-y"},
                                  std::pair{"3D Look?", "param-3d-look-"}}) {
    EXPECT_EQ(lustre_frei0r::GStreamerPropertyName(name), gst);
  }
}

// The defaults in frei0r's units land exactly on the effect's own defaults,
// points included (delivered by the host's rule for defaults).
TEST(Frei0rParamTable, DefaultsGiveTheEffectsDefaults) {
  Frame set(64, 48), fresh(64, 48);
  Effect().Table().Apply(Effect().Table().Defaults(), *set.array, 64, 48);
  ExpectSameValues(set, fresh);
}

TEST(Frei0rParamTable, ValuesMapAsTheTableSays) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // frei0r value -> the number the command would be given for the slider.
  // clang-format off
  const struct { const char* name; double v; double number; } sliders[] = {
      {"Line Width", 0.039039, 40},  // (40 - 1) / 999 to 6 digits
      {"Line Width", 0, 1},
      {"Line Width", 1, 1000},
      {"Line Width", -0.5, 1},
      {"Line Width", 1.5, 1000},
      {"Line Width", nan, 1},
      {"Falloff", 0.123456, 12.35},
      {"Repeats", 0.5, 6},  // 5.5 rounds away from zero
      {"Gradient Offset", 0.25, -250},
      {"Color Dot 4/Opacity", 0.333, 33.3}};
  // clang-format on
  for (const auto& row : sliders) {
    SCOPED_TRACE(std::string(row.name) + " " + std::to_string(row.v));
    Frame frame(64, 48), reference(64, 48);
    std::vector<Frei0rValue> values = Effect().Table().Defaults();
    values[static_cast<size_t>(Find(row.name))].number = row.v;
    Effect().Table().Apply(values, *frame.array, 64, 48);
    reference.array->SetFixed(EffectIndex(row.name), row.number);
    ExpectSameValues(frame, reference);
  }

  // Popups, colours, checkboxes and points, each against the host's setter.
  Frame frame(64, 48), reference(64, 48);
  std::vector<Frei0rValue> values = Effect().Table().Defaults();
  const auto value = [&](const char* name) -> Frei0rValue& {
    return values[static_cast<size_t>(Find(name))];
  };
  value("End Point Style").text = "fLAT";
  value("Rendering Style").text = "3";
  value("Original Blend Transfer").text = "18";            // a number of two digits: Difference
  value("Color Dot 1/Color").color = {0.5f, 1.2f, -1.0f};  // 127.5 rounds up; clamped
  value("Color Dot 2/Color").color = {1.0f / 255, 0.8f, 0.0f};
  value("Show Path").number = 0.49;
  value("Close Path").number = 0.5;
  value("Point 2/Point X").number = 0.25;  // Y stays at its default fraction, 0.49
  value("Point 2/Handle Y").number = 1.5;  // outside the frame is allowed
  Effect().Table().Apply(values, *frame.array, 64, 48);

  reference.array->SetPopup(EffectIndex("End Point Style"), 2);
  reference.array->SetPopup(EffectIndex("Rendering Style"), 3);
  reference.array->SetPopup(EffectIndex("Original Blend Transfer"), 18);
  reference.array->SetColor(EffectIndex("Color Dot 1/Color"), {255, 128, 255, 0});
  reference.array->SetColor(EffectIndex("Color Dot 2/Color"), {255, 1, 204, 0});
  reference.array->SetCheckbox(EffectIndex("Show Path"), false);
  reference.array->SetCheckbox(EffectIndex("Close Path"), true);
  reference.array->SetPoint(EffectIndex("Point 2/Point X"), 0.25 * 64, 0.49 * 48);
  reference.array->SetPoint(EffectIndex("Point 2/Handle Y"), 0.74 * 64, 1.5 * 48);
  ExpectSameValues(frame, reference);
}

TEST(Frei0rParamTable, PopupTextThatNamesNoChoiceIsRefusedByName) {
  for (const char* text : {"Flatt", " Flat", "0", "3", "", "1.5"}) {
    SCOPED_TRACE(text);
    Frame frame(64, 48);
    std::vector<Frei0rValue> values = Effect().Table().Defaults();
    values[static_cast<size_t>(Find("End Point Style"))].text = text;
    try {
      Effect().Table().Apply(values, *frame.array, 64, 48);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& refused) {
      EXPECT_NE(std::string(refused.what()).find("\"End Point Style\""), std::string::npos)
          << refused.what();
      EXPECT_NE(std::string(refused.what()).find("Round, Flat"), std::string::npos)
          << refused.what();
    }
  }
}

// ffmpeg passes milliseconds, MLT and GStreamer seconds; the host counts
// milliseconds (time_scale 1000).
TEST(Frei0rFrameTime, BecomesTheHostsCurrentTime) {
  using lustre_frei0r::TimeUnit;
  // clang-format off
  const struct { double time; TimeUnit unit; A_long current; } rows[] = {
      {1.5, TimeUnit::kSeconds, 1500},
      {1500, TimeUnit::kMilliseconds, 1500},
      {0.0404, TimeUnit::kSeconds, 40},
      {40.5, TimeUnit::kMilliseconds, 41},
      {-2, TimeUnit::kSeconds, -2000},
      {1e12, TimeUnit::kSeconds, std::numeric_limits<A_long>::max()},
      {-1e12, TimeUnit::kSeconds, std::numeric_limits<A_long>::min()},
      {std::numeric_limits<double>::quiet_NaN(), TimeUnit::kSeconds, 0}};
  // clang-format on
  for (const auto& row : rows) {
    PF_InData in_data{};
    lustre_frei0r::SetFrameTime(in_data, row.time, row.unit);
    EXPECT_EQ(in_data.current_time, row.current) << row.time;
    EXPECT_EQ(in_data.time_scale, 1000u);
  }
}

// `lustre-strand frei0r-params` prints the plug-in's own table.
TEST(Frei0rParamTable, CommandPrintsTheTable) {
  const auto ran = RunProgram({LUSTRE_CLI_PATH, "frei0r-params"});
  ASSERT_EQ(ran.exit_status, 0) << ran.err;
  EXPECT_EQ(ran.out, lustre_frei0r::MappingTableText(Effect().Table()));
}

}  // namespace
}  // namespace frei0r_test
