// The colour mixes and the HSL conversions on their own, against values
// worked out by hand.
#include "gradient/GradientMix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr A_u_short kFull = 32768;

void ExpectPixel(const PF_Pixel16& got, const PF_Pixel16& want) {
  EXPECT_EQ(got.alpha, want.alpha);
  EXPECT_EQ(got.red, want.red);
  EXPECT_EQ(got.green, want.green);
  EXPECT_EQ(got.blue, want.blue);
}

struct LinearCase {
  PF_Pixel16 c1;
  PF_Pixel16 c2;
  double t;
  PF_Pixel16 expected;
};

class MixLinearTable : public ::testing::TestWithParam<LinearCase> {};

TEST_P(MixLinearTable, UsesTheRoundedWeightAndShift) {
  const LinearCase& c = GetParam();
  ExpectPixel(MixLinear(c.c1, c.c2, c.t), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MixLinearTable,
    ::testing::Values(
        // t = 1: w = 32768, the second colour exactly.
        LinearCase{{100, 200, 300, 400}, {kFull, 1, 2, 3}, 1.0, {kFull, 1, 2, 3}},
        // t = 0: w = 0, the first colour exactly.
        LinearCase{{100, 200, 300, 400}, {kFull, 1, 2, 3}, 0.0, {100, 200, 300, 400}},
        // t = 0.5 between 0 and 32768.
        LinearCase{{0, 0, 0, 0}, {kFull, kFull, kFull, kFull}, 0.5, {16384, 16384, 16384, 16384}},
        // t = 1/3: w = trunc(10922.67 + 0.5) = 10923; 32768 * 10923 >> 15 = 10923.
        LinearCase{{0, 0, 0, 0}, {kFull, kFull, 0, 0}, 1.0 / 3.0, {10923, 10923, 0, 0}},
        // w = 10923 falling from 30000: (30000 * 21845) >> 15 = 19999.
        LinearCase{{kFull, 30000, 0, 0}, {kFull, 0, 0, 0}, 1.0 / 3.0, {kFull, 19999, 0, 0}}));

struct LumCase {
  PF_Pixel16 c1;
  PF_Pixel16 c2;
  double t;
  PF_Pixel16 expected;
};

class MixPreserveLumTable : public ::testing::TestWithParam<LumCase> {};

TEST_P(MixPreserveLumTable, KeepsTheMixedLength) {
  const LumCase& c = GetParam();
  ExpectPixel(MixPreserveLum(c.c1, c.c2, c.t), c.expected);
}

// White (length 32768 sqrt 3) to red (32768) at 0.5: mix (32768, 16384, 16384)
// of length 16384 sqrt 6 is scaled to 16384 (sqrt 3 + 1): red overflows and
// is clamped to 32768; green and blue are 16384 (sqrt 3 + 1) / sqrt 6.
const A_u_short kWhiteRedSide =
    static_cast<A_u_short>(16384.0 * (std::sqrt(3.0) + 1.0) / std::sqrt(6.0));

INSTANTIATE_TEST_SUITE_P(
    Cases, MixPreserveLumTable,
    ::testing::Values(
        LumCase{{kFull, kFull, kFull, kFull}, {kFull, kFull, 0, 0}, 0.5,
                {kFull, kFull, kWhiteRedSide, kWhiteRedSide}},
        // Black to red at 0.25: the mix (8192, 0, 0) already has the target
        // length 8192. Alpha 0 -> 32768 gives 8192.
        LumCase{{0, 0, 0, 0}, {kFull, kFull, 0, 0}, 0.25, {8192, 8192, 0, 0}},
        // Black at t = 0 end: the mix has no length, colour channels are 0.
        LumCase{{kFull, 0, 0, 0}, {kFull, kFull, 0, 0}, 0.0, {kFull, 0, 0, 0}},
        // Red to blue at 0.5: (16384, 0, 16384) stretched to 32768.
        LumCase{{kFull, kFull, 0, 0}, {kFull, 0, 0, kFull}, 0.5,
                {kFull, static_cast<A_u_short>(16384.0 * std::sqrt(2.0)), 0,
                 static_cast<A_u_short>(16384.0 * std::sqrt(2.0))}}));

// ---- RGB to HSL -----------------------------------------------------------------

struct ToHslCase {
  double r, g, b;
  double h, s, l;
};

class RgbToHslTable : public ::testing::TestWithParam<ToHslCase> {};

TEST_P(RgbToHslTable, Converts) {
  const ToHslCase& c = GetParam();
  const Hsl got = RgbToHsl(c.r, c.g, c.b);
  EXPECT_DOUBLE_EQ(got.h, c.h);
  EXPECT_DOUBLE_EQ(got.s, c.s);
  EXPECT_DOUBLE_EQ(got.l, c.l);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RgbToHslTable,
    ::testing::Values(
        // Pure red whose other channels are both the minimum: exactly 1.
        ToHslCase{1, 0, 0, 1.0, 1.0, 0.5},
        ToHslCase{0, 1, 0, 2.0 / 6, 1.0, 0.5},
        ToHslCase{0, 0, 1, 4.0 / 6, 1.0, 0.5},
        // Red and green tie for the maximum: the red branch, 1 - gc = 1.
        ToHslCase{1, 1, 0, 1.0 / 6, 1.0, 0.5},
        ToHslCase{0, 1, 1, 3.0 / 6, 1.0, 0.5},
        ToHslCase{1, 0, 1, 5.0 / 6, 1.0, 0.5},
        // Light red: L 0.75 > 0.5, S = 0.5 / (2 - 1.5) = 1.
        ToHslCase{1, 0.5, 0.5, 1.0, 1.0, 0.75},
        // Dark red: L 0.25, S = 0.25 / 0.5.
        ToHslCase{0.5, 0, 0, 1.0, 1.0, 0.25},
        // Orange: r max, g not min -> 1 - gc, gc = 0.5 -> hue 0.5 / 6.
        ToHslCase{1, 0.5, 0, 0.5 / 6, 1.0, 0.5},
        // Greys and black: hue 0 and saturation 0 by our choice.
        ToHslCase{0.25, 0.25, 0.25, 0.0, 0.0, 0.25},
        ToHslCase{0, 0, 0, 0.0, 0.0, 0.0}));

// ---- HSL to RGB -----------------------------------------------------------------

struct FromHslCase {
  double h, s, l;
  double r, g, b;
};

class HslToRgbTable : public ::testing::TestWithParam<FromHslCase> {};

TEST_P(HslToRgbTable, Converts) {
  const FromHslCase& c = GetParam();
  double r = -1, g = -1, b = -1;
  HslToRgb(Hsl{c.h, c.s, c.l}, &r, &g, &b);
  EXPECT_DOUBLE_EQ(r, c.r);
  EXPECT_DOUBLE_EQ(g, c.g);
  EXPECT_DOUBLE_EQ(b, c.b);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HslToRgbTable,
    ::testing::Values(
        FromHslCase{0.0, 1.0, 0.5, 1, 0, 0},
        // Hue 1 is hue 0.
        FromHslCase{1.0, 1.0, 0.5, 1, 0, 0},
        // Sextant 1 half way: (mid2, v, m) = (0.5, 1, 0).
        FromHslCase{0.25, 1.0, 0.5, 0.5, 1, 0},
        FromHslCase{0.5, 1.0, 0.5, 0, 1, 1},
        // Sextant 4 half way: (mid1, m, v) = (0.5, 0, 1).
        FromHslCase{0.75, 1.0, 0.5, 0.5, 0, 1},
        // l > 0.5: v = 0.75 + 0.5 - 0.375 = 0.875, m = 0.625.
        FromHslCase{0.0, 0.5, 0.75, 0.875, 0.625, 0.625},
        // No lightness: black whatever the hue.
        FromHslCase{0.4, 1.0, 0.0, 0, 0, 0}));

}  // namespace
