// Plane geometry: sides, triangles, intersections and distances, with
// expected values worked out on paper.
#include <gtest/gtest.h>

#include <cmath>

#include "Common/CommonTools.h"

namespace {

struct SegmentCase {
  const char* name;
  Vec2d p1, p2, p3, p4;
  int expected;
  Vec2d point;  // when expected is 1
};

class SegmentIntersectionTable : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentIntersectionTable, Classifies) {
  const SegmentCase& c = GetParam();
  Vec2d out(-99, -99);
  EXPECT_EQ(SegmentIntersection(c.p1, c.p2, c.p3, c.p4, &out), c.expected) << c.name;
  if (c.expected == 1) {
    EXPECT_NEAR(out.x, c.point.x, 1e-12) << c.name;
    EXPECT_NEAR(out.y, c.point.y, 1e-12) << c.name;
  } else {
    EXPECT_EQ(out.x, -99) << "untouched when no single point: " << c.name;
  }
  // The out-parameter is optional.
  EXPECT_EQ(SegmentIntersection(c.p1, c.p2, c.p3, c.p4, nullptr), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentIntersectionTable,
    ::testing::Values(
        SegmentCase{"cross", {0, 0}, {2, 2}, {0, 2}, {2, 0}, 1, {1, 1}},
        SegmentCase{"off-centre cross", {0, 0}, {4, 0}, {1, -1}, {1, 3}, 1, {1, 0}},
        SegmentCase{"shared endpoint", {0, 0}, {2, 1}, {2, 1}, {3, 5}, 1, {2, 1}},
        SegmentCase{"T touching", {0, 0}, {2, 0}, {1, 0}, {1, 5}, 1, {1, 0}},
        SegmentCase{"collinear overlap", {0, 0}, {2, 2}, {1, 1}, {3, 3}, 2, {}},
        SegmentCase{"parallel, ranges overlap", {0, 0}, {2, 2}, {0, 0.5}, {2, 2.5}, 2, {}},
        SegmentCase{"parallel, y ranges apart", {0, 0}, {2, 0}, {1, 0.5}, {3, 0.5}, 0, {}},
        SegmentCase{"ranges apart in x", {0, 0}, {1, 1}, {2, 0}, {3, 1}, 0, {}},
        SegmentCase{"ranges apart in y", {0, 0}, {1, 1}, {0, 2}, {1, 3}, 0, {}},
        // The lines cross at (2, 2), outside the first segment.
        SegmentCase{"lines cross beyond", {0, 0}, {1.5, 1.5}, {0, 4}, {4, 0}, 0, {}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(LineIntersection, ExtendsTheLinesAndReportsBothParameters) {
  Vec2d p;
  double t = 0, u = 0;
  // y = 0 from (0,0) to (1,0) meets x = 3 from (3,-1) to (3,1) at (3, 0).
  ASSERT_TRUE(LineIntersection({0, 0}, {1, 0}, {3, -1}, {3, 1}, &p, &t, &u));
  EXPECT_DOUBLE_EQ(p.x, 3.0);
  EXPECT_DOUBLE_EQ(p.y, 0.0);
  EXPECT_DOUBLE_EQ(t, 3.0);
  EXPECT_DOUBLE_EQ(u, 0.5);
  // Any out-parameter may be missing.
  EXPECT_TRUE(LineIntersection({0, 0}, {1, 0}, {3, -1}, {3, 1}, nullptr, nullptr, &u));
  EXPECT_DOUBLE_EQ(u, 0.5);
  EXPECT_FALSE(LineIntersection({0, 0}, {1, 1}, {0, 1}, {2, 3}, &p, &t, &u));  // parallel
  EXPECT_FALSE(LineIntersection({0, 0}, {1, 1}, {2, 2}, {3, 3}, &p, &t, &u));  // same line
}

struct DistanceCase {
  Vec2d p, a, b;
  double expected;
};

class DistanceToLineTable : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(DistanceToLineTable, MeasuresToTheUnboundedLine) {
  const DistanceCase& c = GetParam();
  EXPECT_NEAR(DistanceToLine(c.p, c.a, c.b), c.expected, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Cases, DistanceToLineTable,
                         ::testing::Values(DistanceCase{{0, 5}, {-1, 0}, {1, 0}, 5.0},
                                           // beyond the end of AB: still to the line
                                           DistanceCase{{10, 3}, {0, 0}, {1, 0}, 3.0},
                                           DistanceCase{{0, 2}, {0, 0}, {1, 1}, std::sqrt(2.0)},
                                           DistanceCase{{2, 2}, {0, 0}, {1, 1}, 0.0},
                                           DistanceCase{{4, 0}, {0, 3}, {0, 7}, 4.0}));

struct SideCase {
  Vec2d p, q, a, b;
  bool expected;
};

class SameSideTable : public ::testing::TestWithParam<SideCase> {};

TEST_P(SameSideTable, Decides) {
  const SideCase& c = GetParam();
  EXPECT_EQ(SameSide(c.p, c.q, c.a, c.b), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SameSideTable,
                         ::testing::Values(SideCase{{0, 1}, {5, 2}, {0, 0}, {1, 0}, true},
                                           SideCase{{0, 1}, {5, -2}, {0, 0}, {1, 0}, false},
                                           // on the line counts as the same side
                                           SideCase{{3, 0}, {5, -2}, {0, 0}, {1, 0}, true},
                                           SideCase{{0, -1}, {0, -3}, {0, 0}, {1, 0}, true}));

struct TriangleCase {
  Vec2d p;
  bool expected;
};

class PointInTriangleTable : public ::testing::TestWithParam<TriangleCase> {};

TEST_P(PointInTriangleTable, CountsTheBoundaryAsInside) {
  const Vec2d t1(0, 0), t2(4, 0), t3(0, 4);
  EXPECT_EQ(PointInTriangle(GetParam().p, t1, t2, t3), GetParam().expected);
  // The order of the corners does not matter.
  EXPECT_EQ(PointInTriangle(GetParam().p, t3, t1, t2), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PointInTriangleTable,
                         ::testing::Values(TriangleCase{{1, 1}, true}, TriangleCase{{2, 2}, true},
                                           TriangleCase{{2, 0}, true}, TriangleCase{{0, 0}, true},
                                           TriangleCase{{2.1, 2}, false},
                                           TriangleCase{{-0.1, 1}, false},
                                           TriangleCase{{1, -0.1}, false}));

}  // namespace
