// Plane geometry: sides, triangles, intersections and distances, with
// expected values worked out on paper.
#include <gtest/gtest.h>

#include <cmath>

#include "Common/CommonTools.h"

namespace {

TEST(SegmentIntersection, ClassifiesAndWritesTheSinglePointOnly) {
  // 0: none, 1: one point (then written out), 2: parallel.
  // clang-format off
  const struct { const char* name; Vec2d p1, p2, p3, p4; int expected; Vec2d point; } kCases[] = {
      {"cross", {0, 0}, {2, 2}, {0, 2}, {2, 0}, 1, {1, 1}},
      {"off-centre cross", {0, 0}, {4, 0}, {1, -1}, {1, 3}, 1, {1, 0}},
      {"shared endpoint", {0, 0}, {2, 1}, {2, 1}, {3, 5}, 1, {2, 1}},
      {"T touching", {0, 0}, {2, 0}, {1, 0}, {1, 5}, 1, {1, 0}},
      {"collinear overlap", {0, 0}, {2, 2}, {1, 1}, {3, 3}, 2, {}},
      {"parallel, ranges overlap", {0, 0}, {2, 2}, {0, 0.5}, {2, 2.5}, 2, {}},
      {"parallel, y ranges apart", {0, 0}, {2, 0}, {1, 0.5}, {3, 0.5}, 0, {}},
      {"ranges apart in x", {0, 0}, {1, 1}, {2, 0}, {3, 1}, 0, {}},
      {"ranges apart in y", {0, 0}, {1, 1}, {0, 2}, {1, 3}, 0, {}},
      {"lines cross at (2, 2), beyond the first", {0, 0}, {1.5, 1.5}, {0, 4}, {4, 0}, 0, {}}};
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Vec2d out(-99, -99);
    EXPECT_EQ(SegmentIntersection(c.p1, c.p2, c.p3, c.p4, &out), c.expected);
    EXPECT_NEAR(out.x, c.expected == 1 ? c.point.x : -99, 1e-12);
    EXPECT_NEAR(out.y, c.expected == 1 ? c.point.y : -99, 1e-12);
    EXPECT_EQ(SegmentIntersection(c.p1, c.p2, c.p3, c.p4, nullptr), c.expected);  // out is optional
  }
}

TEST(LineIntersection, ExtendsTheLinesAndReportsBothParameters) {
  Vec2d p;
  double t = 0, u = 0;
  // y = 0 from (0,0) to (1,0) meets x = 3 from (3,-1) to (3,1) at (3, 0).
  ASSERT_TRUE(LineIntersection({0, 0}, {1, 0}, {3, -1}, {3, 1}, &p, &t, &u));
  EXPECT_DOUBLE_EQ(p.x, 3.0);
  EXPECT_DOUBLE_EQ(p.y, 0.0);
  EXPECT_DOUBLE_EQ(t, 3.0);
  EXPECT_DOUBLE_EQ(u, 0.5);
  u = 0;  // any out-parameter may be missing
  EXPECT_TRUE(LineIntersection({0, 0}, {1, 0}, {3, -1}, {3, 1}, nullptr, nullptr, &u));
  EXPECT_DOUBLE_EQ(u, 0.5);
  EXPECT_FALSE(LineIntersection({0, 0}, {1, 1}, {0, 1}, {2, 3}, &p, &t, &u));  // parallel
  EXPECT_FALSE(LineIntersection({0, 0}, {1, 1}, {2, 2}, {3, 3}, &p, &t, &u));  // same line
}

TEST(DistanceToLine, MeasuresToTheUnboundedLine) {
  // clang-format off
  const struct { Vec2d p, a, b; double expected; } kCases[] = {
      {{0, 5}, {-1, 0}, {1, 0}, 5.0},
      {{10, 3}, {0, 0}, {1, 0}, 3.0},  // beyond B: still to the line
      {{0, 2}, {0, 0}, {1, 1}, std::sqrt(2.0)},
      {{2, 2}, {0, 0}, {1, 1}, 0.0},
      {{4, 0}, {0, 3}, {0, 7}, 4.0}};
  // clang-format on
  for (const auto& c : kCases)
    EXPECT_NEAR(DistanceToLine(c.p, c.a, c.b), c.expected, 1e-12) << c.p.x;
}

TEST(SameSide, OfTheLineThroughAB) {
  // On the line counts as the same side.
  // clang-format off
  const struct { Vec2d p, q, a, b; bool expected; } kCases[] = {
      {{0, 1}, {5, 2}, {0, 0}, {1, 0}, true},
      {{0, 1}, {5, -2}, {0, 0}, {1, 0}, false},
      {{3, 0}, {5, -2}, {0, 0}, {1, 0}, true},
      {{0, -1}, {0, -3}, {0, 0}, {1, 0}, true}};
  // clang-format on
  for (const auto& c : kCases)
    EXPECT_EQ(SameSide(c.p, c.q, c.a, c.b), c.expected) << c.p.x << "," << c.q.y;
}

TEST(PointInTriangle, CountsTheBoundaryAsInsideInAnyCornerOrder) {
  const Vec2d t1(0, 0), t2(4, 0), t3(0, 4);
  // clang-format off
  const struct { Vec2d p; bool expected; } kCases[] = {
      {{1, 1}, true},
      {{2, 2}, true},
      {{2, 0}, true},
      {{0, 0}, true},
      {{2.1, 2}, false},
      {{-0.1, 1}, false},
      {{1, -0.1}, false}};
  // clang-format on
  for (const auto& c : kCases) {
    EXPECT_EQ(PointInTriangle(c.p, t1, t2, t3), c.expected) << c.p.x << "," << c.p.y;
    EXPECT_EQ(PointInTriangle(c.p, t3, t1, t2), c.expected) << c.p.x << "," << c.p.y;
  }
}

}  // namespace
