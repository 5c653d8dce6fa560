// The studio page draws the path overlay with its own copy of the curve
// evaluation. Both read tests/data/bezier-values.json, so the page's curve and
// the effect's BezierCurve are held to the same exact positions.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "path/BezierCurve.h"

namespace {

// clang-format off
struct SharedCase { Vec2d controls[4]; double t; Vec2d expected; };
// clang-format on

Vec2d ReadPoint(const nlohmann::json& xy) {
  return {xy.at(0).get<double>(), xy.at(1).get<double>()};
}

std::vector<SharedCase> LoadSharedCases() {
  std::ifstream in(std::string(LUSTRE_SOURCE_DIR) + "/tests/data/bezier-values.json");
  const nlohmann::json values = nlohmann::json::parse(in);
  std::vector<SharedCase> cases;
  for (const auto& curve : values.at("curves")) {
    SharedCase base{};
    for (int i = 0; i < 4; ++i) base.controls[i] = ReadPoint(curve.at("points").at(i));
    for (const auto& c : curve.at("cases")) {
      SharedCase one = base;
      one.t = c.at("t").get<double>();
      one.expected = ReadPoint(c.at("point"));
      cases.push_back(one);
    }
  }
  return cases;
}

void PrintTo(const SharedCase& c, std::ostream* out) {
  *out << "P0 (" << c.controls[0].x << ", " << c.controls[0].y << ") t = " << c.t;
}

class BezierSharedValuesTest : public ::testing::TestWithParam<SharedCase> {};

TEST_P(BezierSharedValuesTest, EvaluateIsExact) {
  const SharedCase& c = GetParam();
  BezierCurve curve;
  curve.SetControlPoints(c.controls[0], c.controls[1], c.controls[2], c.controls[3]);
  curve.Setup();
  const Vec2d got = curve.Evaluate(c.t);
  EXPECT_EQ(got.x, c.expected.x) << "t = " << c.t;
  EXPECT_EQ(got.y, c.expected.y) << "t = " << c.t;
}

INSTANTIATE_TEST_SUITE_P(SharedFile, BezierSharedValuesTest,
                         ::testing::ValuesIn(LoadSharedCases()));

}  // namespace
