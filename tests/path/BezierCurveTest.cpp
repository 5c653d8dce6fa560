#include "path/BezierCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/DepthColor.h"
#include "host/embedded/EmbeddedHost.h"

namespace {

BezierCurve MakeCurve(Vec2d p0, Vec2d p1, Vec2d p2, Vec2d p3) {
  BezierCurve curve;
  curve.SetControlPoints(p0, p1, p2, p3);
  curve.Setup();
  return curve;
}

// Bernstein polynomial evaluated in long double, independently of the curve.
Vec2d Bernstein(const Vec2d (&p)[4], long double t) {
  const long double u = 1.0L - t;
  const long double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  long double x = 0, y = 0;
  for (int i = 0; i < 4; ++i) {
    x += b[i] * p[i].x;
    y += b[i] * p[i].y;
  }
  return {static_cast<double>(x), static_cast<double>(y)};
}

Vec2d BernsteinDerivative(const Vec2d (&p)[4], long double t) {
  const long double u = 1.0L - t;
  long double x = 3 * u * u * (p[1].x - p[0].x) + 6 * u * t * (p[2].x - p[1].x) +
                  3 * t * t * (p[3].x - p[2].x);
  long double y = 3 * u * u * (p[1].y - p[0].y) + 6 * u * t * (p[2].y - p[1].y) +
                  3 * t * t * (p[3].y - p[2].y);
  return {static_cast<double>(x), static_cast<double>(y)};
}

// Arc length by composite Simpson over [a, b] with many intervals.
double SimpsonLength(const Vec2d (&p)[4], double a, double b, int intervals) {
  auto speed = [&](long double t) {
    const Vec2d d = BernsteinDerivative(p, t);
    return std::sqrt(static_cast<long double>(d.x) * d.x + static_cast<long double>(d.y) * d.y);
  };
  const long double h = (static_cast<long double>(b) - a) / intervals;
  long double sum = speed(a) + speed(b);
  for (int i = 1; i < intervals; ++i) sum += speed(a + i * h) * (i % 2 == 1 ? 4 : 2);
  return static_cast<double>(sum * h / 3);
}

const Vec2d kWave[4] = {{10.0, 80.0}, {40.0, -20.0}, {70.0, 140.0}, {100.0, 30.0}};

// ---- Evaluate and Derivative clamp the parameter ---------------------------

struct ClampCase {
  const char* name;
  double t;
  long double effectiveT;
};

class EvaluateClamp : public testing::TestWithParam<ClampCase> {};

TEST_P(EvaluateClamp, EvaluatesAtClampedParameter) {
  const ClampCase& c = GetParam();
  const BezierCurve curve = MakeCurve(kWave[0], kWave[1], kWave[2], kWave[3]);
  const Vec2d expected = Bernstein(kWave, c.effectiveT);
  const Vec2d got = curve.Evaluate(c.t);
  EXPECT_NEAR(got.x, expected.x, 1e-12);
  EXPECT_NEAR(got.y, expected.y, 1e-12);
  const Vec2d expectedD = BernsteinDerivative(kWave, c.effectiveT);
  const Vec2d gotD = curve.Derivative(c.t);
  EXPECT_NEAR(gotD.x, expectedD.x, 1e-10);
  EXPECT_NEAR(gotD.y, expectedD.y, 1e-10);
}

// The ends are B(1e-10) and B(0.9999999999), not P0 and P3: with
// P1 - P0 = (30, -100) they lie about 3e-8 apart, far beyond the tolerance.
INSTANTIATE_TEST_SUITE_P(
    Parameters, EvaluateClamp,
    testing::Values(ClampCase{"zero", 0.0, 1e-10L}, ClampCase{"one", 1.0, 0.9999999999L},
                    ClampCase{"minus_three", -3.0, 1e-10L},
                    ClampCase{"nan", std::numeric_limits<double>::quiet_NaN(), 0.9999999999L},
                    ClampCase{"inside", 0.7, 0.7L}),
    [](const testing::TestParamInfo<ClampCase>& info) { return std::string(info.param.name); });

TEST(BezierCurveEvaluate, UninitialisedCurveThrows) {
  const BezierCurve curve;
  for (auto call : {+[](const BezierCurve& c) { c.Evaluate(0.5); },
                    +[](const BezierCurve& c) { c.Derivative(0.5); },
                    +[](const BezierCurve& c) { c.Length(); },
                    +[](const BezierCurve& c) { c.ComputeBounds(); }}) {
    try {
      call(curve);
      ADD_FAILURE() << "no exception";
    } catch (const AEException& e) {
      EXPECT_EQ(e.Code(), 1);
      EXPECT_STREQ(e.Message(), "BezierCurve : Data not initialized");
    }
  }
}

// ---- Length -----------------------------------------------------------------

struct LengthCase {
  const char* name;
  Vec2d p[4];
  double expected;
  double tolerance;
};

class CurveLength : public testing::TestWithParam<LengthCase> {};

TEST_P(CurveLength, MatchesIndependentValue) {
  const LengthCase& c = GetParam();
  const BezierCurve curve = MakeCurve(c.p[0], c.p[1], c.p[2], c.p[3]);
  EXPECT_NEAR(curve.Length(), c.expected, c.tolerance);
}

// The integral runs over [1e-10, 1 - 1e-10], so a uniform-speed line of
// length L measures L * 0.9999999998.
INSTANTIATE_TEST_SUITE_P(
    Curves, CurveLength,
    testing::Values(
        // Handles on the end points: the speed vanishes at both ends, yet the
        // length is the chord.
        LengthCase{"coincident_handles", {{0, 0}, {0, 0}, {30, 40}, {30, 40}}, 50.0, 1e-9},
        LengthCase{"uniform_line", {{1, 1}, {5, 4}, {9, 7}, {13, 10}}, 15.0 * 0.9999999998, 1e-11},
        LengthCase{"point", {{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 0.0, 0.0},
        LengthCase{"wave",
                   {{10.0, 80.0}, {40.0, -20.0}, {70.0, 140.0}, {100.0, 30.0}},
                   SimpsonLength(kWave, 1e-10, 0.9999999999, 200000),
                   1e-6}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

// ---- ComputeBounds ----------------------------------------------------------

struct BoundsCase {
  const char* name;
  Vec2d p[4];
  int32_t minX, maxX, minY, maxY;
};

class CurveBounds : public testing::TestWithParam<BoundsCase> {};

TEST_P(CurveBounds, TruncatedTowardZero) {
  const BoundsCase& c = GetParam();
  const BezierCurve curve = MakeCurve(c.p[0], c.p[1], c.p[2], c.p[3]);
  EXPECT_EQ(curve.MinX(), c.minX);
  EXPECT_EQ(curve.MaxX(), c.maxX);
  EXPECT_EQ(curve.MinY(), c.minY);
  EXPECT_EQ(curve.MaxY(), c.maxY);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, CurveBounds,
    testing::Values(
        BoundsCase{"line", {{10.7, 20.2}, {23.9, 15.4}, {37.1, 10.7}, {50.3, 5.9}}, 10, 50, 5, 20},
        // -5.5 truncates to -5 (toward zero), not to -6.
        BoundsCase{"negative", {{-5.5, -3.2}, {-2.5, 0.1}, {-0.5, 2.9}, {2.5, 4.7}}, -5, 2, -3, 4},
        BoundsCase{"point", {{3.9, -2.9}, {3.9, -2.9}, {3.9, -2.9}, {3.9, -2.9}}, 3, 3, -2, -2},
        // x(t) = 182 t (1 - t) peaks at 45.5 for t = 0.5; y = 10 t stops
        // short of 10 because t is clamped below 1.
        BoundsCase{"bulge", {{0, 0}, {182.0 / 3, 10.0 / 3}, {182.0 / 3, 20.0 / 3}, {0, 10}}, 0, 45,
                   0, 9}),
    [](const testing::TestParamInfo<BoundsCase>& info) { return std::string(info.param.name); });

// ---- ClosestPoint: end points, parameter range, ties, side -------------------

// A uniform-speed line from (0, 0) to (30, 0): B(t) = (30 t, 0).
const Vec2d kLine[4] = {{0, 0}, {10, 0}, {20, 0}, {30, 0}};

struct NearestCase {
  const char* name;
  Vec2d q;
  bool includeStart;
  bool includeEnd;
  double tMin;
  double tMax;
  bool found;
  double t;   // when found
  bool side;  // (q - nearest) x B'(t) >= 0; along +x: true for smaller y
};

class ClosestPointOnLine : public testing::TestWithParam<NearestCase> {};

TEST_P(ClosestPointOnLine, ChoosesTheAdmittedCandidate) {
  const NearestCase& c = GetParam();
  const BezierCurve curve = MakeCurve(kLine[0], kLine[1], kLine[2], kLine[3]);
  Vec2d nearest(-999, -999);
  double t = -999;
  bool side = !c.side;
  const bool found =
      curve.ClosestPoint(c.q, nearest, c.includeStart, c.includeEnd, c.tMin, c.tMax, &t, &side);
  ASSERT_EQ(found, c.found);
  if (!c.found) {
    EXPECT_EQ(nearest, Vec2d(-999, -999));  // nothing written
    EXPECT_EQ(t, -999);
    return;
  }
  EXPECT_NEAR(t, c.t, 1e-12);
  EXPECT_NEAR(nearest.x, 30 * c.t, 1e-9);
  EXPECT_NEAR(nearest.y, 0.0, 1e-12);
  EXPECT_EQ(side, c.side);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, ClosestPointOnLine,
    testing::Values(
        // Beyond the end: no interior root, so only the end point can answer.
        NearestCase{"beyond_end_excluded", {40, 5}, false, false, 0, 1, false, 0, false},
        NearestCase{"beyond_end_included", {40, 5}, false, true, 0, 1, true, 1.0, false},
        NearestCase{"beyond_end_start_only", {40, -5}, true, false, 0, 1, true, 0.0, true},
        NearestCase{"before_start_included", {-10, 5}, true, false, 0, 1, true, 0.0, false},
        NearestCase{"before_start_excluded", {-10, 5}, false, false, 0, 1, false, 0, false},
        // An interior root strictly nearer than both ends wins.
        NearestCase{"interior", {15, 7}, true, true, 0, 1, true, 0.5, false},
        NearestCase{"interior_below", {15, -7}, false, false, 0, 1, true, 0.5, true},
        // The root at 0.5 lies outside [0.6, 1]; the ends are admitted by
        // their flags whatever the range says.
        NearestCase{"root_out_of_range", {15, 7}, false, false, 0.6, 1, false, 0, false},
        NearestCase{"root_out_of_range_end", {15, 7}, false, true, 0.6, 1, true, 1.0, false},
        NearestCase{"root_out_of_range_start", {15, 7}, true, false, 0.6, 0.9, true, 0.0, false},
        NearestCase{"root_in_range", {21, -2}, false, false, 0.6, 0.8, true, 0.7, true},
        NearestCase{"on_curve", {12, 0}, false, false, 0, 1, true, 0.4, true}),
    [](const testing::TestParamInfo<NearestCase>& info) { return std::string(info.param.name); });

TEST(ClosestPointTies, StartKeptWhenEndIsEquallyNear) {
  // A curve that returns to its start: P0 = P3, equally near any query.
  const BezierCurve curve = MakeCurve({0, 0}, {30, 0}, {30, 20}, {0, 0});
  Vec2d nearest;
  double t = -1;
  ASSERT_TRUE(curve.ClosestPoint({-10, -3}, nearest, true, true, 0, 1, &t));
  EXPECT_EQ(t, 0.0);
  EXPECT_EQ(nearest, Vec2d(0, 0));
  // Without the start, the end (t = 1) answers.
  ASSERT_TRUE(curve.ClosestPoint({-10, -3}, nearest, false, true, 0, 1, &t));
  EXPECT_EQ(t, 1.0);
}

// ---- Trace ------------------------------------------------------------------

struct TraceCase {
  const char* name;
  Vec2d p[4];
  std::set<std::pair<int, int>> pixels;
};

std::set<std::pair<int, int>> HorizontalRun(int x0, int x1, int y) {
  std::set<std::pair<int, int>> run;
  for (int x = x0; x <= x1; ++x) run.insert({x, y});
  return run;
}

class CurveTrace : public testing::TestWithParam<TraceCase> {};

TEST_P(CurveTrace, DrawsExactlyTheExpectedPixels) {
  const TraceCase& c = GetParam();
  embedded::EmbeddedHost host;
  PF_EffectWorld* raw = host.CreateWorld(48, 24, false, true);
  for (A_long y = 0; y < raw->height; ++y) {
    for (A_long x = 0; x < raw->width; ++x) *PixelAt<PF_Pixel>(*raw, x, y) = PF_Pixel{0, 0, 0, 0};
  }
  AEWorld world(host.InData(), raw, false);
  const BezierCurve curve = MakeCurve(c.p[0], c.p[1], c.p[2], c.p[3]);
  curve.Trace(world, DepthColor::From8(PF_Pixel{255, 1, 2, 3}), 0.0, 1.0);
  std::set<std::pair<int, int>> drawn;
  for (A_long y = 0; y < raw->height; ++y) {
    for (A_long x = 0; x < raw->width; ++x) {
      const PF_Pixel p = *PixelAt<PF_Pixel>(*raw, x, y);
      if (p.alpha != 0) {
        EXPECT_EQ(p.red, 1);
        drawn.insert({x, y});
      }
    }
  }
  EXPECT_EQ(drawn, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, CurveTrace,
    testing::Values(
        // All points within two pixels: one line p0 -> pm, one pm -> p1, with
        // p0 = (10.5, 10.2), pm = (11.2, 11.55), p1 = (11.9, 10.2). A further
        // split would also reach B(0.25) = (10.72, 11.21), pixel (10, 11).
        TraceCase{"tiny_two_lines",
                  {{10.5, 10.2}, {10.5, 12.0}, {11.9, 12.0}, {11.9, 10.2}},
                  {{10, 10}, {11, 11}, {11, 10}}},
        // A long straight line leaves no gap between its chords.
        TraceCase{"long_line", {{2.5, 5.5}, {15.5, 5.5}, {28.5, 5.5}, {41.5, 5.5}},
                  HorizontalRun(2, 41, 5)}),
    [](const testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.name); });

}  // namespace
