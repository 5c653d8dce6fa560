// The reach test may only err toward "maybe": every point within the radius
// of a segment is answered "may reach", and its row lies in the column's
// spans; points well beyond the half width of a straight segment are ruled
// out, so the test does prune.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "path/BezierCurve.h"
#include "stroke/StrokeReach.h"

namespace {

// Curves from gentle to sharply bent (handles far beyond the end points,
// loops, cusps), pixel-sized to a thousand pixels.
BezierCurve RandomCurve(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> coord(-200.0, 600.0), far(-3000.0, 3000.0);
  const bool bent = rng() % 2 == 0;
  PF_PathVertex a{}, b{};
  a.x = coord(rng), a.y = coord(rng), b.x = coord(rng), b.y = coord(rng);
  a.tan_out_x = bent ? far(rng) : a.x + (coord(rng) - 200.0) * 0.2;
  a.tan_out_y = bent ? far(rng) : a.y + (coord(rng) - 200.0) * 0.2;
  b.tan_in_x = bent ? far(rng) : b.x + (coord(rng) - 200.0) * 0.2;
  b.tan_in_y = bent ? far(rng) : b.y + (coord(rng) - 200.0) * 0.2;
  return BezierCurve(a, b);
}

bool InSpans(const std::vector<StrokeReach::RowSpan>& spans, int32_t row) {
  for (const StrokeReach::RowSpan& s : spans) {
    if (s.first <= row && row <= s.last) return true;
  }
  return false;
}

TEST(StrokeReach, EveryPointWithinTheRadiusMayReachAndLiesInTheSpans) {
  std::mt19937_64 rng(77);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<StrokeReach::RowSpan> spans;
  for (int c = 0; c < 300; ++c) {
    const BezierCurve curve = RandomCurve(rng);
    const double h = 0.5 + 80.0 * unit(rng);
    StrokeReach reach;
    reach.AddSegment(curve, h);
    for (int n = 0; n < 200; ++n) {
      // A point of the curve moved along its normal by r <= radius <= h:
      // its distance to the curve is at most r.
      const double t = unit(rng), radius = h * unit(rng), r = radius * unit(rng);
      const Vec2d on = curve.Evaluate(t), d = curve.Derivative(t);
      const double length = d.Length();
      if (!(length > 0.0)) continue;
      const double side = n % 2 ? 1.0 : -1.0;
      const Vec2d p(on.x - side * r * d.y / length, on.y + side * r * d.x / length);
      SCOPED_TRACE("curve " + std::to_string(c) + " point " + std::to_string(n));
      ASSERT_TRUE(reach.MayReachSegment(0, p.x, p.y, radius));
      reach.ColumnSpans(static_cast<int32_t>(std::floor(p.x)), spans);
      ASSERT_TRUE(InSpans(spans, static_cast<int32_t>(std::floor(p.y))));
    }
  }
}

TEST(StrokeReach, ReachOfAStraightSegmentIsTheRadiusPlusOne256th) {
  PF_PathVertex a{}, b{};
  a.x = 10, a.y = 50, a.tan_out_x = 40, a.tan_out_y = 50;
  b.x = 110, b.y = 50, b.tan_in_x = 80, b.tan_in_y = 50;
  StrokeReach reach;
  reach.AddSegment(BezierCurve(a, b), 5.0);
  // A straight line's pieces barely deviate from their chords: the reach is radius + 1/256, to
  // far better than a billionth of a pixel.
  const double in = 1.0 / 256 - 1e-9, out = 1.0 / 256 + 1e-9;
  // clang-format off
  const struct { double x, y, radius; bool may; } cases[] = {
      {60.0, 55.0 + in, 5.0, true},
      {60.0, 55.0 + out, 5.0, false},
      {60.0, 47.0 - in, 3.0, true},
      {60.0, 47.0 - out, 3.0, false},
      {115.0 + in, 50.0, 5.0, true},
      {115.0 + out, 50.0, 5.0, false},
      {5.0 - in, 50.0, 5.0, true},
      {5.0 - out, 50.0, 5.0, false}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(reach.MayReachSegment(0, c.x, c.y, c.radius), c.may) << c.x << "," << c.y;
  std::vector<StrokeReach::RowSpan> spans;
  reach.ColumnSpans(200, spans);
  EXPECT_TRUE(spans.empty());
}

}  // namespace
