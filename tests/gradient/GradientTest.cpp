// Colour lookup of the gradient: edges, wrap, sorting and the three mixes.
// Expected colours are worked out by hand from the mixing formulas.
#include "gradient/Gradient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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
constexpr PF_Pixel16 kRed{kFull, kFull, 0, 0};
constexpr PF_Pixel16 kGreen{kFull, 0, kFull, 0};
constexpr PF_Pixel16 kBlue{kFull, 0, 0, kFull};
constexpr PF_Pixel16 kClear{0, 0, 0, 0};

enum Mode { kLinear = 0, kPreserveLum = 1, kHsl = 2 };

ColorDot Dot(PF_Pixel16 color, double position, bool active = true) {
  return ColorDot{active, color, position};
}

StrokeSettings Settings(int interpolation, bool wrap) {
  StrokeSettings s{};
  s.interpolation = interpolation;
  s.wrapGradient = wrap;
  return s;
}

// ---- Lookups that do not depend on the interpolation mode ----------------------

struct LookupCase {
  const char* name;
  std::vector<ColorDot> dots;
  bool wrap;
  double position;
  PF_Pixel16 expected;
};

class GradientLookup : public ::testing::TestWithParam<std::tuple<LookupCase, int>> {};

TEST_P(GradientLookup, GivesTheExpectedColourInEveryMode) {
  const LookupCase& c = std::get<0>(GetParam());
  const StrokeSettings settings = Settings(std::get<1>(GetParam()), c.wrap);
  Gradient g(&settings);
  for (const ColorDot& d : c.dots) g.AddDot(d);
  EXPECT_EQ(g.ColorAt(c.position), c.expected) << c.name;
}

const LookupCase kLookups[] = {
    {"empty at 0", {}, false, 0.0, kClear},
    {"empty at 0.5 with wrap", {}, true, 0.5, kClear},
    {"only inactive dots", {Dot(kRed, 0.3, false), Dot(kBlue, 0.6, false)}, false, 0.5, kClear},
    {"one dot, below it", {Dot(kGreen, 0.6)}, false, 0.1, kGreen},
    {"one dot, above it, wrap", {Dot(kGreen, 0.6)}, true, 0.9, kGreen},
    {"one dot among inactive", {Dot(kRed, 0.1, false), Dot(kGreen, 0.6)}, true, 0.0, kGreen},
    {"below first, no wrap", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.0, kRed},
    {"at first, no wrap", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.2, kRed},
    {"at last, no wrap", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.8, kBlue},
    {"above last, no wrap", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 1.0, kBlue},
    {"added out of order", {Dot(kBlue, 0.8), Dot(kRed, 0.2)}, false, 0.1, kRed},
    // Equal positions: the earlier-added dot below, the later-added above.
    {"tie, below", {Dot(kRed, 0.5), Dot(kBlue, 0.5)}, false, 0.4, kRed},
    {"tie, above", {Dot(kRed, 0.5), Dot(kBlue, 0.5)}, false, 0.6, kBlue},
    {"tie reversed, below", {Dot(kBlue, 0.5), Dot(kRed, 0.5)}, false, 0.4, kBlue},
    {"tie inside, at the tie", {Dot(kGreen, 0.0), Dot(kRed, 0.5), Dot(kBlue, 0.5),
                                Dot(kGreen, 1.0)}, false, 0.5, kRed},
    // Zero wrap gap: positions 0 and 1 give the last dot.
    {"zero gap at 0", {Dot(kRed, 0.0), Dot(kBlue, 1.0)}, true, 0.0, kBlue},
    {"zero gap at 1", {Dot(kRed, 0.0), Dot(kBlue, 1.0)}, true, 1.0, kBlue},
    {"clamped zero gap at 0", {Dot(kRed, -0.2), Dot(kBlue, 1.5)}, true, 0.0, kBlue},
    // At t = 0 of the wrap every mode gives the last dot exactly.
    {"wrap at last dot", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.8, kBlue},
};

std::string LookupName(const ::testing::TestParamInfo<std::tuple<LookupCase, int>>& info) {
  std::string name = std::string(std::get<0>(info.param).name) + "_mode" +
                     std::to_string(std::get<1>(info.param));
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(AllModes, GradientLookup,
                         ::testing::Combine(::testing::ValuesIn(kLookups),
                                            ::testing::Values(kLinear, kPreserveLum, kHsl)),
                         LookupName);

// ---- Linear mode through ColorAt -------------------------------------------------

struct LinearCase {
  const char* name;
  std::vector<ColorDot> dots;
  bool wrap;
  double position;
  PF_Pixel16 expected;
};

class GradientLinear : public ::testing::TestWithParam<LinearCase> {};

TEST_P(GradientLinear, MixesWithTheIntegerWeight) {
  const LinearCase& c = GetParam();
  const StrokeSettings settings = Settings(kLinear, c.wrap);
  Gradient g(&settings);
  for (const ColorDot& d : c.dots) g.AddDot(d);
  EXPECT_EQ(g.ColorAt(c.position), c.expected);
}

// Weight w = trunc(t * 32768 + 0.5); channel = (c2 * w + c1 * (32768 - w)) >> 15.
INSTANTIATE_TEST_SUITE_P(
    Cases, GradientLinear,
    ::testing::Values(
        // Dots 0.2 red and 0.8 blue: 0.5 is t = 0.5, w = 16384.
        LinearCase{"middle", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, false, 0.5,
                   {kFull, 16384, 0, 16384}},
        // Wrap gap 0.4: 0.9 is t = 0.25 from blue (0.8) towards red (0.2), w = 8192.
        LinearCase{"wrap above", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.9,
                   {kFull, 8192, 0, 24576}},
        // 0.1 is t = 0.75 from blue towards red, w = 24576.
        LinearCase{"wrap below", {Dot(kRed, 0.2), Dot(kBlue, 0.8)}, true, 0.1,
                   {kFull, 24576, 0, 8192}},
        // Alpha 0 to alpha 32768 at t = 0.5 gives 16384.
        LinearCase{"alpha", {Dot({0, 0, 0, 0}, 0.0), Dot({kFull, 0, 0, 0}, 1.0)}, false, 0.5,
                   {16384, 0, 0, 0}},
        // Three dots: 0.75 lies between green (0.5) and blue (1.0) at t = 0.5.
        LinearCase{"third segment",
                   {Dot(kRed, 0.0), Dot(kGreen, 0.5), Dot(kBlue, 1.0)}, false, 0.75,
                   {kFull, 0, 16384, 16384}},
        // Ties step: just above 0.5 the mix starts from the later-added dot.
        LinearCase{"after a tie",
                   {Dot({kFull, 0, 0, 0}, 0.0), Dot(kRed, 0.5), Dot(kBlue, 0.5),
                    Dot({kFull, 0, 0, 0}, 1.0)},
                   false, 0.75, {kFull, 0, 0, 16384}},
        // t = 0.1 / 0.6: w = trunc(5461.33 + 0.5) = 5461; red 1000 -> 31000:
        // (31000 * 5461 + 1000 * 27307) >> 15 = 5999
        LinearCase{"uneven weight",
                   {Dot({kFull, 1000, 0, 0}, 0.2), Dot({kFull, 31000, 0, 0}, 0.8)}, false, 0.3,
                   {kFull, 5999, 0, 0}}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- Dots: clamping, filtering and position order ----------------------------------

TEST(GradientDots, ClampsPositionsAndListsThemInPositionOrder) {
  Gradient g;
  g.AddDot(Dot(kRed, 1.5));     // stored at 1
  g.AddDot(Dot(kGreen, -0.2));  // stored at 0
  g.AddDot(Dot(kBlue, 0.4, false));
  g.AddDot(Dot(kBlue, 0.0));    // ties with the green dot, added later
  ASSERT_EQ(g.DotCount(), 3);
  EXPECT_EQ(g.Dot(0).position, 0.0);
  EXPECT_EQ(g.Dot(0).color, kGreen);
  EXPECT_EQ(g.Dot(1).position, 0.0);
  EXPECT_EQ(g.Dot(1).color, kBlue);
  EXPECT_EQ(g.Dot(2).position, 1.0);
  EXPECT_EQ(g.Dot(2).color, kRed);
}

TEST(GradientDots, SettingsPointerSetLaterIsRead) {
  StrokeSettings wrapOn = Settings(kLinear, true);
  Gradient g;
  g.SetSettings(&wrapOn);
  g.AddDot(Dot(kRed, 0.2));
  g.AddDot(Dot(kBlue, 0.8));
  // With wrap on, 1.0 is t = 0.5 across the gap.
  EXPECT_EQ(g.ColorAt(1.0), (PF_Pixel16{kFull, 16384, 0, 16384}));
}

// ---- Preserve lum and HSL through ColorAt ------------------------------------------

struct MixCase {
  const char* name;
  int mode;
  PF_Pixel16 first;  // at position 0
  PF_Pixel16 last;   // at position 1
  double position;
  PF_Pixel16 expected;
};

class GradientMixModes : public ::testing::TestWithParam<MixCase> {};

TEST_P(GradientMixModes, GivesTheWorkedOutColour) {
  const MixCase& c = GetParam();
  const StrokeSettings settings = Settings(c.mode, false);
  Gradient g(&settings);
  g.AddDot(Dot(c.first, 0.0));
  g.AddDot(Dot(c.last, 1.0));
  EXPECT_EQ(g.ColorAt(c.position), c.expected) << c.name;
}

// Red + green at 0.5: the mix (16384, 16384, 0) is stretched to length 32768,
// so each channel is 16384 * sqrt(2) = 23170.47..., truncated.
const A_u_short kRedGreenLum = static_cast<A_u_short>(16384.0 * std::sqrt(2.0));

INSTANTIATE_TEST_SUITE_P(
    Cases, GradientMixModes,
    ::testing::Values(
        MixCase{"lum red green", kPreserveLum, kRed, kGreen, 0.5,
                {kFull, kRedGreenLum, kRedGreenLum, 0}},
        MixCase{"lum two blacks", kPreserveLum, {0, 0, 0, 0}, {kFull, 0, 0, 0}, 0.5,
                {16384, 0, 0, 0}},
        // Same colour at both ends: the length is kept, nothing changes.
        MixCase{"lum same colour", kPreserveLum, {kFull, 3000, 4000, 0},
                {kFull, 3000, 4000, 0}, 0.5, {kFull, 3000, 4000, 0}},
        // Grey 8192 to grey 24576: L 0.25 and 0.75 mix to 0.5, saturation 0,
        // so v = m = 0.5 and every channel is 16384.
        MixCase{"hsl greys", kHsl, {kFull, 8192, 8192, 8192}, {kFull, 24576, 24576, 24576},
                0.5, {kFull, 16384, 16384, 16384}},
        // Red (hue exactly 1) to black (hue 0, saturation 0) at 0.5: H 0.5,
        // S 0.5, L 0.25 -> v 0.375, m 0.125, sextant 3 -> (m, v, v).
        MixCase{"hsl red to black", kHsl, kRed, {kFull, 0, 0, 0}, 0.5,
                {kFull, 4096, 12288, 12288}},
        // Hue 1 at t = 0 is converted as hue 0: red comes back unchanged.
        MixCase{"hsl red at its own end", kHsl, kRed, kGreen, 1e-300, kRed},
        // Alpha mixes as trunc(a1 (1 - t) + a2 t) in HSL too.
        MixCase{"hsl alpha", kHsl, {0, 0, 0, 0}, {kFull, 0, 0, 0}, 0.25, {8192, 0, 0, 0}}),
    [](const auto& info) { return std::to_string(info.index); });

}  // namespace
