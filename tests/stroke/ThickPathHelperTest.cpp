#include "stroke/ThickPathHelper.h"

#include <gtest/gtest.h>

#include "path/BezierCurve.h"
#include "path/BezierPath.h"
#include "stroke/PathBuilders.h"

namespace {

struct PointPathCase {
  double x, y, h;
  int32_t pad, cx, cy;  // pad trunc(h + 0.5); the point truncated toward zero
};

class PointPathTest : public ::testing::TestWithParam<PointPathCase> {};

TEST_P(PointPathTest, BoxOfTwoPadsPlusOneAndBoundsOneWider) {
  const PointPathCase c = GetParam();
  FakePath source({paths::Mirrored(c.x, c.y, c.x + 3, c.y + 4)}, true);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, c.h, false);
  ASSERT_TRUE(helper.IsPointPath());
  EXPECT_EQ(helper.Pad(), c.pad);
  const BBox b = helper.StrokeBounds();
  EXPECT_EQ(b.xMin, c.cx - c.pad - 1);
  EXPECT_EQ(b.xMax, c.cx + c.pad + 1);
  EXPECT_EQ(b.yMin, c.cy - c.pad - 1);
  EXPECT_EQ(b.yMax, c.cy + c.pad + 1);
}

INSTANTIATE_TEST_SUITE_P(Pads, PointPathTest,
                         ::testing::Values(PointPathCase{10.0, 20.0, 2.4, 2, 10, 20},
                                           PointPathCase{10.0, 20.0, 2.5, 3, 10, 20},
                                           PointPathCase{-3.7, 5.9, 1.0, 1, -3, 5}));

struct CapBoxCase {
  Vec2d c1, c2;
  BBox box;
};

class CapBoxTest : public ::testing::TestWithParam<CapBoxCase> {};

TEST_P(CapBoxTest, MinimumTruncatedMaximumCeiledBothWidenedByTwo) {
  const BBox b = ThickPathHelper::CapBox(GetParam().c1, GetParam().c2);
  const BBox e = GetParam().box;
  EXPECT_EQ(b.xMin, e.xMin);
  EXPECT_EQ(b.xMax, e.xMax);
  EXPECT_EQ(b.yMin, e.yMin);
  EXPECT_EQ(b.yMax, e.yMax);
}

INSTANTIATE_TEST_SUITE_P(Corners, CapBoxTest,
                         ::testing::Values(CapBoxCase{{-3.7, 1.2}, {4.1, -0.5}, {-5, 7, -2, 4}},
                                           CapBoxCase{{10, 24.9}, {10, 16.1}, {8, 12, 14, 27}}));

struct NearEndCase {
  int32_t x, y;
  bool near;
};

class NearFlatEndTest : public ::testing::TestWithParam<NearEndCase> {};

TEST_P(NearFlatEndTest, StrictlyWithinTwoOfACapLineInsideItsBox) {
  // Caps on the lines x = 10.5 and x = 60.5, y from 16.5 to 24.5.
  FakePath source = paths::Horizontal(10.5, 60.5, 20.5);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, 4.0, true);
  EXPECT_EQ(helper.NearFlatEnd(GetParam().x, GetParam().y), GetParam().near);
}

INSTANTIATE_TEST_SUITE_P(Pixels, NearFlatEndTest,
                         ::testing::Values(NearEndCase{12, 20, false},  // centre exactly 2.0 in
                                           NearEndCase{8, 20, false},   // exactly 2.0 before
                                           NearEndCase{11, 20, true}, NearEndCase{9, 18, true},
                                           NearEndCase{10, 30, false},  // beyond the cap box
                                           NearEndCase{35, 20, false}, NearEndCase{61, 17, true},
                                           NearEndCase{62, 17, false}));

BezierCurve Line(Vec2d a, Vec2d b) {
  BezierCurve c;
  c.SetControlPoints(a, a + (b - a) * (1.0 / 3.0), a + (b - a) * (2.0 / 3.0), b);
  c.Setup();
  return c;
}

struct JoinCase {
  Vec2d start, joint, end;
  bool valid;
  Vec2d minusMitre, plusMitre;
};

class JoinTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinTest, WedgeOnlyAtSharpCorners) {
  const JoinCase c = GetParam();
  const auto sq = ThickPathHelper::Join(Line(c.start, c.joint), Line(c.joint, c.end), 2.0);
  ASSERT_EQ(sq.valid, c.valid);
  EXPECT_EQ(sq.Contains(c.joint.x, c.joint.y), c.valid);
  if (c.valid) {
    EXPECT_NEAR(sq.minusMitre.x, c.minusMitre.x, 1e-9);
    EXPECT_NEAR(sq.minusMitre.y, c.minusMitre.y, 1e-9);
    EXPECT_NEAR(sq.plusMitre.x, c.plusMitre.x, 1e-9);
    EXPECT_NEAR(sq.plusMitre.y, c.plusMitre.y, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Joints, JoinTest,
    ::testing::Values(
        // +x then +y, h = 2: normals (0, -1) and (1, 0); the offset lines are
        // y = 2 and x = 8 on the minus side, y = -2 and x = 12 on the plus side.
        JoinCase{{0, 0}, {10, 0}, {10, 10}, true, {8, 2}, {12, -2}},
        JoinCase{{0, 0}, {10, 0}, {20, 0}, false, {}, {}},  // continuous tangent
        JoinCase{{0, 0}, {10, 0}, {0, 0}, false, {}, {}}));  // turning back: parallel

}  // namespace
