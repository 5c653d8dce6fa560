// The nearest point against brute force: for random cubic curves (loops and
// cusps included) and random query points, the answer is no farther than the
// nearest of 10,000 points sampled along the curve, and the end-point flags
// are honoured.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "path/BezierCurve.h"

namespace {

constexpr int kSamples = 10000;

Vec2d Bernstein(const Vec2d (&p)[4], double t) {
  const double u = 1.0 - t;
  const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  return {b[0] * p[0].x + b[1] * p[1].x + b[2] * p[2].x + b[3] * p[3].x,
          b[0] * p[0].y + b[1] * p[1].y + b[2] * p[2].y + b[3] * p[3].y};
}

double Distance(const Vec2d& a, const Vec2d& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
}

struct Flags {
  const char* name;
  bool includeStart;
  bool includeEnd;
  unsigned seed;
};

class ClosestPointProperty : public testing::TestWithParam<Flags> {};

TEST_P(ClosestPointProperty, NoFartherThanDenseSamples) {
  const Flags& f = GetParam();
  std::mt19937 rng(f.seed);
  std::uniform_real_distribution<double> coord(0.0, 200.0);
  std::uniform_real_distribution<double> query(-60.0, 260.0);
  int interiorChecked = 0;
  for (int trial = 0; trial < 400; ++trial) {
    Vec2d p[4];
    for (Vec2d& v : p) v = Vec2d(coord(rng), coord(rng));
    BezierCurve curve;
    curve.SetControlPoints(p[0], p[1], p[2], p[3]);
    curve.Setup();
    const Vec2d q(query(rng), query(rng));

    // Dense interior samples, plus each end point its flag admits.
    double bestSample = 1e300;
    int bestIndex = -1;
    for (int k = 0; k < kSamples; ++k) {
      const double d = Distance(q, Bernstein(p, (k + 0.5) / kSamples));
      if (d < bestSample) {
        bestSample = d;
        bestIndex = k;
      }
    }
    double bestEnd = 1e300;
    if (f.includeStart) bestEnd = std::fmin(bestEnd, Distance(q, p[0]));
    if (f.includeEnd) bestEnd = std::fmin(bestEnd, Distance(q, p[3]));

    Vec2d nearest;
    double t = -1;
    const bool found = curve.ClosestPoint(q, nearest, f.includeStart, f.includeEnd, 0.0, 1.0, &t);
    if (f.includeStart || f.includeEnd) {
      ASSERT_TRUE(found) << "trial " << trial;
    }
    if (!found) continue;

    SCOPED_TRACE(testing::Message() << "trial " << trial << " t " << t);
    ASSERT_GE(t, 0.0);
    ASSERT_LE(t, 1.0);
    if (!f.includeStart) {
      EXPECT_GT(t, 1e-10);
    }
    if (!f.includeEnd) {
      EXPECT_LT(t, 1.0 - 1e-10);
    }
    // The point reported is the curve's point at the t reported.
    const Vec2d onCurve = Bernstein(p, t);
    EXPECT_NEAR(nearest.x, onCurve.x, 1e-9);
    EXPECT_NEAR(nearest.y, onCurve.y, 1e-9);

    const double got = Distance(q, nearest);
    EXPECT_LE(got, bestEnd + 1e-9);
    // An interior minimum (not at the first or last few samples) is a root
    // of the search, whatever the flags say.
    const bool interiorMinimum = bestIndex > 10 && bestIndex < kSamples - 11;
    if (interiorMinimum || (f.includeStart && f.includeEnd)) {
      EXPECT_LE(got, bestSample + 1e-9);
      ++interiorChecked;
    }
  }
  EXPECT_GT(interiorChecked, 100);
}

INSTANTIATE_TEST_SUITE_P(
    EndFlags, ClosestPointProperty,
    testing::Values(Flags{"both_ends", true, true, 1234u}, Flags{"start_only", true, false, 99u},
                    Flags{"end_only", false, true, 4711u}, Flags{"no_ends", false, false, 2026u}),
    [](const testing::TestParamInfo<Flags>& info) { return std::string(info.param.name); });

}  // namespace
