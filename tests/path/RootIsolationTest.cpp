// The production root isolation against the scalar reference, bit for bit:
// the same roots in the same order for random polygons (degenerate ones
// included), and the same nearest point for random queries on random curves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "path/BezierCurve.h"
#include "path/RootIsolation.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Values of every kind the polygons meet: ordinary, tiny, huge, exact
// zeros of both signs, small integers (repeated values, exact ties).
double Coefficient(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  switch (rng() % 8) {
    case 0: return 0.0;
    case 1: return -0.0;
    case 2: return double(int(rng() % 5) - 2);
    case 3: return unit(rng) * 1e-12;
    case 4: return unit(rng) * 1e9;
    default: return unit(rng) * 100.0;
  }
}

TEST(RootIsolation, FastGivesTheReferenceRootsOnRandomPolygons) {
  std::mt19937_64 rng(20261206);
  int withRoots = 0;
  for (int n = 0; n < 1000000; ++n) {
    Vec2d w[kRootDegree + 1];
    for (int k = 0; k <= kRootDegree; ++k) w[k] = Vec2d(k / 5.0, Coefficient(rng));
    const int maxDepth = n % 10 == 0 ? int(rng() % 65) : 64;
    BezierRoots fast, reference;
    IsolateRoots(w, maxDepth, fast);
    IsolateRootsReference(w, maxDepth, reference);
    ASSERT_EQ(fast.count, reference.count) << "polygon " << n;
    for (int r = 0; r < fast.count; ++r) {
      ASSERT_TRUE(SameBits(fast.t[r], reference.t[r])) << "polygon " << n << " root " << r;
    }
    withRoots += reference.count > 0;
  }
  // The polygons are not all root-free.
  EXPECT_GT(withRoots, 300000);
}

#if defined(__SSE2__)
// The sums-only split is taken only for magnitudes that cannot overflow or
// reach subnormals; one coordinate at each place in turn decides.
TEST(RootIsolation, SplitsStayNormalOnlyBetweenItsBounds) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // clang-format off
  const struct { double value; bool inside; } rows[] = {
      {0.0, true},
      {-0.0, true},
      {0x1p-600, true},
      {-0x1p-600, true},
      {std::nextafter(0x1p-600, 0.0), false},
      {0x1p1000, true},
      {-0x1p1000, true},
      {std::nextafter(0x1p1000, kInf), false},
      {0x1p1020, false},
      {std::numeric_limits<double>::denorm_min(), false},
      {-0x1p-1030, false},
      {std::numeric_limits<double>::quiet_NaN(), false},
      {kInf, false},
      {-kInf, false}};
  // clang-format on
  for (const auto& row : rows) {
    for (int place = 0; place < 2 * (kRootDegree + 1); ++place) {
      Vec2d w[kRootDegree + 1];
      for (int k = 0; k <= kRootDegree; ++k) w[k] = Vec2d(k / 5.0, k % 2 ? -1.5 : 3.0);
      (place % 2 ? w[place / 2].y : w[place / 2].x) = row.value;
      EXPECT_EQ(root_isolation::SplitsStayNormal(w), row.inside)
          << row.value << " at coordinate " << place;
    }
  }
}
#endif

// Polygons at and just past the magnitudes where the production body
// changes its split, against the reference bit for bit: y of random sign and
// binary exponent in [lowExponent, highExponent], one coordinate in four
// replaced by the odd value of either sign, x the parameters times xScale.
TEST(RootIsolation, FastGivesTheReferenceRootsAtExtremeMagnitudes) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // clang-format off
  const struct { const char* name; int lowExponent, highExponent; double odd, xScale; } rows[] = {
      {"smallest inside", -600, -596, 0x1p-600, 1.0},
      {"largest inside", 995, 999, 0x1p1000, 1.0},
      {"x near the smallest", -600, -590, 0.0, 0x1p-597},
      {"x near the largest", 990, 999, 0.0, 0x1p999},
      {"just below the smallest", -603, -598, std::nextafter(0x1p-600, 0.0), 1.0},
      {"just above the largest", 995, 999, std::nextafter(0x1p1000, kInf), 1.0},
      {"wide range", -600, 999, 0.0, 1.0},
      {"largest mixed in", -10, 10, 0x1p1000, 1.0},
      {"huge values mixed in", -10, 10, 0x1p1020, 1.0},
      {"subnormals mixed in", -10, 10, 0x1.fffffffffffffp-1023, 1.0},
      {"small, subnormals mixed in", -1022, -1000, 0x3p-1074, 1.0},
      {"NaN mixed in", -10, 10, std::numeric_limits<double>::quiet_NaN(), 1.0},
      {"infinity mixed in", -10, 10, kInf, 1.0}};
  // clang-format on
  std::mt19937_64 rng(600);
  for (const auto& row : rows) {
    std::uniform_int_distribution<int> exponent(row.lowExponent, row.highExponent);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    int withRoots = 0, mismatches = 0, firstMismatch = -1;
    for (int n = 0; n < 20000; ++n) {
      Vec2d w[kRootDegree + 1];
      for (int k = 0; k <= kRootDegree; ++k) {
        const double y = std::ldexp(rng() % 2 ? mantissa(rng) : -mantissa(rng), exponent(rng));
        const double odd = rng() % 2 ? row.odd : -row.odd;
        w[k] = Vec2d(k / 5.0 * row.xScale, rng() % 4 == 0 ? odd : y);
      }
      const int maxDepth = n % 10 == 0 ? int(rng() % 65) : 64;
      BezierRoots fast, reference;
      IsolateRoots(w, maxDepth, fast);
      IsolateRootsReference(w, maxDepth, reference);
      bool same = fast.count == reference.count;
      for (int r = 0; same && r < fast.count; ++r) same = SameBits(fast.t[r], reference.t[r]);
      if (!same && mismatches++ == 0) firstMismatch = n;
      withRoots += reference.count > 0;
    }
    EXPECT_EQ(mismatches, 0) << row.name << ", first at polygon " << firstMismatch;
    EXPECT_GT(withRoots, 5000) << row.name;
  }
}

// Control points of a random curve: general, or with coincident or
// collinear points, or all in one spot.
void RandomCurve(std::mt19937_64& rng, Vec2d P[4]) {
  std::uniform_real_distribution<double> coord(-300.0, 300.0);
  for (int i = 0; i < 4; ++i) P[i] = Vec2d(coord(rng), coord(rng));
  switch (rng() % 6) {
    case 0: P[1] = P[0]; break;
    case 1: P[2] = P[3]; break;
    case 2: P[1] = P[2] = P[3] = P[0]; break;
    case 3:  // on one line
      for (int i = 1; i < 4; ++i) P[i] = P[0] + (P[3] - P[0]) * (coord(rng) / 100.0);
      break;
    case 4:  // whole pixels, as the points of the parameters often are
      for (int i = 0; i < 4; ++i) P[i] = Vec2d(std::floor(P[i].x), std::floor(P[i].y));
      break;
    default: break;
  }
}

TEST(RootIsolation, FastNearestPointIsTheReferenceOnRandomQueries) {
  std::mt19937_64 rng(1206);
  std::uniform_real_distribution<double> coord(-400.0, 400.0);
  Vec2d P[4];
  for (int n = 0; n < 600000; ++n) {
    if (n % 50 == 0) RandomCurve(rng, P);
    const Vec2d q = n % 7 == 0 ? P[rng() % 4] : Vec2d(coord(rng), coord(rng));
    const bool start = rng() % 2, end = rng() % 2;
    const double tMin = n % 3 == 0 ? 0.25 : 0.0, tMax = n % 5 == 0 ? 0.75 : 1.0;
    double tFast = -1, tRef = -1;
    Vec2d fast, ref;
    const bool foundFast = FindNearestPoint(q, P, 64, start, end, tMin, tMax, tFast, fast);
    const bool foundRef = FindNearestPointReference(q, P, 64, start, end, tMin, tMax, tRef, ref);
    ASSERT_EQ(foundFast, foundRef) << "query " << n;
    ASSERT_TRUE(SameBits(tFast, tRef) && SameBits(fast.x, ref.x) && SameBits(fast.y, ref.y))
        << "query " << n;
  }
}

}  // namespace
