// Keyframed values between, on, before and after their keys, for every kind
// of value and ease. Expectations are worked out by hand from the cubic
// h(s) = (s^3 - 2s^2 + s) m0 + (3s^2 - 2s^3) + (s^3 - s^2) m1 with m = 0 at a
// resting key and 1 otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "app/AppErrors.h"
#include "app/params/Keyframes.h"
#include "app/params/ParamsJson.h"

namespace {

app::NamedParam Param(PF_ParamType type) {
  app::NamedParam param;
  param.name = "P";
  param.def.param_type = type;
  param.def.u.pd.u.namesptr = "Round|Flat";  // read by popups only
  return param;
}

std::vector<app::Keyframe> Keys(PF_ParamType type, const char* json) {
  return app::ParseKeyframesJson(Param(type), nlohmann::json::parse(json));
}

// A slider from 100 at frame 10 to 200 at frame 20, the keys eased as given.
double SliderAt(const char* ease10, const char* ease20, long frame) {
  const std::string json = std::string(R"([{"frame": 10, "value": 100, "ease": ")") + ease10 +
                           R"("}, {"frame": 20, "value": 200, "ease": ")" + ease20 + R"("}])";
  return app::ValueAtFrame(Keys(PF_Param_FIX_SLIDER, json.c_str()), frame).number;
}

TEST(KeyframedSlider, EachEaseOnBeforeAfterAndBetweenKeys) {
  // clang-format off
  const struct { const char *ease10, *ease20; long frame; double expected; } cases[] = {
      // Before the first key, on the keys, after the last: whatever the ease.
      {"linear", "linear", 0, 100},
      {"in-out", "in-out", 10, 100},
      {"hold", "linear", 20, 200},
      {"out", "in", 35, 200},
      // Linear: s of the way.
      {"linear", "linear", 15, 150},
      {"linear", "linear", 12, 120},
      // Hold: the left key's value up to the next key.
      {"hold", "linear", 11, 100},
      {"hold", "in-out", 19, 100},
      // Out of the left key from rest: h = 2s^2 - s^3.
      {"out", "linear", 15, 137.5},
      {"out", "linear", 12, 107.2},
      // Into the right key to rest: h = s + s^2 - s^3.
      {"linear", "in", 15, 162.5},
      {"linear", "in", 18, 100 + 100 * (0.8 + 0.64 - 0.512)},
      // Both: h = 3s^2 - 2s^3.
      {"out", "in-out", 15, 150},
      {"in-out", "in", 12, 110.4},
      {"out", "in", 18, 189.6},
      // "in" rests on arrival only and "out" on departure only.
      {"in", "linear", 15, 150},
      {"linear", "out", 15, 150}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ease10) + " -> " + c.ease20 + " at " + std::to_string(c.frame));
    EXPECT_NEAR(SliderAt(c.ease10, c.ease20, c.frame), c.expected, 1e-9);
  }
}

// Points move per coordinate, colours per channel in rounded levels, popups
// and checkboxes hold until their next key, whatever the ease.
// On a key between two others the value is that key's, even when the key
// before it holds.
TEST(KeyframedSlider, AMiddleKeyGivesItsOwnValue) {
  // clang-format off
  const struct { const char* ease10; long frame; double expected; } cases[] = {
      {"hold", 20, 300},
      {"linear", 20, 300},
      {"hold", 19, 100},
      {"in-out", 25, 250}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ease10) + " at " + std::to_string(c.frame));
    const std::string json = std::string(R"([{"frame": 10, "value": 100, "ease": ")") + c.ease10 +
                             R"("}, {"frame": 20, "value": 300}, {"frame": 30, "value": 200}])";
    EXPECT_NEAR(app::ValueAtFrame(Keys(PF_Param_FIX_SLIDER, json.c_str()), c.frame).number,
                c.expected, 1e-9);
  }
}

TEST(KeyframedValue, PointsColoursPopupsAndCheckboxes) {
  const auto points = Keys(
      PF_Param_POINT, R"([{"frame": 0, "value": [0, 10]}, {"frame": 10, "value": [100, -40]}])");
  const app::ParamValue p = app::ValueAtFrame(points, 5);
  EXPECT_EQ(std::vector({p.x, p.y}), std::vector({50.0, -15.0}));

  const auto colours =
      Keys(PF_Param_COLOR,
           R"([{"frame": 0, "value": "#000000"}, {"frame": 10, "value": [255, 128, 1]}])");
  // clang-format off
  const struct { long frame; int red, green, blue; } colour_cases[] = {
      {5, 128, 64, 1},
      {1, 26, 13, 0},
      {9, 230, 115, 1},
      {10, 255, 128, 1}};  // 127.5 and 0.5 round up
  // clang-format on
  for (const auto& c : colour_cases) {
    const PF_Pixel v = app::ValueAtFrame(colours, c.frame).color;
    EXPECT_EQ(std::vector({int{v.red}, int{v.green}, int{v.blue}, int{v.alpha}}),
              std::vector({c.red, c.green, c.blue, 255}))
        << "frame " << c.frame;
  }

  const auto popup =
      Keys(PF_Param_POPUP,
           R"([{"frame": 0, "value": "Round", "ease": "in-out"}, {"frame": 10, "value": 2}])");
  const auto checkbox =
      Keys(PF_Param_CHECKBOX, R"([{"frame": 4, "value": true}, {"frame": 10, "value": false}])");
  // clang-format off
  const struct { long frame; int choice; bool on; } held[] = {
      {0, 1, true},
      {5, 1, true},
      {9, 1, true},
      {10, 2, false},
      {11, 2, false}};
  // clang-format on
  for (const auto& c : held) {
    EXPECT_EQ(app::ValueAtFrame(popup, c.frame).choice, c.choice) << "frame " << c.frame;
    EXPECT_EQ(app::ValueAtFrame(checkbox, c.frame).on, c.on) << "frame " << c.frame;
  }
}

// Every eased curve runs from 0 to 1 without leaving 0..1 or turning back;
// the slope at a resting end is 0 and at the other 1.
TEST(SegmentProgress, StaysWithinTheSegmentAndRestsWhereAsked) {
  for (int rests = 0; rests < 4; ++rests) {
    const bool start = rests & 1, end = rests & 2;
    SCOPED_TRACE(rests);
    double previous = 0;
    for (int i = 0; i <= 1000; ++i) {
      const double h = app::SegmentProgress(i / 1000.0, start, end);
      ASSERT_GE(h, previous);
      ASSERT_LE(h, 1.0);
      previous = h;
    }
    EXPECT_EQ(app::SegmentProgress(1, start, end), 1.0);
    const double d = 1e-6;
    EXPECT_NEAR(app::SegmentProgress(d, start, end) / d, start ? 0.0 : 1.0, 1e-5);
    EXPECT_NEAR((1 - app::SegmentProgress(1 - d, start, end)) / d, end ? 0.0 : 1.0, 1e-5);
  }
}

}  // namespace
