#include "render/PathOverlay.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "Common/AEWorld.h"
#include "path/BezierCurve.h"
#include "path/FakePath.h"
#include "render/FrameHarness.h"
#include "render/GuardedWorld.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;

const PF_Pixel kInk{255, 250, 120, 10};

PixelSet Inked(const PF_EffectWorld& w) {
  PixelSet s;
  for (A_long y = 0; y < w.height; ++y) {
    for (A_long x = 0; x < w.width; ++x) {
      if (harness::SamePixel(*PixelAt<PF_Pixel>(w, x, y), kInk)) s.insert({x, y});
    }
  }
  return s;
}

PixelSet Block(int left, int top, int right, int bottom) {
  PixelSet s;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) s.insert({x, y});
  }
  return s;
}

PixelSet Ring(int left, int top, int right, int bottom) {
  PixelSet s;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (x == left || x == right || y == top || y == bottom) s.insert({x, y});
    }
  }
  return s;
}

// The pixels of a set that lie inside a width x height world.
PixelSet Clip(const PixelSet& in, int width, int height) {
  PixelSet s;
  for (const auto& p : in) {
    if (p.first >= 0 && p.first < width && p.second >= 0 && p.second < height) s.insert(p);
  }
  return s;
}

// ---- Size of the squares by downsampling ----------------------------------------------------

struct SizeCase {
  PF_RationalScale dx, dy;
  int32_t size;
};

class MarkerSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MarkerSizeTest, SixPixelsScaledByTheMeanDownsample) {
  PF_InData in_data{};
  in_data.downsample_x = GetParam().dx;
  in_data.downsample_y = GetParam().dy;
  EXPECT_EQ(SquareMarkerSize(&in_data), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Downsampling, MarkerSizeTest,
                         ::testing::Values(SizeCase{{1, 1}, {1, 1}, 6},
                                           SizeCase{{1, 2}, {1, 2}, 3},
                                           SizeCase{{1, 2}, {1, 1}, 5},  // 0.5 + 4.5
                                           SizeCase{{1, 3}, {1, 3}, 2},  // 0.5 + 2
                                           SizeCase{{1, 4}, {1, 4}, 2},
                                           SizeCase{{1, 16}, {1, 16}, 0},
                                           SizeCase{{2, 1}, {2, 1}, 12}));

TEST(MarkerSize, SixWithoutInData) { EXPECT_EQ(SquareMarkerSize(nullptr), 6); }

// ---- The squares' pixels ----------------------------------------------------------------------

struct SquareCase {
  PF_RationalScale ds;
  int x, y;
  bool filled;
  PixelSet expected;
};

class SquareTest : public ::testing::TestWithParam<SquareCase> {};

TEST_P(SquareTest, WritesExactlyTheSquare) {
  const SquareCase c = GetParam();
  harness::Frame frame(40, 30, false);
  frame.Host().SetDownsample(c.ds, c.ds);
  harness::FillPixels<PF_Pixel>(frame.Output(), PF_Pixel{0, 0, 0, 0});
  AEWorld world(frame.InData(), frame.Output(), false);
  DrawSquareMarker(world, DepthColor::From8(kInk), c.x, c.y, c.filled);
  EXPECT_EQ(Inked(*frame.Output()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Squares, SquareTest,
    ::testing::Values(
        SquareCase{{1, 1}, 20, 15, true, Block(17, 12, 22, 17)},    // 6 x 6 from -3
        SquareCase{{1, 1}, 20, 15, false, Ring(17, 12, 23, 18)},    // -3 .. +3
        SquareCase{{1, 2}, 20, 15, true, Block(19, 14, 21, 16)},    // 3, h = 1
        SquareCase{{1, 2}, 20, 15, false, Ring(19, 14, 21, 16)},
        SquareCase{{1, 1}, 1, 1, true, Clip(Block(-2, -2, 3, 3), 40, 30)},  // clipped
        SquareCase{{1, 1}, 38, 28, false, Clip(Ring(35, 25, 41, 31), 40, 30)},
        SquareCase{{1, 16}, 20, 15, true, PixelSet{}},              // size 0: nothing
        SquareCase{{1, 16}, 20, 15, false, PixelSet{{20, 15}}}));   // four lines of one point

TEST(SquareMarker, SixteenBitWorldGetsTheConvertedColour) {
  harness::Frame frame(20, 20, true);
  harness::FillPixels<PF_Pixel16>(frame.Output(), PF_Pixel16{0, 0, 0, 0});
  AEWorld world(frame.InData(), frame.Output(), false);
  DrawSquareMarker(world, DepthColor::From8(kInk), 10, 10, true);
  const PF_Pixel16 want{32768, Convert8To16(250), Convert8To16(120), Convert8To16(10)};
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 7, 7), want));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 12, 12), want));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), 13, 13),
                                 PF_Pixel16{0, 0, 0, 0}));
}

TEST(SquareMarker, NeverWritesOutsideTheWorld) {
  harness::Frame frame(4, 4, false);
  harness::GuardedWorld guarded(10, 6, false);
  AEWorld world(frame.InData(), guarded.World(), false);
  for (int x : {-4, 0, 9, 13}) {
    for (int y : {-3, 0, 5, 8}) {
      DrawSquareMarker(world, DepthColor::From8(kInk), x, y, true);
      DrawSquareMarker(world, DepthColor::From8(kInk), x, y, false);
    }
  }
  EXPECT_EQ(guarded.DamagedGuardBytes(), 0);
}

// ---- Handle decoration and the overlay ------------------------------------------------------

TEST(HandleDecoration, LineThenFilledPointAndHandleThenHollowMirror) {
  harness::Frame frame(60, 50, false);
  harness::FillPixels<PF_Pixel>(frame.Output(), PF_Pixel{0, 0, 0, 0});
  AEWorld world(frame.InData(), frame.Output(), false);
  PF_PathVertex v{};
  v.x = 20.7;  // truncated: point (20, 30), handle (10, 25), mirror (30, 34)
  v.y = 30.2;
  v.tan_in_x = 10.9;
  v.tan_in_y = 25.5;
  v.tan_out_x = 30.5;
  v.tan_out_y = 34.9;
  DrawHandleDecoration(world, DepthColor::From8(kInk), v);
  const PixelSet inked = Inked(*frame.Output());
  PixelSet squares = Block(17, 27, 22, 32);
  const PixelSet handle = Block(7, 22, 12, 27);
  const PixelSet mirror = Ring(27, 31, 33, 37);
  squares.insert(handle.begin(), handle.end());
  squares.insert(mirror.begin(), mirror.end());
  for (const auto& p : squares) EXPECT_TRUE(inked.count(p)) << p.first << "," << p.second;
  // The line reaches both handle ends; the mirror's square is hollow.
  EXPECT_TRUE(inked.count({10, 25}));
  EXPECT_TRUE(inked.count({30, 34}));
  EXPECT_FALSE(inked.count({31, 33}));
  EXPECT_FALSE(inked.count({32, 35}));
  // Nothing far from the decoration.
  EXPECT_FALSE(inked.count({40, 10}));
  EXPECT_FALSE(inked.count({5, 40}));
}

PathPoint Point(double x, double y, double inX, double inY) {
  PathPoint p;
  p.active = true;
  p.vertex = PF_PathVertex{x, y, inX, inY, 2 * x - inX, 2 * y - inY};
  return p;
}

// The pixel under the curve between two points at t.
std::pair<int, int> OnCurve(const PathPoint& a, const PathPoint& b, double t) {
  const BezierCurve c(a.vertex, b.vertex);
  const Vec2d p = c.Evaluate(t);
  return {static_cast<int>(p.x), static_cast<int>(p.y)};
}

struct OverlayCase {
  const char* name;
  int points;
  bool closed;
};

class OverlayTest : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(OverlayTest, CurvesBetweenEntriesAndADecorationAtEveryPoint) {
  const OverlayCase c = GetParam();
  const std::vector<PathPoint> all = {Point(20, 20, 12, 26), Point(100, 30, 90, 20),
                                      Point(60, 90, 80, 95)};
  std::vector<PathPoint> pts(all.begin(), all.begin() + c.points);
  FakePath path(pts, !c.closed);
  harness::Frame frame(130, 110, false);
  harness::FillPixels<PF_Pixel>(frame.Output(), PF_Pixel{0, 0, 0, 0});
  AEWorld world(frame.InData(), frame.Output(), false);
  DrawPathOverlay(path, world, DepthColor::From8(kInk));
  const PixelSet inked = Inked(*frame.Output());

  for (const PathPoint& p : pts) {
    const int x = static_cast<int>(p.vertex.x);
    const int y = static_cast<int>(p.vertex.y);
    for (const auto& q : Block(x - 3, y - 3, x + 2, y + 2)) EXPECT_TRUE(inked.count(q));
  }
  const auto& entries = path.Points();
  const size_t curves = entries.size() > 1 ? entries.size() - 1 : 0;
  for (size_t i = 0; i < curves; ++i) {
    for (double t : {0.3, 0.5, 0.7}) {
      const auto p = OnCurve(entries[i], entries[i + 1], t);
      // Traced chords stay within a pixel of the curve.
      bool near = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) near = near || inked.count({p.first + dx, p.second + dy});
      }
      EXPECT_TRUE(near) << "curve " << i << " t " << t;
    }
  }
  if (c.points == 1) {
    // No curve: only the decoration, whose pieces all lie within 12 pixels.
    for (const auto& p : inked) {
      EXPECT_LE(std::abs(p.first - 20), 12);
      EXPECT_LE(std::abs(p.second - 20), 12);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, OverlayTest,
                         ::testing::Values(OverlayCase{"OnePoint", 1, false},
                                           OverlayCase{"OnePointClosed", 1, true},
                                           OverlayCase{"OpenThree", 3, false},
                                           OverlayCase{"ClosedThree", 3, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
