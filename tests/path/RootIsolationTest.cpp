// The production root isolation against the scalar reference, bit for bit:
// the same roots in the same order for random polygons (degenerate ones
// included), and the same nearest point for random queries on random curves.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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
    ASSERT_TRUE(SameBits(tFast, tRef) && SameBits(fast.x, ref.x) && SameBits(fast.y, ref.y)) << "query " << n;
  }
}

}  // namespace
