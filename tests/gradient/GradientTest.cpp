// Colour lookup of the gradient (edges, wrap, sorting and the three mixes) and
// the HSL conversions. Expected colours are worked out by hand from the mixing
// formulas.
#include "gradient/Gradient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gradient/GradientMix.h"

// Found by argument-dependent lookup only at global scope, where the pixel
// type lives; static so that no other test program sees them.
static bool operator==(const PF_Pixel16& a, const PF_Pixel16& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
static void PrintTo(const PF_Pixel16& p, std::ostream* os) {
  *os << "(a " << p.alpha << ", r " << p.red << ", g " << p.green << ", b " << p.blue << ")";
}

namespace {

constexpr A_u_short kFull = 32768;
constexpr PF_Pixel16 kRed{kFull, kFull, 0, 0}, kGreen{kFull, 0, kFull, 0},
    kBlue{kFull, 0, 0, kFull};
constexpr PF_Pixel16 kClear{0, 0, 0, 0}, kBlack{kFull, 0, 0, 0}, kWhite{kFull, kFull, kFull, kFull};

enum Mode { kAll = -1, kLinear = 0, kPreserveLum = 1, kHsl = 2 };

ColorDot Dot(PF_Pixel16 color, double position, bool active = true) {
  return ColorDot{active, color, position};
}

StrokeSettings Settings(int interpolation, bool wrap) {
  StrokeSettings s{};
  s.interpolation = interpolation;
  s.wrapGradient = wrap;
  return s;
}

// Linear: weight w = trunc(t * 32768 + 0.5); channel (c2 w + c1 (32768 - w)) >> 15.
// Red + green at 0.5 preserving lum: the mix (16384, 16384, 0) is stretched
// to length 32768, so each channel is 16384 sqrt(2) = 23170.47..., truncated.
const A_u_short kRedGreenLum = static_cast<A_u_short>(16384.0 * std::sqrt(2.0));
// White (length 32768 sqrt 3) to red (32768) at 0.5: the mix (32768, 16384,
// 16384) of length 16384 sqrt 6 is scaled to 16384 (sqrt 3 + 1): red overflows
// and is clamped to 32768; green and blue are 16384 (sqrt 3 + 1) / sqrt 6.
const A_u_short kWhiteRedSide =
    static_cast<A_u_short>(16384.0 * (std::sqrt(3.0) + 1.0) / std::sqrt(6.0));

// clang-format off
struct LookupCase { const char* name; int mode; std::vector<ColorDot> dots; bool wrap;
                    double position; PF_Pixel16 expected; };
// clang-format on

// clang-format off
const LookupCase kLookups[] = {
    {"empty at 0", kAll, {}, false, 0.0, kClear},
    {"empty at 0.5 with wrap", kAll, {}, true, 0.5, kClear},
    {"only inactive dots", kAll, {Dot(kRed, 0.3, false), Dot(kBlue, 0.6, false)}, false, 0.5,
     kClear},
    {"one dot, below it", kAll, {Dot(kGreen, 0.6)}, false, 0.1, kGreen},
    {"one dot, above it, wrap", kAll, {Dot(kGreen, 0.6)}, true, 0.9, kGreen},
    {"one dot among inactive", kAll, {Dot(kRed, 0.1, false), Dot(kGreen, 0.6)}, true, 0.0, kGreen},
    {"below first, no wrap", kAll, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.0, kRed},
    {"at first, no wrap", kAll, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.2, kRed},
    {"at last, no wrap", kAll, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.8, kBlue},
    {"above last, no wrap", kAll, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 1.0, kBlue},
    {"added out of order", kAll, {Dot(kBlue, 0.8), Dot(kRed, 0.2)}, false, 0.1, kRed},
    // Equal positions: the earlier-added dot below, the later-added above.
    {"tie, below", kAll, {Dot(kRed, 0.5), Dot(kBlue, 0.5)}, false, 0.4, kRed},
    {"tie, above", kAll, {Dot(kRed, 0.5), Dot(kBlue, 0.5)}, false, 0.6, kBlue},
    {"tie reversed, below", kAll, {Dot(kBlue, 0.5), Dot(kRed, 0.5)}, false, 0.4, kBlue},
    {"tie inside, at the tie", kAll,
     {Dot(kGreen, 0.0), Dot(kRed, 0.5), Dot(kBlue, 0.5), Dot(kGreen, 1.0)}, false, 0.5, kRed},
    // Zero wrap gap: positions 0 and 1 give the last dot.
    {"zero gap at 0", kAll, {Dot(kRed, 0.0), Dot(kBlue, 1.0)}, true, 0.0, kBlue},
    {"zero gap at 1", kAll, {Dot(kRed, 0.0), Dot(kBlue, 1.0)}, true, 1.0, kBlue},
    {"clamped zero gap at 0", kAll, {Dot(kRed, -0.2), Dot(kBlue, 1.5)}, true, 0.0, kBlue},
    // At t = 0 of the wrap every mode gives the last dot exactly.
    {"wrap at last dot", kAll, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.8, kBlue},
    // 0.5 between dots at 0.2 and 0.8 is t = 0.5, w = 16384.
    {"middle", kLinear, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.5, {kFull, 16384, 0, 16384}},
    // Wrap gap 0.4: 0.9 is t = 0.25 from blue (0.8) towards red (0.2), w = 8192.
    {"wrap above", kLinear, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.9, {kFull, 8192, 0, 24576}},
    // 0.1 is t = 0.75 from blue towards red, w = 24576.
    {"wrap below", kLinear, {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.1, {kFull, 24576, 0, 8192}},
    {"alpha", kLinear, {Dot(kClear, 0.0), Dot(kBlack, 1.0)}, false, 0.5, {16384, 0, 0, 0}},
    // 0.75 lies between green (0.5) and blue (1.0) at t = 0.5.
    {"third segment", kLinear, {Dot(kRed, 0.0), Dot(kGreen, 0.5), Dot(kBlue, 1.0)}, false, 0.75,
     {kFull, 0, 16384, 16384}},
    // Ties step: just above 0.5 the mix starts from the later-added dot.
    {"after a tie", kLinear, {Dot(kBlack, 0.0), Dot(kRed, 0.5), Dot(kBlue, 0.5), Dot(kBlack, 1.0)},
     false, 0.75, {kFull, 0, 0, 16384}},
    // t = 0.1 / 0.6: w = trunc(5461.33 + 0.5) = 5461; (31000 * 5461 + 1000 * 27307) >> 15 = 5999.
    {"uneven weight", kLinear, {Dot({kFull, 1000, 0, 0}, 0.2), Dot({kFull, 31000, 0, 0}, 0.8)},
     false, 0.3, {kFull, 5999, 0, 0}},
    // t = 1/3: w = trunc(10922.67 + 0.5) = 10923 (rounded up); 32768 * 10923 >> 15 = 10923.
    {"weight rounds up", kLinear, {Dot(kClear, 0.0), Dot(kRed, 1.0)}, false, 1.0 / 3.0,
     {10923, 10923, 0, 0}},
    // w = 10923 falling from 30000: (30000 * 21845) >> 15 = 19999.
    {"weight rounds up, falling", kLinear, {Dot({kFull, 30000, 0, 0}, 0.0), Dot(kBlack, 1.0)},
     false, 1.0 / 3.0, {kFull, 19999, 0, 0}},
    {"lum red green", kPreserveLum, {Dot(kRed, 0.0), Dot(kGreen, 1.0)}, false, 0.5,
     {kFull, kRedGreenLum, kRedGreenLum, 0}},
    {"lum white red", kPreserveLum, {Dot(kWhite, 0.0), Dot(kRed, 1.0)}, false, 0.5,
     {kFull, kFull, kWhiteRedSide, kWhiteRedSide}},
    // Black to red at 0.25: the mix (8192, 0, 0) already has the target length.
    {"lum black red", kPreserveLum, {Dot(kClear, 0.0), Dot(kRed, 1.0)}, false, 0.25,
     {8192, 8192, 0, 0}},
    // A mix of no length leaves the colour channels 0; alpha 32768 / 3 = 10922.67 truncates.
    {"lum two blacks", kPreserveLum, {Dot(kClear, 0.0), Dot(kBlack, 1.0)}, false, 1.0 / 3.0,
     {10922, 0, 0, 0}},
    // Same colour at both ends: the length is kept, nothing changes.
    {"lum same colour", kPreserveLum,
     {Dot({kFull, 3000, 4000, 0}, 0.0), Dot({kFull, 3000, 4000, 0}, 1.0)}, false, 0.5,
     {kFull, 3000, 4000, 0}},
    // Red (hue exactly 1) to black (hue 0, saturation 0) at 0.5: H 0.5, S 0.5,
    // L 0.25 -> v 0.375, m 0.125, sextant 3 -> (m, v, v).
    {"hsl red to black", kHsl, {Dot(kRed, 0.0), Dot(kBlack, 1.0)}, false, 0.5,
     {kFull, 4096, 12288, 12288}},
    // Hue 1 at t = 0 is converted as hue 0: red comes back unchanged.
    {"hsl red at its own end", kHsl, {Dot(kRed, 0.0), Dot(kGreen, 1.0)}, false, 1e-300, kRed},
    // Alpha mixes as trunc(a1 (1 - t) + a2 t) in HSL too: 32768 / 3 = 10922.67.
    {"hsl alpha", kHsl, {Dot(kClear, 0.0), Dot(kBlack, 1.0)}, false, 1.0 / 3.0, {10922, 0, 0, 0}},
    // Greys (saturation 0, so v = m = L) with L 0.125 and 0.25 at t = 2/3: L = 0.2083..., channels
    // 6826.67 truncated.
    {"hsl greys", kHsl, {Dot({kFull, 4096, 4096, 4096}, 0.0), Dot({kFull, 8192, 8192, 8192}, 1.0)},
     false, 2.0 / 3.0, {kFull, 6826, 6826, 6826}}};
// clang-format on

TEST(GradientColorAt, GivesTheWorkedOutColour) {
  for (const LookupCase& c : kLookups) {
    for (int mode : {kLinear, kPreserveLum, kHsl}) {
      if (c.mode != kAll && c.mode != mode) continue;
      SCOPED_TRACE(testing::Message() << c.name << ", mode " << mode);
      const StrokeSettings settings = Settings(mode, c.wrap);
      Gradient g(&settings);
      for (const ColorDot& d : c.dots) g.AddDot(d);
      EXPECT_EQ(g.ColorAt(c.position), c.expected);
    }
  }
}

TEST(GradientDots, ClampsPositionsAndListsThemInPositionOrder) {
  Gradient g;
  g.AddDot(Dot(kRed, 1.5));     // stored at 1
  g.AddDot(Dot(kGreen, -0.2));  // stored at 0
  g.AddDot(Dot(kBlue, 0.4, false));
  g.AddDot(Dot(kBlue, 0.0));  // ties with the green dot, added later
  ASSERT_EQ(g.DotCount(), 3);
  // clang-format off
  const struct { double position; PF_Pixel16 color; } kWant[] = {
      {0.0, kGreen},
      {0.0, kBlue},
      {1.0, kRed}};
  // clang-format on
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g.Dot(i).position, kWant[i].position) << i;
    EXPECT_EQ(g.Dot(i).color, kWant[i].color) << i;
  }
}

TEST(HslConversion, RgbToHsl) {
  // clang-format off
  const struct { double r, g, b, h, s, l; } kCases[] = {
      {1, 0, 0, 1.0, 1.0, 0.5},  // red with both others the minimum: hue exactly 1
      {0, 1, 0, 2.0 / 6, 1.0, 0.5},
      {0, 0, 1, 4.0 / 6, 1.0, 0.5},
      // red and green tie for the maximum: the red branch, 1 - gc = 1
      {1, 1, 0, 1.0 / 6, 1.0, 0.5},
      {0, 1, 1, 3.0 / 6, 1.0, 0.5},
      {1, 0, 1, 5.0 / 6, 1.0, 0.5},
      {1, 0.5, 0.5, 1.0, 1.0, 0.75},  // L 0.75 > 0.5: S = 0.5 / (2 - 1.5) = 1
      {0.5, 0, 0, 1.0, 1.0, 0.25},  // L 0.25: S = 0.25 / 0.5
      {1, 0.5, 0, 0.5 / 6, 1.0, 0.5},  // r max, g not min -> 1 - gc, gc = 0.5
      {0.25, 0.25, 0.25, 0.0, 0.0, 0.25},  // greys and black: hue 0, saturation 0 by our choice
      {0, 0, 0, 0.0, 0.0, 0.0}};
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.r << " " << c.g << " " << c.b);
    const Hsl got = RgbToHsl(c.r, c.g, c.b);
    EXPECT_DOUBLE_EQ(got.h, c.h);
    EXPECT_DOUBLE_EQ(got.s, c.s);
    EXPECT_DOUBLE_EQ(got.l, c.l);
  }
}

TEST(HslConversion, HslToRgb) {
  // clang-format off
  const struct { double h, s, l, r, g, b; } kCases[] = {
      {0.0, 1.0, 0.5, 1, 0, 0},
      {1.0, 1.0, 0.5, 1, 0, 0},  // hue 1 is hue 0
      {0.25, 1.0, 0.5, 0.5, 1, 0},  // sextant 1 half way: (mid2, v, m)
      {0.5, 1.0, 0.5, 0, 1, 1},
      {0.75, 1.0, 0.5, 0.5, 0, 1},  // sextant 4 half way: (mid1, m, v)
      {0.0, 0.5, 0.75, 0.875, 0.625, 0.625},  // l > 0.5: v = 0.75 + 0.5 - 0.375, m = 0.625
      {0.4, 1.0, 0.0, 0, 0, 0}};              // no lightness: black whatever the hue
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.h << " " << c.s << " " << c.l);
    double r = -1, g = -1, b = -1;
    HslToRgb(Hsl{c.h, c.s, c.l}, &r, &g, &b);
    EXPECT_DOUBLE_EQ(r, c.r);
    EXPECT_DOUBLE_EQ(g, c.g);
    EXPECT_DOUBLE_EQ(b, c.b);
  }
}

}  // namespace
