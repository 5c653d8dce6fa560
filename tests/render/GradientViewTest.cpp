#include "render/GradientView.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "Common/FillTriangle.h"
#include "gradient/Gradient.h"
#include "render/ClippedScanCallBack.h"
#include "render/FrameHarness.h"

namespace {

struct LayoutCase {
  A_long w, h;
  GradientViewLayout e;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PanelBarAndMarkers) {
  const GradientViewLayout l = LayoutGradientView(GetParam().w, GetParam().h);
  const GradientViewLayout& e = GetParam().e;
  EXPECT_EQ(std::make_pair(l.panelLeft, l.panelRight), std::make_pair(e.panelLeft, e.panelRight));
  EXPECT_EQ(std::make_pair(l.panelTop, l.panelBottom), std::make_pair(e.panelTop, e.panelBottom));
  EXPECT_EQ(std::make_pair(l.barLeft, l.barRight), std::make_pair(e.barLeft, e.barRight));
  EXPECT_EQ(std::make_pair(l.barTop, l.barBottom), std::make_pair(e.barTop, e.barBottom));
  EXPECT_EQ(std::make_pair(l.markerHeight, l.markerHalfWidth),
            std::make_pair(e.markerHeight, e.markerHalfWidth));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutTest,
    ::testing::Values(
        // pw 500, ph 200: panel 250..750 x 0..199 (200 clamped); markers 10 high.
        LayoutCase{1000, 200, {250, 750, 0, 199, 300, 700, 70, 140, 10, 5}},
        // pw 400, ph 160: panel 0..399 (400 clamped) x 120..280.
        LayoutCase{400, 400, {0, 399, 120, 280, 40, 360, 176, 232, 8, 4}}));

TEST(GradientViewPixels, OutlineBarAndMarkers) {
  harness::Frame frame(1000, 200, false);
  StrokeSettings settings{};
  Gradient gradient(&settings), reference(&settings);
  const ColorDot dots[3] = {{true, {32768, 32768, 0, 0}, 0.0}, {true, {16384, 0, 32768, 0}, 0.5},
                            {true, {32768, 0, 0, 32768}, 1.0}};
  for (const ColorDot& d : dots) {
    gradient.AddDot(d);
    reference.AddDot(d);
  }
  settings.gradient = &gradient;
  DrawGradientView8(frame.InData(), settings, frame.Output());
  const auto at = [&](A_long x, A_long y) { return *PixelAt<PF_Pixel>(*frame.Output(), x, y); };
  const PF_Pixel white{255, 255, 255, 255}, black{255, 0, 0, 0};
  EXPECT_TRUE(harness::SamePixel(at(300, 70), white));
  EXPECT_TRUE(harness::SamePixel(at(700, 140), white));
  EXPECT_TRUE(harness::SamePixel(at(299, 100), black));
  // Column x shows position (x - 301) / 398; markers' apex at (xi, 69), base at row 59.
  for (A_long x : {301, 420, 500, 699}) {
    EXPECT_TRUE(harness::SamePixel(at(x, 105), ConvertPixel16To8(reference.ColorAt((x - 301) / 398.0))));
  }
  EXPECT_TRUE(harness::SamePixel(at(301, 64), ConvertPixel16To8(dots[0].color)));
  EXPECT_TRUE(harness::SamePixel(at(500, 64), ConvertPixel16To8(dots[1].color)));
  EXPECT_TRUE(harness::SamePixel(at(699, 64), ConvertPixel16To8(dots[2].color)));
  EXPECT_TRUE(harness::SamePixel(at(500, 59), white));
}

// Records the pixels it is handed.
struct Recorder final : ScanCallBack {
  void Visit(double, double) override {}
  void Plot(int x, int y) override { plotted.insert({x, y}); }
  bool Query(int, int) override { return false; }
  std::set<std::pair<int, int>> plotted;
};

class ClippedTriangleTest : public ::testing::TestWithParam<std::array<int32_t, 6>> {};

TEST_P(ClippedTriangleTest, PassesOnExactlyThePixelsInsideTheWorld) {
  const auto& t = GetParam();
  Recorder all, inner;
  ClippedScanCallBack clipped(inner, 20, 10);
  FillTriangle(t[0], t[1], t[2], t[3], t[4], t[5], all);
  FillTriangle(t[0], t[1], t[2], t[3], t[4], t[5], clipped);
  std::set<std::pair<int, int>> inside;
  for (const auto& p : all.plotted) {
    if (p.first >= 0 && p.first < 20 && p.second >= 0 && p.second < 10) inside.insert(p);
  }
  EXPECT_EQ(inner.plotted, inside);
  EXPECT_LT(inside.size(), all.plotted.size());
  EXPECT_FALSE(inside.empty());
}

INSTANTIATE_TEST_SUITE_P(Triangles, ClippedTriangleTest,
                         ::testing::Values(std::array<int32_t, 6>{5, 4, 0, -8, 10, -8},
                                           std::array<int32_t, 6>{-10, -10, 40, 3, 2, 30}));

}  // namespace
