// The 8 <-> 16 bit conversions, flattening onto black and the integer pixel
// mix, worked out by hand.
#include <gtest/gtest.h>

#include "Common/CommonTools.h"
#include "Common/PixelTraits.h"
#include "CommonTestSupport.h"

namespace {

TEST(PixelConversionTest, EightToSixteenRoundsAndComesBackForAll256Values) {
  for (int c = 0; c < 256; ++c) {
    const A_u_char c8 = static_cast<A_u_char>(c);
    EXPECT_EQ(Convert8To16(c8), (c * 32768 + 128) / 255) << c;  // 1 -> 129, 128 -> 16448
    EXPECT_EQ(Convert16To8(Convert8To16(c8)), c8) << c;
  }
  // 16 to 8: (v * 255 + 16384) >> 15, so 64 -> 0 and 65 -> 1.
  const int kWorked[][2] = {{32768, 255}, {16384, 128}, {64, 0}, {65, 1}, {0, 0}};
  for (const auto& [from, to] : kWorked)
    EXPECT_EQ(Convert16To8(static_cast<A_u_short>(from)), to) << from;
}

// DepthColor read in the other depth is checked by the fill table.

TEST(FlattenOnBlack, MultipliesByAlphaAndBecomesOpaque) {
  // (255 * 128) >> 8 = 127, (100 * 128) >> 8 = 50.
  EXPECT_EQ(FlattenOnBlack(PF_Pixel{128, 255, 100, 0}), (PF_Pixel{255, 127, 50, 0}));
  // Full alpha in 8 bits still loses a step: (255 * 255) >> 8 = 254.
  EXPECT_EQ(FlattenOnBlack(PF_Pixel{255, 255, 1, 0}), (PF_Pixel{255, 254, 0, 0}));
  EXPECT_EQ(FlattenOnBlack(PF_Pixel16{16384, 32768, 1000, 0}), (PF_Pixel16{32768, 16384, 500, 0}));
  EXPECT_EQ(FlattenOnBlack(PF_Pixel16{32768, 32768, 7, 3}), (PF_Pixel16{32768, 32768, 7, 3}));
  EXPECT_EQ(FlattenOnBlack(PF_Pixel16{0, 32768, 7, 3}), (PF_Pixel16{32768, 0, 0, 0}));
}

// (B * t + A * (full - t)) >> 8 or 15 on all four channels.
TEST(BlendPixels, MixesAllFourChannels) {
  // clang-format off
  const struct { PF_Pixel a, b; uint32_t t; PF_Pixel expected; } k8[] = {
      {{10, 20, 30, 40}, {255, 255, 255, 255}, 0, {9, 19, 29, 39}},  // (A * 255) >> 8
      {{0, 0, 0, 0}, {255, 255, 255, 255}, 255, {254, 254, 254, 254}},
      {{0, 0, 0, 0}, {255, 200, 100, 0}, 128, {127, 100, 50, 0}},
      // (200 * 64 + 100 * 191) >> 8 = 124: the order (A, B, t) matters.
      {{100, 100, 100, 100}, {200, 200, 200, 200}, 64, {124, 124, 124, 124}}};
  // clang-format on
  for (const auto& c : k8) EXPECT_EQ(BlendPixels(c.a, c.b, c.t), c.expected) << c.t;
  // clang-format off
  const struct { PF_Pixel16 a, b; uint32_t t; PF_Pixel16 expected; } k16[] = {
      {{1, 2, 3, 4}, {32768, 32768, 32768, 32768}, 0, {1, 2, 3, 4}},
      {{1, 2, 3, 4}, {32768, 5, 6, 7}, 32768, {32768, 5, 6, 7}},
      {{0, 0, 0, 0}, {32768, 32768, 1000, 3}, 16384, {16384, 16384, 500, 1}},
      // (20000 * 8192 + 10000 * 24576) >> 15 = 12500
      {{10000, 10000, 10000, 10000}, {20000, 20000, 20000, 20000}, 8192,
       {12500, 12500, 12500, 12500}}};
  // clang-format on
  for (const auto& c : k16) EXPECT_EQ(BlendPixels(c.a, c.b, c.t), c.expected) << c.t;
}

}  // namespace
