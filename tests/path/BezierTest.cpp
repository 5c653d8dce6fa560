#include "path/BezierPath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "Common/AEException.h"
#include "Common/ScanCallBack.h"
#include "path/Array1D.h"
#include "path/Array2D.h"
#include "path/PathObject.h"

namespace {

using Controls = Vec2d[4];

BezierCurve MakeCurve(const Controls& p) {
  BezierCurve curve;
  curve.SetControlPoints(p[0], p[1], p[2], p[3]);
  curve.Setup();
  return curve;
}

// The Bernstein form (or its derivative) in long double, independently of the curve.
Vec2d Bernstein(const Controls& p, long double t, bool derivative = false) {
  const long double u = 1.0L - t;
  const long double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  const long double d[4] = {-3 * u * u, 3 * u * u - 6 * u * t, 6 * u * t - 3 * t * t, 3 * t * t};
  long double x = 0, y = 0;
  for (int i = 0; i < 4; ++i) {
    x += (derivative ? d[i] : b[i]) * p[i].x;
    y += (derivative ? d[i] : b[i]) * p[i].y;
  }
  return {static_cast<double>(x), static_cast<double>(y)};
}

void ExpectNear(const Vec2d& got, const Vec2d& want, double tolerance) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
}

// Arc length by composite Simpson over [a, b].
double SimpsonLength(const Controls& p, double a, double b, int intervals) {
  auto speed = [&](long double t) { return Bernstein(p, t, true).Length(); };
  const long double h = (static_cast<long double>(b) - a) / intervals;
  long double sum = speed(a) + speed(b);
  for (int i = 1; i < intervals; ++i) sum += speed(a + i * h) * (i % 2 == 1 ? 4 : 2);
  return static_cast<double>(sum * h / 3);
}

// An AEException with code 1 and this message.
auto Fails(const char* message) {
  return testing::Throws<AEException>(
      testing::AllOf(testing::Property(&AEException::Code, 1),
                     testing::Property(&AEException::Message, testing::StrEq(message))));
}

const Controls kWave = {{10.0, 80.0}, {40.0, -20.0}, {70.0, 140.0}, {100.0, 30.0}};

TEST(BezierCurve, EvaluateAndDerivativeClampTheParameter) {
  // The ends are B(1e-10) and B(0.9999999999), not P0 and P3: with
  // P1 - P0 = (30, -100) they lie about 3e-8 apart, far beyond the tolerance.
  // clang-format off
  const struct { double t; long double effective; } cases[] = {
      {0.0, 1e-10L},
      {1.0, 0.9999999999L},
      {-3.0, 1e-10L},
      {std::numeric_limits<double>::quiet_NaN(), 0.9999999999L},
      {0.7, 0.7L}};
  // clang-format on
  const BezierCurve curve = MakeCurve(kWave);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.t);
    ExpectNear(curve.Evaluate(c.t), Bernstein(kWave, c.effective), 1e-12);
    ExpectNear(curve.Derivative(c.t), Bernstein(kWave, c.effective, true), 1e-10);
  }
}

TEST(BezierCurve, DeCasteljauSplitsIntoTwoHalvesByHand) {
  // (0,0) (8,0) (8,8) (0,8) at t = 0.5: levels (4,0) (8,4) (4,8); (6,2) (6,6); (6,4).
  const Controls p = {{0, 0}, {8, 0}, {8, 8}, {0, 8}};
  Vec2d left[4], right[4];
  EXPECT_EQ(DeCasteljau(p, 3, 0.5, left, right), Vec2d(6, 4));
  EXPECT_EQ((std::array{left[0], left[1], left[2], left[3]}),
            (std::array{Vec2d(0, 0), Vec2d(4, 0), Vec2d(6, 2), Vec2d(6, 4)}));
  EXPECT_EQ((std::array{right[0], right[1], right[2], right[3]}),
            (std::array{Vec2d(6, 4), Vec2d(6, 6), Vec2d(4, 8), Vec2d(0, 8)}));
}

TEST(BezierCurve, UninitialisedCurveThrows) {
  const BezierCurve curve;
  const auto fails = Fails("BezierCurve : Data not initialized");
  EXPECT_THAT([&] { curve.Evaluate(0.5); }, fails);
  EXPECT_THAT([&] { curve.Derivative(0.5); }, fails);
  EXPECT_THAT([&] { curve.Length(); }, fails);
  EXPECT_THAT([&] { curve.ComputeBounds(); }, fails);
}

TEST(BezierCurve, LengthMatchesIndependentValues) {
  // The integral runs over [1e-10, 1 - 1e-10]: a uniform-speed line of length L measures L *
  // 0.9999999998.
  // clang-format off
  const struct { Controls p; double expected, tolerance; } cases[] = {
      {{{0, 0}, {0, 0}, {30, 40}, {30, 40}}, 50.0, 1e-9},  // handles on the ends: still the chord
      {{{1, 1}, {5, 4}, {9, 7}, {13, 10}}, 15.0 * 0.9999999998, 1e-11},
      {{{5, 5}, {5, 5}, {5, 5}, {5, 5}}, 0.0, 0.0},
      {{kWave[0], kWave[1], kWave[2], kWave[3]}, SimpsonLength(kWave, 1e-10, 0.9999999999, 200000),
       1e-6}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_NEAR(MakeCurve(c.p).Length(), c.expected, c.tolerance) << c.expected;
}

TEST(BezierCurve, BoundsTruncatedTowardZero) {
  // clang-format off
  const struct { Controls p; int32_t minX, maxX, minY, maxY; } cases[] = {
      {{{10.7, 20.2}, {23.9, 15.4}, {37.1, 10.7}, {50.3, 5.9}}, 10, 50, 5, 20},
      {{{-5.5, -3.2}, {-2.5, 0.1}, {-0.5, 2.9}, {2.5, 4.7}}, -5, 2, -3, 4},  // -5.5 -> -5, not -6
      {{{3.9, -2.9}, {3.9, -2.9}, {3.9, -2.9}, {3.9, -2.9}}, 3, 3, -2, -2},
      // x = 182 t (1 - t) peaks at 45.5; y = 10 t stops short of 10 as t is clamped below 1.
      {{{0, 0}, {182.0 / 3, 10.0 / 3}, {182.0 / 3, 20.0 / 3}, {0, 10}}, 0, 45, 0, 9}};
  // clang-format on
  for (const auto& c : cases) {
    const BezierCurve curve = MakeCurve(c.p);
    EXPECT_EQ((std::array{curve.MinX(), curve.MaxX(), curve.MinY(), curve.MaxY()}),
              (std::array{c.minX, c.maxX, c.minY, c.maxY}));
  }
}

// A uniform-speed line B(t) = (30 t, 0), and a curve returning to its start (P0 = P3).
const Controls kLine = {{0, 0}, {10, 0}, {20, 0}, {30, 0}};
const Controls kReturn = {{0, 0}, {30, 0}, {30, 20}, {0, 0}};

TEST(BezierCurve, ClosestPointChoosesTheAdmittedCandidate) {
  // side: (q - nearest) x B'(t) >= 0, so along +x true for smaller y.
  // clang-format off
  const struct { const Controls* p; Vec2d q; bool start, end; double tMin, tMax; bool found;
                 double t; bool side; } cases[] = {
      // beyond the end: only the end can answer
      {&kLine, {40, 5}, false, false, 0, 1, false, 0, false},
      {&kLine, {40, 5}, false, true, 0, 1, true, 1.0, false},
      {&kLine, {40, -5}, true, false, 0, 1, true, 0.0, true},
      {&kLine, {-10, 5}, true, false, 0, 1, true, 0.0, false},
      {&kLine, {-10, 5}, false, false, 0, 1, false, 0, false},
      // an interior root nearer than both ends
      {&kLine, {15, 7}, true, true, 0, 1, true, 0.5, false},
      {&kLine, {15, -7}, false, false, 0, 1, true, 0.5, true},
      {&kLine, {15, 7}, false, false, 0.6, 1, false, 0, false},  // root 0.5 outside [0.6, 1]
      // ends follow their flags, not the range
      {&kLine, {15, 7}, false, true, 0.6, 1, true, 1.0, false},
      {&kLine, {15, 7}, true, false, 0.6, 0.9, true, 0.0, false},
      {&kLine, {21, -2}, false, false, 0.6, 0.8, true, 0.7, true},
      {&kLine, {12, 0}, false, false, 0, 1, true, 0.4, true},
      {&kReturn, {-10, -3}, true, true, 0, 1, true, 0.0, true},  // tie: the start is kept
      {&kReturn, {-10, -3}, false, true, 0, 1, true, 1.0, true}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.q.x << "," << c.q.y << " " << c.start << c.end << " " << c.tMin);
    Vec2d nearest(-999, -999);
    double t = -999;
    bool side = !c.side;
    ASSERT_EQ(MakeCurve(*c.p).ClosestPoint(c.q, nearest, c.start, c.end, c.tMin, c.tMax, &t, &side),
              c.found);
    if (!c.found) {
      EXPECT_EQ(nearest, Vec2d(-999, -999));  // nothing written
      EXPECT_EQ(t, -999);
      continue;
    }
    if (c.t == 0.0 || c.t == 1.0) {
      EXPECT_EQ(t, c.t);
      EXPECT_EQ(nearest, (*c.p)[c.t == 0.0 ? 0 : 3]);
    } else {
      EXPECT_NEAR(t, c.t, 1e-12);
      ExpectNear(nearest, Bernstein(*c.p, c.t), 1e-9);
    }
    EXPECT_EQ(side, c.side);
  }
}

// Against brute force: for random cubics (loops and cusps included) and queries, the answer is
// no farther than the nearest of 10,000 points sampled along the curve, with the end flags
// honoured.
TEST(BezierCurve, ClosestPointNoFartherThanDenseSamples) {
  constexpr int kSamples = 10000;
  // clang-format off
  const struct { bool start, end; unsigned seed; } flags[] = {
      {true, true, 1234u},
      {true, false, 99u},
      {false, true, 4711u},
      {false, false, 2026u}};
  // clang-format on
  for (const auto& f : flags) {
    SCOPED_TRACE(testing::Message() << "flags " << f.start << f.end);
    std::mt19937 rng(f.seed);
    std::uniform_real_distribution<double> coord(0.0, 200.0), query(-60.0, 260.0);
    int interiorChecked = 0;
    for (int trial = 0; trial < 400; ++trial) {
      Controls p;
      for (Vec2d& v : p) v = Vec2d(coord(rng), coord(rng));
      const Vec2d q(query(rng), query(rng));
      double bestSample = 1e300, bestEnd = 1e300;
      int bestIndex = -1;
      for (int k = 0; k < kSamples; ++k) {
        const double d = (q - Bernstein(p, (k + 0.5) / kSamples)).Length();
        if (d < bestSample) bestSample = d, bestIndex = k;
      }
      if (f.start) bestEnd = std::fmin(bestEnd, (q - p[0]).Length());
      if (f.end) bestEnd = std::fmin(bestEnd, (q - p[3]).Length());
      Vec2d nearest;
      double t = -1;
      const bool found = MakeCurve(p).ClosestPoint(q, nearest, f.start, f.end, 0.0, 1.0, &t);
      if (f.start || f.end) { ASSERT_TRUE(found) << "trial " << trial; }
      if (!found) continue;
      SCOPED_TRACE(testing::Message() << "trial " << trial << " t " << t);
      ASSERT_GE(t, 0.0);
      ASSERT_LE(t, 1.0);
      if (!f.start) { EXPECT_GT(t, 1e-10); }
      if (!f.end) { EXPECT_LT(t, 1.0 - 1e-10); }
      ExpectNear(nearest, Bernstein(p, t), 1e-9);  // the point reported is the curve's at t
      const double got = (q - nearest).Length();
      EXPECT_LE(got, bestEnd + 1e-9);
      // An interior minimum (away from the first and last samples) is a root whatever the flags
      // say.
      if ((bestIndex > 10 && bestIndex < kSamples - 11) || (f.start && f.end)) {
        EXPECT_LE(got, bestSample + 1e-9);
        ++interiorChecked;
      }
    }
    EXPECT_GT(interiorChecked, 100);
  }
}

// A list of vertices served through the path source interface.
class VertexPath : public PathObject {
 public:
  VertexPath(std::vector<PF_PathVertex> vertices, bool open)
      : vertices_(std::move(vertices)), open_(open) {}
  bool Checkout() override { return !vertices_.empty(); }
  bool IsOpen() override { return open_; }
  int32_t NumSegments() override { return static_cast<int32_t>(vertices_.size()) - 1; }
  int32_t NumVertices() override { return static_cast<int32_t>(vertices_.size()); }
  PF_PathVertex& GetVertex(PF_PathVertex& out, int32_t index) override {
    requested.push_back(index);
    return out = vertices_.at(static_cast<size_t>(index));
  }
  std::vector<int32_t> requested;

 private:
  std::vector<PF_PathVertex> vertices_;
  bool open_;
};

// Straight segments through the points (handles at the thirds: uniform speed); closed repeats the
// first point.
std::vector<PF_PathVertex> Polygon(std::vector<Vec2d> p, bool closed) {
  if (closed) p.push_back(p.front());
  std::vector<PF_PathVertex> v(p.size());
  for (size_t i = 0; i < p.size(); ++i) {
    const Vec2d next = i + 1 < p.size() ? p[i + 1] : p[i], prev = i > 0 ? p[i - 1] : p[i];
    v[i] = {p[i].x,
            p[i].y,
            p[i].x + (prev.x - p[i].x) / 3,
            p[i].y + (prev.y - p[i].y) / 3,
            p[i].x + (next.x - p[i].x) / 3,
            p[i].y + (next.y - p[i].y) / 3};
  }
  return v;
}

// Axis-aligned rectangle, clockwise on screen (y down).
std::vector<PF_PathVertex> Rectangle(double x0, double y0, double x1, double y1) {
  return Polygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, true);
}

struct RecordingSink final : ScanCallBack {
  void Visit(double x, double y) override { points.emplace_back(x, y); }
  void Plot(int, int) override { ++plots; }
  bool Query(int, int) override { return false; }
  std::vector<Vec2d> points;
  int plots = 0;
};

TEST(BezierPath, EveryOperationNeedsAPathSource) {
  BezierPath path(nullptr);
  const auto fails = Fails("BezierPath : Path not initialized");
  RecordingSink sink;
  int32_t cellClass = 0;
  EXPECT_THAT([&] { path.BuildCurves(); }, fails);
  EXPECT_THAT([&] { path.Length(); }, fails);
  EXPECT_THAT([&] { path.Sample(sink, 1.0); }, fails);
  EXPECT_THAT([&] { path.IsInside(1, 1); }, fails);
  EXPECT_THAT([&] { path.Classify(1, 1, cellClass); }, fails);
}

TEST(BezierPath, CurvesFromConsecutiveVerticesLaterOneFirst) {
  VertexPath source(
      {{0, 0, -1, -1, 1, 2}, {10, 0, 8, 3, 12, -3}, {20, 5, 18, 4, 22, 6}, {30, 0, 28, 1, 0, 0}},
      true);
  BezierPath path(&source);
  Array1D<BezierCurve>& curves = path.Curves();
  ASSERT_EQ(curves.Count(), 3);
  EXPECT_EQ(source.requested, (std::vector<int32_t>{1, 0, 2, 1, 3, 2}));
  const Vec2d want[4] = {{10, 0}, {12, -3}, {18, 4}, {20, 5}};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(curves[1].ControlPoint(i), want[i]);
  EXPECT_TRUE(curves[2].IsInitialised());
  path.BuildCurves();  // built once
  EXPECT_EQ(source.requested.size(), 6u);
}

TEST(BezierPath, LengthSumsTheCurvesAndSampleIsUniformInTNeverAtOne) {
  // Each straight curve measures its chord times 0.9999999998 (the integral over [1e-10, 1 -
  // 1e-10]), so the t step of the samples is a hair more than step / L.
  // clang-format off
  const struct { std::vector<Vec2d> points; bool closed; int curves; double chords, step;
                 std::vector<Vec2d> samples; } cases[] = {
      {{}, false, 0, 0.0, 0, {}},
      {{{4, 4}}, false, 0, 0.0, 0, {}},
      {{{0, 0}, {3, 4}, {3, 10}}, false, 2, 11.0, 0, {}},
      {{{0, 0}, {30, 0}, {30, 40}}, true, 3, 120.0, 0, {}},
      {{{0, 0}, {8, 0}, {8, 4}}, false, 2, 12.0, 1.0,
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {8, 1}, {8, 2},
        {8, 3}}},
      {{{0, 0}, {0, 8}}, false, 1, 8.0, 4.0, {{0, 0}, {0, 4}}},
      // a zero-length curve: one point
      {{{2, 2}, {2, 2}, {6, 2}}, false, 2, 4.0, 2.0, {{2, 2}, {2, 2}, {4, 2}}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.points.size() << " points, chords " << c.chords);
    VertexPath source(Polygon(c.points, c.closed), !c.closed);
    BezierPath path(&source);
    EXPECT_EQ(path.Curves().Count(), c.curves);
    EXPECT_NEAR(path.Length(), c.chords * 0.9999999998, 1e-9);
    if (c.step == 0) continue;
    RecordingSink sink;
    path.Sample(sink, c.step);
    ASSERT_EQ(sink.points.size(), c.samples.size());
    for (size_t i = 0; i < c.samples.size(); ++i) ExpectNear(sink.points[i], c.samples[i], 1e-6);
    EXPECT_EQ(sink.plots, 0);
  }
}

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

TEST(BezierPath, IsInsideByNonzeroWinding) {
  const std::vector<Vec2d> square = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
  // Crosses itself at (50, 50): left and right lobes wound in opposite senses.
  const std::vector<Vec2d> bowTie = {{10, 10}, {90, 90}, {90, 10}, {10, 90}};
  // The square traced twice: winding number 2, which even-odd would call outside.
  std::vector<Vec2d> twice = square;
  twice.insert(twice.end(), square.begin(), square.end());
  // clang-format off
  const struct { const std::vector<Vec2d>& points; bool closed; Vec2d q; bool inside; } cases[] = {
      {square, true, {10.5, 10.5}, true},
      {square, true, {9.5, 50}, false},
      {square, true, {50, 90.5}, false},
      {square, false, {50, 50}, false},
      {bowTie, true, {25, 50}, true},
      {bowTie, true, {75, 50}, true},
      {bowTie, true, {50, 25}, false},
      {bowTie, true, {50, 75}, false},
      {twice, true, {50, 50}, true},
      {twice, true, {95, 50}, false}};
  // clang-format on
  for (const auto& c : cases) {
    VertexPath source(Polygon(c.points, c.closed), !c.closed);
    EXPECT_EQ(BezierPath(&source).IsInside(c.q.x, c.q.y), c.inside) << c.q.x << "," << c.q.y;
  }
}

TEST(BezierPath, RayThroughPolygonPointsCountsEachCrossingOnce) {
  // At the exact y of points on the vertical sides the ray toward -x runs through a polygon
  // point with edges above and below; counted twice, the right side would outweigh the left.
  VertexPath source(Rectangle(10, 10, 90, 90), false);
  BezierPath path(&source);
  path.BuildPolygon(0.3);
  const Array1D<Vec2d>& polygon = path.Polygon();
  int checked = 0;
  for (int32_t i = 0; i < polygon.Count(); ++i) {
    const double y = polygon[i].y;
    if (y < 20 || y > 80) continue;
    EXPECT_FALSE(path.IsInside(95, y)) << y;
    EXPECT_FALSE(path.IsInside(5, y)) << y;
    EXPECT_TRUE(path.IsInside(50, y)) << y;
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

TEST(BezierPath, ClassifyGivesClassAndNineSampleCoverage) {
  // Rectangle (20.4, 30.4) - (60.4, 70.1); samples of cell c at c + 1/6, 1/2, 5/6 on each axis.
  // clang-format off
  const struct { int32_t x, y, cellClass, samplesInside; } cases[] = {
      {40, 50, 1, 9},
      {10, 50, 0, 0},
      {20, 50, 2, 6} /* two columns right of 20.4 */,
      {60, 50, 2, 3} /* one column left of 60.4 */,
      {40, 30, 2, 6},
      {40, 70, 2, 0} /* no row above 70.1 */,
      {20, 30, 2, 4},
      {60, 30, 2, 2},
      {-1, 50, 0, 0},
      {61, 50, 0, 0} /* grid 61 x 71 */,
      {40, 71, 0, 0}};
  // clang-format on
  VertexPath source(Rectangle(20.4, 30.4, 60.4, 70.1), false);
  BezierPath path(&source);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    int32_t cellClass = -1, again = -1;
    double coverage = -1;
    path.Classify(c.x, c.y, cellClass, &coverage);
    EXPECT_EQ(cellClass, c.cellClass);
    EXPECT_EQ(coverage, c.samplesInside / 9.0);
    path.Classify(c.x, c.y, again);  // coverage not asked
    EXPECT_EQ(again, c.cellClass);
  }
}

TEST(BezierPath, EveryGridCellClassifiedByItsOverlapWithARectangle) {
  // clang-format off
  const struct { double x0, y0, x1, y1; } cases[] = {
      {5.2, 5.4, 6.8, 40.3},
      {-10.5, -7.25, 12.6, 9.7}};
  // clang-format on
  for (const auto& c : cases) {
    VertexPath source(Rectangle(c.x0, c.y0, c.x1, c.y1), false);
    BezierPath path(&source);
    int32_t first = -1;
    path.Classify(0, 0, first);
    const Array2D<unsigned char>& grid = path.Grid();
    EXPECT_EQ(grid.Width(), static_cast<int32_t>(c.x1 + 1.0));
    EXPECT_EQ(grid.Height(), static_cast<int32_t>(c.y1 + 1.0));
    for (int32_t y = -2; y < grid.Height() + 2; ++y) {
      for (int32_t x = -2; x < grid.Width() + 2; ++x) {
        // The closed cell [x, x + 1] x [y, y + 1] against the rectangle; the grid starts at cell 0.
        const bool overlaps = x + 1 >= c.x0 && x <= c.x1 && y + 1 >= c.y0 && y <= c.y1;
        const bool within = x > c.x0 && x + 1 < c.x1 && y > c.y0 && y + 1 < c.y1;
        const bool inGrid = x >= 0 && y >= 0 && x < grid.Width() && y < grid.Height();
        int32_t cellClass = -1;
        path.Classify(x, y, cellClass);
        ASSERT_EQ(cellClass, !inGrid ? 0 : within ? 1 : overlaps ? 2 : 0) << x << "," << y;
      }
    }
  }
}

// Job orders a host may choose: backwards, and two threads taking turns.
void Backwards(int32_t count, const std::function<void(int32_t)>& job) {
  for (int32_t j = count - 1; j >= 0; --j) job(j);
}
void OnTwoThreads(int32_t count, const std::function<void(int32_t)>& job) {
  std::atomic<int32_t> next{0};
  const auto work = [&] {
    for (int32_t j = next++; j < count; j = next++) job(j);
  };
  std::thread other(work);
  work();
  other.join();
}

TEST(BezierPath, GridIsTheSameWhateverOrderItsJobsRunIn) {
  const std::vector<PF_PathVertex> shapes[] = {
      Polygon({{10, 10}, {190, 150}, {190, 10}, {10, 150}}, true),
      {{150, 160, 260, 20, 20, 20}, {150, 160, 260, 20, 20, 20}},
      Rectangle(3.5, 200.2, 9.5, 230.7)};
  for (const auto& shape : shapes) {
    VertexPath inOrderSource(shape, false);
    BezierPath inOrder(&inOrderSource);
    inOrder.BuildGrid(BezierPath::kFlatteningStep, -1, -1);
    const Array2D<unsigned char>& expected = inOrder.Grid();
    for (const BezierPath::RunJobs& runner :
         {BezierPath::RunJobs(Backwards), BezierPath::RunJobs(OnTwoThreads)}) {
      VertexPath source(shape, false);
      BezierPath path(&source);
      int32_t jobs = 0;
      path.BuildGrid(BezierPath::kFlatteningStep, -1, -1,
                     [&](int32_t count, const auto& job) { runner(jobs = count, job); });
      EXPECT_GT(jobs, 16);
      const Array2D<unsigned char>& grid = path.Grid();
      ASSERT_TRUE(grid.Width() == expected.Width() && grid.Height() == expected.Height());
      int inside = 0;
      for (int32_t y = 0; y < grid.Height(); ++y) {
        for (int32_t x = 0; x < grid.Width(); ++x) {
          ASSERT_EQ(grid(x, y), expected(x, y)) << x << "," << y;
          inside += grid(x, y) == BezierPath::kInside;
        }
      }
      EXPECT_GT(inside, 0);
    }
  }
}

// Winding number of a closed polyline around q from the crossings of the ray toward +x,
// and the distance from q to the polyline.
int WindingNumber(const std::vector<Vec2d>& poly, const Vec2d& q) {
  int wn = 0;
  for (size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vec2d &a = poly[i], &b = poly[i + 1];
    const double side = (b.x - a.x) * (q.y - a.y) - (q.x - a.x) * (b.y - a.y);
    if (a.y <= q.y && b.y > q.y && side > 0) ++wn;
    if (a.y > q.y && b.y <= q.y && side < 0) --wn;
  }
  return wn;
}

double DistanceToPolyline(const std::vector<Vec2d>& poly, const Vec2d& q) {
  double best = 1e300;
  for (size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vec2d ab = poly[i + 1] - poly[i], aq = q - poly[i];
    const double t = ab.Dot(ab) > 0 ? std::clamp(aq.Dot(ab) / ab.Dot(ab), 0.0, 1.0) : 0.0;
    best = std::fmin(best, (aq - ab * t).Length());
  }
  return best;
}

TEST(BezierPath, IsInsideAgreesWithWindingOfAFineFlattening) {
  std::mt19937 rng(31337u);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int insideCount = 0, outsideCount = 0;
  for (int shape = 0; shape < 40; ++shape) {
    // A smooth star-shaped closed curve r(a) = r0 (1 + e1 cos(k1 a + p1) + e2 cos(k2 a + p2))
    // through n points, with handles along its tangent.
    const int n = 4 + static_cast<int>(unit(rng) * 6);
    const Vec2d centre(150 + 100 * unit(rng), 150 + 100 * unit(rng));
    const double r0 = 40 + 60 * unit(rng), e1 = 0.3 * unit(rng), e2 = 0.2 * unit(rng);
    const int k1 = 2 + static_cast<int>(unit(rng) * 3), k2 = 3 + static_cast<int>(unit(rng) * 4);
    const double p1 = 6.28 * unit(rng), p2 = 6.28 * unit(rng);
    const double da = (unit(rng) < 0.5 ? 1.0 : -1.0) * 2 * std::numbers::pi / n;
    auto at = [&](double a) {
      const double r = r0 * (1 + e1 * std::cos(k1 * a + p1) + e2 * std::cos(k2 * a + p2));
      return Vec2d(centre.x + r * std::cos(a), centre.y + r * std::sin(a));
    };
    std::vector<PF_PathVertex> vertices;
    for (int i = 0; i <= n; ++i) {
      const double a = da * (i % n), h = 1e-6;
      const Vec2d p = at(a), tangent = (at(a + h) - at(a - h)) * (da / (2 * h) / 3.0);
      vertices.push_back(
          {p.x, p.y, p.x - tangent.x, p.y - tangent.y, p.x + tangent.x, p.y + tangent.y});
    }
    std::vector<Vec2d> fine;
    for (int i = 0; i < n; ++i) {
      const PF_PathVertex &a = vertices[i], &b = vertices[i + 1];
      for (int s = 0; s < 2000; ++s) {
        const double t = s / 2000.0, u = 1.0 - t;
        const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
        fine.emplace_back(w[0] * a.x + w[1] * a.tan_out_x + w[2] * b.tan_in_x + w[3] * b.x,
                          w[0] * a.y + w[1] * a.tan_out_y + w[2] * b.tan_in_y + w[3] * b.y);
      }
    }
    fine.push_back(fine.front());
    VertexPath source(vertices, false);
    BezierPath path(&source);
    for (int k = 0; k < 200; ++k) {
      const Vec2d q(centre.x - 200 + 400 * unit(rng), centre.y - 200 + 400 * unit(rng));
      if (DistanceToPolyline(fine, q) < 0.5) continue;
      const bool expected = WindingNumber(fine, q) != 0;
      ASSERT_EQ(path.IsInside(q.x, q.y), expected)
          << "shape " << shape << " query " << q.x << ", " << q.y;
      ++(expected ? insideCount : outsideCount);
    }
  }
  EXPECT_GT(insideCount, 500);
  EXPECT_GT(outsideCount, 500);
}

TEST(Array1D, ChecksEveryAccess) {
  // Sizes below 1 leave no storage at all, so every index fails.
  // clang-format off
  const struct { int32_t size, index; bool valid; } cases[] = {
      {3, 0, true},
      {3, 2, true},
      {3, 3, false},
      {3, -1, false},
      {0, 0, false},
      {-4, 0, false}};
  // clang-format on
  for (const auto& c : cases) {
    Array1D<int> a(c.size, 7);
    if (c.valid) {
      EXPECT_EQ(a[c.index], 7) << c.size << " " << c.index;
    } else {
      EXPECT_THAT([&] { a[c.index] = 1; },
                  testing::ThrowsMessage<std::out_of_range>(testing::StrEq("Index out of Range")))
          << c.size << " " << c.index;
    }
  }
}

struct Tracked {
  static inline int live = 0;
  int value = 0;
  explicit Tracked(int v) : value(v) { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  ~Tracked() { --live; }
};

TEST(Array1D, ResizeDestroysOldElementsAndCopiesTheFill) {
  Tracked::live = 0;
  {
    Array1D<Tracked> a(4, Tracked(5));
    EXPECT_EQ(Tracked::live, 4);
    a.Resize(2, Tracked(9));
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_EQ(a[1].value, 9);
    a.Truncate(1);  // storage kept until the next resize
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_THROW(a[1], std::out_of_range);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Array2D, RowMajorOverTheInnerCheck) {
  Array2D<unsigned char> grid;
  grid.Resize(4, 3, 0);
  grid(2, 1) = 9;
  EXPECT_EQ(grid(0, 0) + grid(1, 1) + grid(3, 2), 0);
  EXPECT_EQ(grid(2, 1), 9);
  EXPECT_THROW(grid(0, 3), std::out_of_range);
  EXPECT_THROW(grid(-1, 0), std::out_of_range);
  // More cells than an int32 count holds is a failed allocation, not a wrapped size.
  EXPECT_THROW(grid.Resize(65536, 32768, 0), std::bad_alloc);
  grid.Resize(1, 2, 7);  // one column
  EXPECT_EQ(grid(0, 1), 7);
}

}  // namespace
