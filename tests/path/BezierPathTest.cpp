#include "path/BezierPath.h"

#include <gtest/gtest.h>

#include <vector>

#include "Common/AEException.h"
#include "stroke/ScanCallBack.h"
#include "tests/path/TestPaths.h"

namespace {

using testpaths::Polygon;
using testpaths::VertexPath;

class RecordingSink final : public ScanCallBack {
 public:
  void Visit(double x, double y) override { points.emplace_back(x, y); }
  void Plot(int, int) override { ++plots; }
  bool Query(int, int) override { return false; }
  std::vector<Vec2d> points;
  int plots = 0;
};

void ExpectNotInitialised(void (*call)(BezierPath&)) {
  BezierPath path(nullptr);
  try {
    call(path);
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), "BezierPath : Path not initialized");
  }
}

TEST(BezierPath, EveryOperationNeedsAPathSource) {
  ExpectNotInitialised([](BezierPath& p) { p.BuildCurves(); });
  ExpectNotInitialised([](BezierPath& p) { p.Length(); });
  ExpectNotInitialised([](BezierPath& p) {
    RecordingSink sink;
    p.Sample(sink, 1.0);
  });
  ExpectNotInitialised([](BezierPath& p) { p.IsInside(1, 1); });
  ExpectNotInitialised([](BezierPath& p) {
    int32_t c = 0;
    p.Classify(1, 1, c);
  });
}

TEST(BezierPath, CurvesFromConsecutiveVerticesLaterOneFirst) {
  VertexPath source(
      {{0, 0, -1, -1, 1, 2}, {10, 0, 8, 3, 12, -3}, {20, 5, 18, 4, 22, 6}, {30, 0, 28, 1, 0, 0}},
      true);
  BezierPath path(&source);
  Array1D<BezierCurve>& curves = path.Curves();
  ASSERT_EQ(curves.Count(), 3);
  EXPECT_EQ(source.requested, (std::vector<int32_t>{1, 0, 2, 1, 3, 2}));
  EXPECT_EQ(curves[1].ControlPoint(0), Vec2d(10, 0));
  EXPECT_EQ(curves[1].ControlPoint(1), Vec2d(12, -3));
  EXPECT_EQ(curves[1].ControlPoint(2), Vec2d(18, 4));
  EXPECT_EQ(curves[1].ControlPoint(3), Vec2d(20, 5));
  EXPECT_TRUE(curves[2].IsInitialised());
  path.BuildCurves();  // built once
  EXPECT_EQ(source.requested.size(), 6u);
}

struct LengthCase {
  const char* name;
  std::vector<Vec2d> points;
  bool closed;
  int curves;
  double chordSum;
};

class PathLength : public testing::TestWithParam<LengthCase> {};

TEST_P(PathLength, SumOfCurveLengths) {
  const LengthCase& c = GetParam();
  VertexPath source(c.points.empty() ? std::vector<PF_PathVertex>{}
                                     : Polygon(c.points, c.closed),
                    !c.closed);
  BezierPath path(&source);
  EXPECT_EQ(path.Curves().Count(), c.curves);
  // Each straight curve measures its chord over [1e-10, 1 - 1e-10].
  EXPECT_NEAR(path.Length(), c.chordSum * 0.9999999998, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathLength,
    testing::Values(LengthCase{"empty", {}, false, 0, 0.0},
                    LengthCase{"single_point", {{4, 4}}, false, 0, 0.0},
                    LengthCase{"open_two", {{0, 0}, {3, 4}, {3, 10}}, false, 2, 11.0},
                    LengthCase{"closed_triangle", {{0, 0}, {30, 0}, {30, 40}}, true, 3, 120.0}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

struct SampleCase {
  const char* name;
  std::vector<Vec2d> points;
  double step;
  std::vector<Vec2d> expected;
};

class PathSample : public testing::TestWithParam<SampleCase> {};

TEST_P(PathSample, UniformInTNeverAtOne) {
  const SampleCase& c = GetParam();
  VertexPath source(Polygon(c.points, false), true);
  BezierPath path(&source);
  RecordingSink sink;
  path.Sample(sink, c.step);
  ASSERT_EQ(sink.points.size(), c.expected.size());
  for (size_t i = 0; i < c.expected.size(); ++i) {
    EXPECT_NEAR(sink.points[i].x, c.expected[i].x, 1e-6) << "point " << i;
    EXPECT_NEAR(sink.points[i].y, c.expected[i].y, 1e-6) << "point " << i;
  }
  EXPECT_EQ(sink.plots, 0);
}

// A line of length L measures L * 0.9999999998, so the t step is a hair more
// than step / L and the point at t = 1 is never reached.
INSTANTIATE_TEST_SUITE_P(
    Paths, PathSample,
    testing::Values(
        SampleCase{"two_lines",
                   {{0, 0}, {8, 0}, {8, 4}},
                   1.0,
                   {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0},
                    {8, 0}, {8, 1}, {8, 2}, {8, 3}}},
        SampleCase{"coarse_step", {{0, 0}, {0, 8}}, 4.0, {{0, 0}, {0, 4}}},
        // A curve of zero length contributes one point.
        SampleCase{"zero_length_curve", {{2, 2}, {2, 2}, {6, 2}}, 2.0, {{2, 2}, {2, 2}, {4, 2}}}),
    [](const testing::TestParamInfo<SampleCase>& info) { return std::string(info.param.name); });

TEST(BezierPath, LoopOfOneSegment) {
  // End equals start: one curve, and a polygon whose last point repeats its first.
  VertexPath source({{50, 80, 90, 10, 10, 10}, {50, 80, 90, 10, 10, 10}}, false);
  BezierPath path(&source);
  ASSERT_EQ(path.Curves().Count(), 1);
  path.BuildPolygon(0.3);
  const Array1D<Vec2d>& polygon = path.Polygon();
  ASSERT_GT(polygon.Count(), 100);
  EXPECT_EQ(polygon[polygon.Count() - 1], polygon[0]);
  EXPECT_EQ(path.YIndex().Count(), polygon.Count() - 1);
  EXPECT_TRUE(path.IsInside(50, 40));
  EXPECT_FALSE(path.IsInside(50, 90));
  EXPECT_FALSE(path.IsInside(5, 5));
}

}  // namespace
