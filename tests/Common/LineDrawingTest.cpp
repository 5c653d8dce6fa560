// Lines and box outlines: which pixels are written, at both depths. The
// expected pixel lists were found by walking the integer line steps by hand.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "Common/CommonTools.h"
#include "WorldTestPixels.h"
#include "host/embedded/EmbeddedHost.h"

using namespace worldtest;

namespace {

constexpr A_long kW = 10;
constexpr A_long kH = 8;
using Points = std::vector<std::pair<int, int>>;

struct LineCase {
  const char* name;
  int x0, y0, x1, y1;
  Points expected;
};

// Draws with a colour given in the other depth too, so the conversion is used.
template <typename P>
std::set<std::pair<int, int>> Drawn(void (*draw)(AEWorld&, const DepthColor&)) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* w = host.CreateWorld(kW, kH, PixelTraits<P>::kDeep, true);
  PaintPattern<P>(*w);
  AEWorld world(host.InData(), w, false);
  // 8-bit (255, 255, 0, 0) is 16-bit (32768, 32768, 0, 0).
  draw(world, DepthColor::From8({255, 255, 0, 0}));
  const P ink = PixelTraits<P>::FromPixel16(PF_Pixel16{32768, 32768, 0, 0});
  std::set<std::pair<int, int>> drawn;
  for (A_long y = 0; y < kH; ++y) {
    for (A_long x = 0; x < kW; ++x) {
      const P px = *PixelAt<P>(*w, x, y);
      if (Same(px, ink)) {
        drawn.insert({x, y});
      } else {
        EXPECT_TRUE(Same(px, Pattern<P>(x, y))) << "pixel " << x << "," << y << " changed";
      }
    }
  }
  return drawn;
}

const LineCase* g_line = nullptr;
void DrawCurrentLine(AEWorld& w, const DepthColor& c) {
  DrawLine(w, g_line->x0, g_line->y0, g_line->x1, g_line->y1, c);
}

class DrawLineTable : public ::testing::TestWithParam<LineCase> {};

TEST_P(DrawLineTable, PlotsExactlyThesePixels) {
  g_line = &GetParam();
  const std::set<std::pair<int, int>> want(GetParam().expected.begin(),
                                           GetParam().expected.end());
  EXPECT_EQ(Drawn<PF_Pixel>(DrawCurrentLine), want) << "8-bit";
  EXPECT_EQ(Drawn<PF_Pixel16>(DrawCurrentLine), want) << "16-bit";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawLineTable,
    ::testing::Values(
        LineCase{"single point", 5, 5, 5, 5, {{5, 5}}},
        LineCase{"horizontal", 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        LineCase{"horizontal reversed", 4, 2, 1, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        LineCase{"vertical", 3, 1, 3, 4, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
        LineCase{"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        LineCase{"anti-diagonal", 3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}, {0, 3}}},
        // dx2 8, dy2 4, e starts at 0, so the first step already moves down.
        LineCase{"shallow", 0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        // dx2 2, dy2 6, e starts at -1.
        LineCase{"steep", 0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        LineCase{"across the world", -3, 2, 12, 2,
                 {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}},
        LineCase{"in from the corner", -2, -2, 2, 2, {{0, 0}, {1, 1}, {2, 2}}},
        LineCase{"out at the bottom", 9, 5, 9, 12, {{9, 5}, {9, 6}, {9, 7}}},
        LineCase{"wholly outside", -5, -5, -1, -1, {}},
        LineCase{"below the world", 0, 8, 9, 8, {}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(DrawRect, OutlinesTheInclusiveBox) {
  auto draw = [](AEWorld& w, const DepthColor& c) { DrawRect(IntBox{1, 4, 2, 5}, w, c); };
  std::set<std::pair<int, int>> want;
  for (int x = 1; x <= 4; ++x) want.insert({x, 2}), want.insert({x, 5});
  for (int y = 2; y <= 5; ++y) want.insert({1, y}), want.insert({4, y});
  EXPECT_EQ(Drawn<PF_Pixel>(draw), want);
  EXPECT_EQ(Drawn<PF_Pixel16>(draw), want);
}

TEST(DrawRect, ClipsABoxReachingOutside) {
  auto draw = [](AEWorld& w, const DepthColor& c) { DrawRect(IntBox{-2, 3, 6, 9}, w, c); };
  std::set<std::pair<int, int>> want;
  for (int x = 0; x <= 3; ++x) want.insert({x, 6});  // top edge; bottom at y 9 is outside
  for (int y = 6; y <= 7; ++y) want.insert({3, y});  // right edge; left at x -2 is outside
  EXPECT_EQ(Drawn<PF_Pixel>(draw), want);
}

}  // namespace
