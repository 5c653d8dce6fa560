#include "render/GradientView.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "Common/FillTriangle.h"
#include "gradient/Gradient.h"
#include "render/ClippedScanCallBack.h"
#include "render/FrameHarness.h"
#include "render/GuardedWorld.h"

namespace {

// ---- Geometry ---------------------------------------------------------------------------

struct LayoutCase {
  A_long w, h;
  GradientViewLayout expected;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PanelBarAndMarkerSize) {
  const LayoutCase c = GetParam();
  const GradientViewLayout l = LayoutGradientView(c.w, c.h);
  const GradientViewLayout& e = c.expected;
  EXPECT_EQ(l.panelLeft, e.panelLeft);
  EXPECT_EQ(l.panelRight, e.panelRight);
  EXPECT_EQ(l.panelTop, e.panelTop);
  EXPECT_EQ(l.panelBottom, e.panelBottom);
  EXPECT_EQ(l.barLeft, e.barLeft);
  EXPECT_EQ(l.barRight, e.barRight);
  EXPECT_EQ(l.barTop, e.barTop);
  EXPECT_EQ(l.barBottom, e.barBottom);
  EXPECT_EQ(l.markerHeight, e.markerHeight);
  EXPECT_EQ(l.markerHalfWidth, e.markerHalfWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutTest,
    ::testing::Values(
        // H/W = 0.2: pw 500, ph 200; y1 = 200 clamped to 199.
        LayoutCase{1000, 200, {250, 750, 0, 199, 300, 700, 70, 140, 10, 5}},
        // pw 400, ph 160; x1 = 400 clamped to 399.
        LayoutCase{400, 400, {0, 399, 120, 280, 40, 360, 176, 232, 8, 4}},
        // The vertical view of a 640 x 480 output draws into 480 x 640.
        LayoutCase{480, 640, {0, 479, 224, 416, 48, 432, 291, 359, 10, 5}},
        // Two rows: the bar starts on row 0 and the markers have no height.
        LayoutCase{100, 2, {48, 53, 0, 1, 48, 53, 0, 1, 0, 0}}));

struct ApexCase {
  double position;
  int32_t x;
};

class MarkerApexTest : public ::testing::TestWithParam<ApexCase> {};

TEST_P(MarkerApexTest, PositionAcrossTheBarInside) {
  const GradientViewLayout l = LayoutGradientView(1000, 200);  // inner columns 301..699
  EXPECT_EQ(MarkerApexX(l, GetParam().position), GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(Positions, MarkerApexTest,
                         ::testing::Values(ApexCase{0.0, 301}, ApexCase{1.0, 699},
                                           ApexCase{0.5, 500}, ApexCase{0.2, 380},
                                           ApexCase{0.8, 619}));

TEST(GradientViewColumns, PositionRunsFromZeroToOneAndASingleColumnShowsZero) {
  const GradientViewLayout l = LayoutGradientView(1000, 200);
  EXPECT_EQ(BarColumnPosition(l, 301), 0.0);
  EXPECT_EQ(BarColumnPosition(l, 699), 1.0);
  EXPECT_EQ(BarColumnPosition(l, 500), 199.0 / 398.0);
  GradientViewLayout narrow = l;
  narrow.barLeft = 10;
  narrow.barRight = 12;  // only column 11 inside
  EXPECT_EQ(BarColumnPosition(narrow, 11), 0.0);
}

// ---- Pixels --------------------------------------------------------------------------------

struct ViewRig {
  ViewRig() {
    settings = StrokeSettings{};
    settings.interpolation = 0;
    gradient.SetSettings(&settings);
    reference.SetSettings(&settings);
    settings.gradient = &gradient;
  }
  void Add(const ColorDot& dot) {
    gradient.AddDot(dot);
    reference.AddDot(dot);
  }
  StrokeSettings settings;
  Gradient gradient;
  Gradient reference;  // the same dots, asked for the expected colours
};

template <typename P>
P FromColor16(const PF_Pixel16& c) {
  if constexpr (sizeof(P) == 8) {
    return c;
  } else {
    return ConvertPixel16To8(c);
  }
}

template <typename P>
void CheckView() {
  constexpr bool kDeep = sizeof(P) == 8;
  using C = decltype(P{}.alpha);
  const C full = static_cast<C>(kDeep ? 32768 : 255);
  harness::Frame frame(1000, 200, kDeep);
  harness::FillPixels<P>(frame.Output(), P{7, 7, 7, 7});
  ViewRig rig;
  const PF_Pixel16 red{32768, 32768, 0, 0};
  const PF_Pixel16 halfGreen{16384, 0, 32768, 0};
  const PF_Pixel16 blue{32768, 0, 0, 32768};
  const PF_Pixel16 yellow{32768, 32768, 32768, 0};
  rig.Add(ColorDot{true, red, 0.0});
  rig.Add(ColorDot{true, blue, 0.8});
  rig.Add(ColorDot{true, halfGreen, 0.5});
  rig.Add(ColorDot{true, yellow, 0.8});  // same position, added later: drawn on top
  if constexpr (kDeep) {
    DrawGradientView16(frame.InData(), rig.settings, frame.Output());
  } else {
    DrawGradientView8(frame.InData(), rig.settings, frame.Output());
  }
  const PF_EffectWorld& out = *frame.Output();
  const P white{full, full, full, full};
  const P black{full, 0, 0, 0};
  // Outline corners and edges.
  for (auto [x, y] : {std::pair{300, 70}, {700, 70}, {300, 140}, {700, 140}, {500, 70}, {300, 100}}) {
    EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, x, y), white)) << x << "," << y;
  }
  // Black around the bar.
  for (auto [x, y] : {std::pair{0, 0}, {299, 100}, {701, 100}, {500, 141}, {999, 199}, {500, 50}}) {
    EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, x, y), black)) << x << "," << y;
  }
  // Inside the outline each column shows the gradient at (x - 301) / 398.
  for (A_long x = 301; x <= 699; ++x) {
    const P want = FromColor16<P>(rig.reference.ColorAt((x - 301) / 398.0));
    for (A_long y : {71, 105, 139}) {
      ASSERT_TRUE(harness::SamePixel(*PixelAt<P>(out, x, y), want)) << x << "," << y;
    }
  }
  // Markers: apex at (xi, 69), base 10 rows higher; the middle row is the dot's colour.
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 301, 64), FromColor16<P>(red)));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 500, 64), FromColor16<P>(halfGreen)));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 619, 64), FromColor16<P>(yellow)));
  // The outline of the marker is white: its base row and its apex.
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 500, 59), white));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 500, 69), white));
  EXPECT_TRUE(harness::SamePixel(*PixelAt<P>(out, 500, 58), black));
}

TEST(GradientViewPixels, EightBit) { CheckView<PF_Pixel>(); }
TEST(GradientViewPixels, SixteenBit) { CheckView<PF_Pixel16>(); }

TEST(GradientViewPixels, NoDotsFillsTheBarWithTransparentBlackAndDrawsNoMarker) {
  harness::Frame frame(1000, 200, false);
  ViewRig rig;
  DrawGradientView8(frame.InData(), rig.settings, frame.Output());
  const PF_EffectWorld& out = *frame.Output();
  EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel>(out, 500, 105), PF_Pixel{0, 0, 0, 0}));
  for (A_long y = 55; y < 70; ++y) {
    for (A_long x = 295; x <= 705; ++x) {
      ASSERT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel>(out, x, y), PF_Pixel{255, 0, 0, 0}))
          << x << "," << y;
    }
  }
}

// ---- Never beyond the world ----------------------------------------------------------------

struct TinyCase {
  A_long w, h;
  bool deep;
};

class TinyViewTest : public ::testing::TestWithParam<TinyCase> {};

TEST_P(TinyViewTest, DrawsOnlyInsideTheWorld) {
  const TinyCase c = GetParam();
  harness::Frame frame(4, 4, c.deep);  // for the host callbacks
  harness::GuardedWorld world(c.w, c.h, c.deep);
  ViewRig rig;
  rig.Add(ColorDot{true, PF_Pixel16{32768, 32768, 0, 0}, 0.0});
  rig.Add(ColorDot{true, PF_Pixel16{32768, 0, 0, 32768}, 1.0});
  if (c.deep) {
    DrawGradientView16(frame.InData(), rig.settings, world.World());
  } else {
    DrawGradientView8(frame.InData(), rig.settings, world.World());
  }
  EXPECT_EQ(world.DamagedGuardBytes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TinyViewTest,
                         ::testing::Values(TinyCase{100, 2, false}, TinyCase{100, 3, true},
                                           TinyCase{7, 3, false}, TinyCase{3, 1000, true},
                                           TinyCase{1, 1, false}, TinyCase{2, 9, false},
                                           TinyCase{41, 17, true}));

// Records the pixels it is handed.
class Recorder final : public ScanCallBack {
 public:
  void Visit(double, double) override {}
  void Plot(int x, int y) override { plotted.insert({x, y}); }
  bool Query(int, int) override { return false; }
  std::set<std::pair<int, int>> plotted;
};

struct TriangleCase {
  int32_t x0, y0, x1, y1, x2, y2;
};

class ClippedTriangleTest : public ::testing::TestWithParam<TriangleCase> {};

TEST_P(ClippedTriangleTest, PassesOnExactlyThePixelsInsideTheWorld) {
  const TriangleCase t = GetParam();
  Recorder all;
  FillTriangle(t.x0, t.y0, t.x1, t.y1, t.x2, t.y2, all);
  Recorder inner;
  ClippedScanCallBack clipped(inner, 20, 10);
  FillTriangle(t.x0, t.y0, t.x1, t.y1, t.x2, t.y2, clipped);
  std::set<std::pair<int, int>> expected;
  for (const auto& p : all.plotted) {
    if (p.first >= 0 && p.first < 20 && p.second >= 0 && p.second < 10) expected.insert(p);
  }
  EXPECT_EQ(inner.plotted, expected);
  EXPECT_FALSE(expected.empty());
  EXPECT_LT(expected.size(), all.plotted.size());
}

INSTANTIATE_TEST_SUITE_P(Triangles, ClippedTriangleTest,
                         ::testing::Values(TriangleCase{5, 4, 0, -8, 10, -8},    // above
                                           TriangleCase{-6, 2, 4, 8, -6, 9},     // left
                                           TriangleCase{18, 1, 30, 5, 15, 14},   // right, below
                                           TriangleCase{-10, -10, 40, 3, 2, 30}));  // all round

}  // namespace
