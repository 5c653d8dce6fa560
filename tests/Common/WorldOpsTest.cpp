// Block copies, fills, transfers, lines and box outlines, at both depths. The
// expected pixel lists of lines were found by walking the integer steps by hand.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "Common/CommonTools.h"
#include "CommonTestSupport.h"

using namespace ctest;

namespace {

// The block of cols x rows from source (sx, sy) lands at (tx, ty) of a 50 x 50
// destination; nothing else changes.
// clang-format off
struct BlitCase { const char* name; A_long srcW, srcH; bool hasRect; WorldRect rect; int32_t dx, dy;
                  A_long sx, sy, tx, ty, cols, rows; };
// clang-format on

// clang-format off
const BlitCase kBlits[] = {
    {"whole into bigger at origin", 20, 10, false, {}, 0, 0, 0, 0, 0, 0, 20, 10},
    // 100 x 100 into 50 x 50 at (-10, -20): source columns 10..59, rows 20..69.
    {"negative offset", 100, 100, false, {}, -10, -20, 10, 20, 0, 0, 50, 50},
    {"right edge", 20, 10, false, {}, 45, 5, 0, 0, 45, 5, 5, 10},
    {"bottom right corner", 20, 10, false, {}, 40, 45, 0, 0, 40, 45, 10, 5},
    {"at dest width", 20, 10, false, {}, 50, 0, 0, 0, 0, 0, 0, 0},
    {"at dest height", 20, 10, false, {}, 0, 50, 0, 0, 0, 0, 0, 0},
    {"wholly left", 20, 10, false, {}, -20, 0, 0, 0, 0, 0, 0, 0},
    {"wholly above", 20, 10, false, {}, 0, -10, 0, 0, 0, 0, 0, 0},
    {"one column left in", 20, 10, false, {}, -19, 0, 19, 0, 0, 0, 1, 10},
    // Rectangle rows 2..5, columns 3..8 (inclusive) to (1, 1).
    {"rectangle", 20, 10, true, {2, 3, 5, 8}, 1, 1, 3, 2, 1, 1, 6, 4},
    // A rectangle reaching outside the source is clamped to it first.
    {"rectangle clamped", 20, 10, true, {-5, -5, 4, 4}, 2, 3, 0, 0, 2, 3, 5, 5},
    {"single pixel", 20, 10, true, {9, 19, 9, 19}, 0, 0, 19, 9, 0, 0, 1, 1}};
// clang-format on

TEST(Blit, CopiesTheClippedBlock) {
  for (const BlitCase& c : kBlits)
    AtBothDepths([&](auto tag) {
      using P = decltype(tag);
      SCOPED_TRACE(c.name);
      Canvas<P> src(c.srcW, c.srcH);
      PF_EffectWorld* dst = NewWorld<P>(src.host, 50, 50);
      const P marker{1, 2, 3, 4};
      Paint<P>(*dst, &marker);
      Blit(*src.world, *dst, c.hasRect ? &c.rect : nullptr, c.dx, c.dy);
      ExpectWorld<P>(*dst, [&](A_long x, A_long y) {
        const bool in = x >= c.tx && x < c.tx + c.cols && y >= c.ty && y < c.ty + c.rows;
        return in ? Pattern<P>(x - c.tx + c.sx, y - c.ty + c.sy) : marker;
      });
    });
}

TEST(CopyInto, PlacesTheWholeSourceAtThePoint) {
  Canvas<PF_Pixel> src(3, 2), dst(8, 8);
  const PF_Pixel clear{0, 0, 0, 0};
  Paint<PF_Pixel>(*dst.world, &clear);
  CopyInto(dst.ae, *src.world, 4, 5);
  ExpectWorld<PF_Pixel>(*dst.world, [&](A_long x, A_long y) {
    return x >= 4 && x < 7 && y >= 5 && y < 7 ? Pattern<PF_Pixel>(x - 4, y - 5) : clear;
  });
}

// A colour read in the other depth converts: to 8 bits (v * 255 + 16384) >> 15,
// so 16384 -> 128, 64 -> 0 and 65 -> 1; to 16 bits (c * 32768 + 128) / 255, so
// 128 -> 16448, 1 -> 129 and 255 -> 32768.
const DepthColor kRed8 = DepthColor::From8({255, 255, 0, 0});
const DepthColor kHalf16 = DepthColor::From16({32768, 16384, 64, 65});
const DepthColor kHalf8 = DepthColor::From8({255, 128, 1, 0});

// The rectangle is inclusive.
// clang-format off
struct FillCase { bool hasRect; WorldRect rect; DepthColor color; PF_Pixel expected8;
                  PF_Pixel16 expected16; };
// clang-format on

// clang-format off
const FillCase kFills[] = {
    {false, {}, kRed8, {255, 255, 0, 0}, {32768, 32768, 0, 0}},
    {false, {}, kHalf16, {255, 128, 0, 1}, {32768, 16384, 64, 65}},
    {true, {1, 2, 3, 5}, kHalf16, {255, 128, 0, 1}, {32768, 16384, 64, 65}},
    {true, {6, 8, 6, 8}, kRed8, {255, 255, 0, 0}, {32768, 32768, 0, 0}},  // last row and column
    {true, {0, 0, 1, 1}, kHalf16, {255, 128, 0, 1}, {32768, 16384, 64, 65}},
    {true, {2, 2, 4, 4}, kHalf8, {255, 128, 1, 0}, {32768, 16448, 129, 0}}};
// clang-format on

TEST(FillWorld, FillsExactlyTheInclusiveRectangle) {
  for (const FillCase& c : kFills)
    AtBothDepths([&](auto tag) {
      using P = decltype(tag);
      SCOPED_TRACE(testing::Message()
                   << "rect " << c.hasRect << " " << c.rect.top << "," << c.rect.left);
      Canvas<P> canvas(9, 7);
      FillWorld(canvas.ae, c.color, c.hasRect ? &c.rect : nullptr);
      ExpectWorld<P>(*canvas.world, [&](A_long x, A_long y) {
        const bool in = !c.hasRect || (x >= c.rect.left && x <= c.rect.right && y >= c.rect.top &&
                                       y <= c.rect.bottom);
        return in ? Pick<P>(c.expected8, c.expected16) : Pattern<P>(x, y);
      });
    });
}

// An opaque white source laid in normal mode over opaque black shows the
// opacity directly: 8-bit trunc(255 - 255a), 16-bit trunc(32768 - 32768a).
TEST(Transfer, AmountBecomesTheSourceOpacity) {
  // clang-format off
  const struct { double amount; int expected8, expected16; } kCases[] = {
      {0.0, 255, 32768},
      {1.0, 0, 0},
      {0.5, 127, 16384},
      {0.25, 191, 24576}};
  // clang-format on
  for (const auto& c : kCases)
    AtBothDepths([&](auto tag) {
      using P = decltype(tag);
      Host host;
      PF_EffectWorld* src = NewWorld<P>(host, 3, 3);
      PF_EffectWorld* dst = NewWorld<P>(host, 3, 3);
      const P white = Pick<P>({255, 255, 255, 255}, {32768, 32768, 32768, 32768});
      const P black = Pick<P>({255, 0, 0, 0}, {32768, 0, 0, 0});
      Paint<P>(*src, &white);
      Paint<P>(*dst, &black);
      Transfer(host.InData(), *src, *dst, c.amount, PF_Xfer_COPY, PF_Quality_HI, nullptr);
      EXPECT_EQ(PixelAt<P>(*dst, 1, 1)->red, PixelTraits<P>::kDeep ? c.expected16 : c.expected8)
          << c.amount;
    });
}

TEST(Transfer, CoversTheInclusiveRectangleAtItsOwnPlace) {
  Canvas<PF_Pixel> src(6, 5);
  PF_EffectWorld* dst = NewWorld<PF_Pixel>(src.host, 6, 5);
  const PF_Pixel black{255, 0, 0, 0};
  Paint<PF_Pixel>(*dst, &black);
  const WorldRect rect{1, 2, 2, 4};  // rows 1..2, columns 2..4
  Transfer(src.host.InData(), *src.world, *dst, 0.0, PF_Xfer_IN_FRONT, PF_Quality_HI, &rect);
  // The pattern's alpha 200 over opaque black: colour v * 200/255 rounded, alpha 255.
  auto over = [](A_long v) { return static_cast<A_u_char>(v * 200.0 / 255.0 + 0.5); };
  ExpectWorld<PF_Pixel>(*dst, [&](A_long x, A_long y) {
    const bool in = y >= 1 && y <= 2 && x >= 2 && x <= 4;
    return in ? PF_Pixel{255, over(x), over(y), over(7)} : black;
  });
}

// A line from (a, b) to (c, d), or the outline of the box x a..b, y c..d.
using Points = std::set<std::pair<int, int>>;
// clang-format off
struct DrawCase { const char* name; bool box; int a, b, c, d; Points expected; };
// clang-format on

// clang-format off
const DrawCase kDraws[] = {
    {"single point", false, 5, 5, 5, 5, {{5, 5}}},
    {"horizontal", false, 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
    {"horizontal reversed", false, 4, 2, 1, 2, {{1, 2}, {2, 2}, {3, 2}, {4, 2}}},
    {"vertical", false, 3, 1, 3, 4, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
    {"diagonal", false, 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
    {"anti-diagonal", false, 3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}, {0, 3}}},
    // dx2 8, dy2 4, e starts at 0, so the first step already moves down.
    {"shallow", false, 0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
    // dx2 2, dy2 6, e starts at -1.
    {"steep", false, 0, 0, 1, 3, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
    {"across the world", false, -3, 2, 12, 2,
     {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}, {9, 2}}},
    {"in from the corner", false, -2, -2, 2, 2, {{0, 0}, {1, 1}, {2, 2}}},
    {"out at the bottom", false, 9, 5, 9, 12, {{9, 5}, {9, 6}, {9, 7}}},
    {"wholly outside", false, -5, -5, -1, -1, {}},
    {"below the world", false, 0, 8, 9, 8, {}},
    {"box", true, 1, 4, 2, 5,
     {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {1, 3}, {1, 4}, {4, 3},
      {4, 4}}},
    // Only the top edge (y 6) and the right edge (x 3) are inside the world.
    {"box reaching outside", true, -2, 3, 6, 9, {{0, 6}, {1, 6}, {2, 6}, {3, 6}, {3, 7}}}};
// clang-format on

TEST(DrawLineAndRect, PlotExactlyThesePixels) {
  for (const DrawCase& c : kDraws)
    AtBothDepths([&](auto tag) {
      using P = decltype(tag);
      SCOPED_TRACE(c.name);
      Canvas<P> canvas(10, 8);
      PF_EffectWorld* w = canvas.world;
      // Drawn with an 8-bit colour at both depths: (255, 255, 0, 0) is 16-bit (32768, 32768, 0, 0).
      const DepthColor red = DepthColor::From8({255, 255, 0, 0});
      if (c.box) DrawRect(IntBox{c.a, c.b, c.c, c.d}, canvas.ae, red);
      else DrawLine(canvas.ae, c.a, c.b, c.c, c.d, red);
      const P ink = Pick<P>({255, 255, 0, 0}, {32768, 32768, 0, 0});
      Points drawn;
      for (A_long y = 0; y < 8; ++y)
        for (A_long x = 0; x < 10; ++x)
          if (*PixelAt<P>(*w, x, y) == ink) drawn.insert({x, y});
          else EXPECT_EQ(*PixelAt<P>(*w, x, y), Pattern<P>(x, y)) << x << "," << y;
      EXPECT_EQ(drawn, c.expected);
    });
}

}  // namespace
