#include "stroke/ThickPathHelper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "Common/AEException.h"
#include "path/BezierCurve.h"
#include "path/BezierPath.h"
#include "path/FakePath.h"
#include "stroke/PathBuilders.h"

namespace {

using paths::Mirrored;

// ---- Pad and the point path ---------------------------------------------------------

struct PointPathCase {
  double x, y, halfWidth;
  int32_t pad;           // trunc(h + 0.5)
  int32_t cx, cy;        // the point truncated toward zero
};

class PointPathTest : public ::testing::TestWithParam<PointPathCase> {};

TEST_P(PointPathTest, BoxIsTwoPadsPlusOneAroundTheTruncatedPoint) {
  const PointPathCase c = GetParam();
  FakePath source({Mirrored(c.x, c.y, c.x + 3.0, c.y + 4.0)}, true);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, c.halfWidth, false);

  EXPECT_TRUE(helper.IsPointPath());
  EXPECT_EQ(helper.Pad(), c.pad);
  const BBox box = helper.PointBox();
  EXPECT_EQ(box.xMin, c.cx - c.pad);
  EXPECT_EQ(box.xMax, c.cx + c.pad);
  EXPECT_EQ(box.yMin, c.cy - c.pad);
  EXPECT_EQ(box.yMax, c.cy + c.pad);
  EXPECT_EQ(box.xMax - box.xMin + 1, 2 * c.pad + 1);

  const BBox bounds = helper.StrokeBounds();
  EXPECT_EQ(bounds.xMin, box.xMin - 1);
  EXPECT_EQ(bounds.xMax, box.xMax + 1);
  EXPECT_EQ(bounds.yMin, box.yMin - 1);
  EXPECT_EQ(bounds.yMax, box.yMax + 1);
}

INSTANTIATE_TEST_SUITE_P(
    PadsAndPoints, PointPathTest,
    ::testing::Values(PointPathCase{10.0, 20.0, 2.4, 2, 10, 20},   // 2.9 truncates to 2
                      PointPathCase{10.0, 20.0, 2.5, 3, 10, 20},   // 3.0 is 3
                      PointPathCase{10.9, 5.99, 0.49, 0, 10, 5},   // pad 0: the pixel alone
                      PointPathCase{-3.7, -0.2, 10.0, 10, -3, 0},  // toward zero, not floor
                      PointPathCase{100.5, 7.5, 35.5, 36, 100, 7}));

// ---- Cap boxes --------------------------------------------------------------------

struct CapBoxCase {
  Vec2d c1, c2;
  BBox expected;
};

class CapBoxTest : public ::testing::TestWithParam<CapBoxCase> {};

TEST_P(CapBoxTest, TruncatedMinimumCeiledMaximumAndTwoPixelsMore) {
  const CapBoxCase c = GetParam();
  const BBox box = ThickPathHelper::CapBox(c.c1, c.c2);
  EXPECT_EQ(box.xMin, c.expected.xMin);
  EXPECT_EQ(box.xMax, c.expected.xMax);
  EXPECT_EQ(box.yMin, c.expected.yMin);
  EXPECT_EQ(box.yMax, c.expected.yMax);
}

INSTANTIATE_TEST_SUITE_P(
    Corners, CapBoxTest,
    ::testing::Values(
        // x minimum -3.7 -> -3 - 2 = -5; y minimum -0.5 -> 0 - 2 = -2.
        CapBoxCase{{-3.7, 1.2}, {4.1, -0.5}, BBox{-5, 7, -2, 4}},
        CapBoxCase{{4.1, -0.5}, {-3.7, 1.2}, BBox{-5, 7, -2, 4}},
        CapBoxCase{{10.0, 16.1}, {10.0, 24.9}, BBox{8, 12, 14, 27}},
        CapBoxCase{{-7.0, -7.0}, {-2.0, -1.5}, BBox{-9, 0, -9, 1}}));

// ---- Flat ends -------------------------------------------------------------------

struct FlatEndsCase {
  const char* name;
  bool closed;
  int points;
  bool flatStyle;
  bool expectFlatEnds;
  int expectSquares;
};

class FlatEndsTest : public ::testing::TestWithParam<FlatEndsCase> {};

TEST_P(FlatEndsTest, CapsAndConnectSquaresOnlyForOpenFlatPaths) {
  const FlatEndsCase c = GetParam();
  std::vector<PathPoint> pts = {Mirrored(10, 10, 5, 5), Mirrored(60, 15, 50, 10),
                                Mirrored(90, 60, 85, 50), Mirrored(40, 80, 50, 82)};
  pts.resize(static_cast<size_t>(c.points));
  FakePath source(pts, !c.closed);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, 6.0, c.flatStyle);
  EXPECT_EQ(helper.FlatEnds(), c.expectFlatEnds);
  EXPECT_EQ(helper.ConnectSquares().Count(), c.expectSquares);
  if (!c.expectFlatEnds) {
    // Nothing computed stays zero.
    const BBox z = helper.StartCapBox();
    EXPECT_EQ(z.xMin | z.xMax | z.yMin | z.yMax, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FlatEndsTest,
    ::testing::Values(FlatEndsCase{"OpenFourPointsFlat", false, 4, true, true, 2},
                      FlatEndsCase{"OpenOneSegmentFlat", false, 2, true, true, 0},
                      FlatEndsCase{"ClosedFourPointsFlat", true, 4, true, false, 0},
                      FlatEndsCase{"ClosedTwoPointsFlat", true, 2, true, false, 0},
                      FlatEndsCase{"OpenFourPointsRound", false, 4, false, false, 0},
                      FlatEndsCase{"SinglePointFlat", false, 1, true, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThickPathHelperCaps, HorizontalSegmentHasVerticalCapsAndKnownBounds) {
  // y = 20.5 from x = 10.5 to 50.5, h = 4.4 (pad 4): the normal of +x is (0, -1).
  FakePath source = paths::Horizontal(10.5, 50.5, 20.5);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, 4.4, true);
  ASSERT_TRUE(helper.FlatEnds());
  EXPECT_EQ(helper.StartCapPlus().x, 10.5);
  EXPECT_EQ(helper.StartCapPlus().y, 20.5 - 4.4);
  EXPECT_EQ(helper.StartCapMinus().y, 20.5 + 4.4);
  EXPECT_EQ(helper.EndCapPlus().x, 50.5);
  EXPECT_EQ(helper.EndCapMinus().y, 20.5 + 4.4);

  // Segment box: sampled x 10..50 and y 20, widened by the pad 4.
  const BBox seg = helper.SegmentBoxes()[0];
  EXPECT_EQ(seg.xMin, 6);
  EXPECT_EQ(seg.xMax, 54);
  EXPECT_EQ(seg.yMin, 16);
  EXPECT_EQ(seg.yMax, 24);
  // Caps: x 8..13 and 48..53, y trunc(16.1) - 2 = 14 to ceil(24.9) + 2 = 27.
  EXPECT_EQ(helper.StartCapBox().xMin, 8);
  EXPECT_EQ(helper.StartCapBox().xMax, 13);
  EXPECT_EQ(helper.EndCapBox().xMax, 53);
  EXPECT_EQ(helper.EndCapBox().yMin, 14);
  EXPECT_EQ(helper.EndCapBox().yMax, 27);
  // The union, one pixel wider on every side.
  const BBox b = helper.StrokeBounds();
  EXPECT_EQ(b.xMin, 5);
  EXPECT_EQ(b.xMax, 55);
  EXPECT_EQ(b.yMin, 13);
  EXPECT_EQ(b.yMax, 28);
}

// ---- Near a flat end ---------------------------------------------------------------

struct NearEndCase {
  int32_t x, y;
  bool near;
};

class NearFlatEndTest : public ::testing::TestWithParam<NearEndCase> {};

TEST_P(NearFlatEndTest, StrictlyWithinTwoPixelsOfACapLineInsideItsBox) {
  // Caps are the vertical lines x = 10.5 and x = 60.5, for y in 16.5..24.5.
  FakePath source = paths::Horizontal(10.5, 60.5, 20.5);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, 4.0, true);
  const NearEndCase c = GetParam();
  EXPECT_EQ(helper.NearFlatEnd(c.x, c.y), c.near) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, NearFlatEndTest,
    ::testing::Values(NearEndCase{12, 20, false},  // centre 12.5: exactly 2.0 is not near
                      NearEndCase{8, 20, false},   // centre 8.5: exactly 2.0 beyond the start
                      NearEndCase{11, 20, true},   // 1.0
                      NearEndCase{9, 18, true},    // 1.5, beyond the start
                      NearEndCase{10, 24, true},   // 0.0, at the corner row
                      NearEndCase{10, 30, false},  // on the line's extension, outside the box
                      NearEndCase{35, 20, false},  // the middle of the stroke
                      NearEndCase{58, 20, false},  // centre 58.5: exactly 2.0 before the end
                      NearEndCase{59, 21, true},   // 1.5
                      NearEndCase{61, 17, true},   // 1.0 beyond the end
                      NearEndCase{62, 17, false},  // exactly 2.0 beyond the end
                      NearEndCase{63, 20, false}));

// ---- Joints -----------------------------------------------------------------------

BezierCurve Line(Vec2d a, Vec2d b) {
  BezierCurve c;
  const Vec2d d = b - a;
  c.SetControlPoints(a, a + d * (1.0 / 3.0), a + d * (2.0 / 3.0), b);
  c.Setup();
  return c;
}

struct JoinCase {
  const char* name;
  Vec2d a0, joint, b1;
  double h;
  bool valid;
  Vec2d minusMitre, plusMitre;  // when valid
};

class JoinTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinTest, WedgeOnlyAtSharpCorners) {
  const JoinCase c = GetParam();
  const BezierCurve in = Line(c.a0, c.joint);
  const BezierCurve out = Line(c.joint, c.b1);
  const ThickPathHelper::ConnectSquare sq = ThickPathHelper::Join(in, out, c.h);
  ASSERT_EQ(sq.valid, c.valid);
  if (!c.valid) {
    EXPECT_FALSE(sq.Contains(c.joint.x, c.joint.y));
    return;
  }
  EXPECT_NEAR(sq.minusMitre.x, c.minusMitre.x, 1e-9);
  EXPECT_NEAR(sq.minusMitre.y, c.minusMitre.y, 1e-9);
  EXPECT_NEAR(sq.plusMitre.x, c.plusMitre.x, 1e-9);
  EXPECT_NEAR(sq.plusMitre.y, c.plusMitre.y, 1e-9);
  EXPECT_EQ(sq.joint.x, c.joint.x);
  EXPECT_EQ(sq.joint.y, c.joint.y);
  // The joint itself lies on every triangle (edges count as inside).
  EXPECT_TRUE(sq.Contains(c.joint.x, c.joint.y));
}

INSTANTIATE_TEST_SUITE_P(
    Corners, JoinTest,
    ::testing::Values(
        // Along +x, then along +y: offsets (10, h) / (10 - h, 0) on the minus side.
        JoinCase{"RightAngle", {0, 0}, {10, 0}, {10, 10}, 2.0, true, {8, 2}, {12, -2}},
        // Along +x, then along -y.
        JoinCase{"RightAngleOtherWay", {0, 0}, {10, 0}, {10, -10}, 2.0, true, {12, 2}, {8, -2}},
        // Straight on: continuous tangent, offsets meet.
        JoinCase{"Straight", {0, 0}, {10, 0}, {20, 0}, 2.0, false, {}, {}},
        // Turning back on itself: parallel offset lines.
        JoinCase{"Antiparallel", {0, 0}, {10, 0}, {0, 0}, 2.0, false, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThickPathHelperJoin, SharpCornerMitresLieOnBothOffsetLines) {
  // An acute corner at (50, 0) between directions (1, 0) and (-0.6, 0.8).
  const Vec2d j(50, 0);
  const BezierCurve in = Line({0, 0}, j);
  const BezierCurve out = Line(j, {50 - 30, 40});
  const double h = 3.0;
  const ThickPathHelper::ConnectSquare sq = ThickPathHelper::Join(in, out, h);
  ASSERT_TRUE(sq.valid);
  const Vec2d tA(1, 0);
  const Vec2d tB(-0.6, 0.8);
  // The incoming offset lines are y = +h and y = -h (normal (0, -1)).
  EXPECT_NEAR(sq.minusMitre.y, h, 1e-9);
  EXPECT_NEAR(sq.plusMitre.y, -h, 1e-9);
  // And each mitre lies on the outgoing offset line through B along tB.
  EXPECT_NEAR((sq.minusMitre - sq.minusOut).Cross(tB), 0.0, 1e-9);
  EXPECT_NEAR((sq.plusMitre - sq.plusOut).Cross(tB), 0.0, 1e-9);
  EXPECT_NEAR((sq.minusMitre - sq.minusIn).Cross(tA), 0.0, 1e-9);
  // Offsets are h from the joint along the normals (0, -1) and (0.8, 0.6).
  EXPECT_NEAR(sq.minusOut.x, 50 - 0.8 * h, 1e-12);
  EXPECT_NEAR(sq.minusOut.y, 0 - 0.6 * h, 1e-12);
}

TEST(ThickPathHelperErrors, MissingPathObjectIsReportedByTheCentreLine) {
  BezierPath path(nullptr);
  try {
    ThickPathHelper helper(path, nullptr, 3.0, false);
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_STREQ(e.Message(), "BezierPath : Path not initialized");
  }
}

}  // namespace
