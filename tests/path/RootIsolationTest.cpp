// The production root isolation against the scalar reference, bit for bit:
// the same roots in the same order for random polygons (degenerate ones
// included), alone and searched in pairs by every pair body the build and the
// processor have, and the same nearest point for random queries on random
// curves, alone and in pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "path/BezierCurve.h"
#include "path/RootIsolation.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameRoots(const BezierRoots& a, const BezierRoots& b) {
  bool same = a.count == b.count;
  for (int r = 0; same && r < a.count; ++r) same = SameBits(a.t[r], b.t[r]);
  return same;
}

using PairBody = void (*)(const Vec2d*, const Vec2d*, int, BezierRoots&, BezierRoots&);
const std::vector<PairBody>& PairBodies() {
  static const std::vector<PairBody> bodies = [] {
    std::vector<PairBody> all{IsolateRootsPair};
#if defined(__SSE2__)
    all.push_back(IsolateRootsPairSse2);
#endif
#if defined(LUSTRE_ROOTS_AVX)
    if (root_isolation::CpuHasAvx()) all.push_back(IsolateRootsPairAvx);
#endif
    return all;
  }();
  return bodies;
}

// Whether every pair body gives a and b their reference roots, either way round.
bool PairsGiveTheReference(const Vec2d* a, const Vec2d* b, int maxDepth) {
  BezierRoots referenceA, referenceB;
  IsolateRootsReference(a, maxDepth, referenceA);
  IsolateRootsReference(b, maxDepth, referenceB);
  for (PairBody body : PairBodies()) {
    BezierRoots rootsA, rootsB, swappedA, swappedB;
    body(a, b, maxDepth, rootsA, rootsB);
    body(b, a, maxDepth, swappedB, swappedA);
    if (!SameRoots(rootsA, referenceA) || !SameRoots(rootsB, referenceB) ||
        !SameRoots(swappedA, referenceA) || !SameRoots(swappedB, referenceB)) {
      return false;
    }
  }
  return true;
}

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
  Vec2d previous[kRootDegree + 1] = {};
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
    ASSERT_TRUE(n % 4 != 0 || PairsGiveTheReference(w, previous, maxDepth)) << "polygon " << n;
    std::copy(w, w + kRootDegree + 1, previous);
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
    Vec2d previous[kRootDegree + 1] = {};
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
      // Paired with the last polygon, which may lie on the other side of the
      // summed split's bounds.
      const bool same = SameRoots(fast, reference) &&
                        (n % 4 != 0 || PairsGiveTheReference(w, previous, maxDepth));
      std::copy(w, w + kRootDegree + 1, previous);
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

bool SameAnswer(double t1, const Vec2d& p1, double t2, const Vec2d& p2) {
  return SameBits(t1, t2) && SameBits(p1.x, p2.x) && SameBits(p1.y, p2.y);
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
    ASSERT_TRUE(SameAnswer(tFast, fast, tRef, ref)) << "query " << n;
    // With the query a pixel below, as the sampler pairs them.
    const Vec2d pair[2] = {q, q + Vec2d(0.0, 1.0)};
    bool foundPair[2];
    double tPair[2] = {-1, -1};
    Vec2d pointPair[2];
    FindNearestPointPair(pair, P, 64, start, end, tMin, tMax, foundPair, tPair, pointPair);
    double tBelow = -1;
    Vec2d below;
    const bool foundBelow =
        FindNearestPointReference(pair[1], P, 64, start, end, tMin, tMax, tBelow, below);
    ASSERT_EQ(foundPair[0], foundRef) << "query " << n;
    ASSERT_EQ(foundPair[1], foundBelow) << "query " << n;
    ASSERT_TRUE(!foundRef || SameAnswer(tPair[0], pointPair[0], tRef, ref)) << "query " << n;
    ASSERT_TRUE(!foundBelow || SameAnswer(tPair[1], pointPair[1], tBelow, below)) << "query " << n;
  }
}

}  // namespace
