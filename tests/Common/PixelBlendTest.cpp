// Flattening onto black and the integer pixel mix, worked out by hand.
#include <gtest/gtest.h>

#include "Common/CommonTools.h"

namespace {

template <typename P>
void ExpectPixel(const P& got, const P& want) {
  EXPECT_EQ(got.alpha, want.alpha);
  EXPECT_EQ(got.red, want.red);
  EXPECT_EQ(got.green, want.green);
  EXPECT_EQ(got.blue, want.blue);
}

TEST(FlattenOnBlack, MultipliesByAlphaAndBecomesOpaque) {
  // (255 * 128) >> 8 = 127, (100 * 128) >> 8 = 50.
  ExpectPixel(FlattenOnBlack(PF_Pixel{128, 255, 100, 0}), PF_Pixel{255, 127, 50, 0});
  // Full alpha in 8 bits still loses a step: (255 * 255) >> 8 = 254.
  ExpectPixel(FlattenOnBlack(PF_Pixel{255, 255, 1, 0}), PF_Pixel{255, 254, 0, 0});
  ExpectPixel(FlattenOnBlack(PF_Pixel16{16384, 32768, 1000, 0}),
              PF_Pixel16{32768, 16384, 500, 0});
  ExpectPixel(FlattenOnBlack(PF_Pixel16{32768, 32768, 7, 3}), PF_Pixel16{32768, 32768, 7, 3});
  ExpectPixel(FlattenOnBlack(PF_Pixel16{0, 32768, 7, 3}), PF_Pixel16{32768, 0, 0, 0});
}

struct Blend8Case {
  PF_Pixel a, b;
  uint32_t t;
  PF_Pixel expected;
};

class BlendPixels8 : public ::testing::TestWithParam<Blend8Case> {};

TEST_P(BlendPixels8, MixesAllFourChannels) {
  const Blend8Case& c = GetParam();
  ExpectPixel(BlendPixels(c.a, c.b, c.t), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlendPixels8,
    ::testing::Values(Blend8Case{{10, 20, 30, 40}, {255, 255, 255, 255}, 0,
                                 // (A * 255) >> 8: 10 -> 9, 20 -> 19, 30 -> 29, 40 -> 39
                                 {9, 19, 29, 39}},
                      Blend8Case{{0, 0, 0, 0}, {255, 255, 255, 255}, 255, {254, 254, 254, 254}},
                      Blend8Case{{0, 0, 0, 0}, {255, 200, 100, 0}, 128, {127, 100, 50, 0}},
                      // (200 * 64 + 100 * 191) >> 8 = 124: the order (A, B, t) matters.
                      Blend8Case{{100, 100, 100, 100}, {200, 200, 200, 200}, 64,
                                 {124, 124, 124, 124}}));

struct Blend16Case {
  PF_Pixel16 a, b;
  uint32_t t;
  PF_Pixel16 expected;
};

class BlendPixels16 : public ::testing::TestWithParam<Blend16Case> {};

TEST_P(BlendPixels16, MixesAllFourChannels) {
  const Blend16Case& c = GetParam();
  ExpectPixel(BlendPixels(c.a, c.b, c.t), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlendPixels16,
    ::testing::Values(Blend16Case{{1, 2, 3, 4}, {32768, 32768, 32768, 32768}, 0, {1, 2, 3, 4}},
                      Blend16Case{{1, 2, 3, 4}, {32768, 5, 6, 7}, 32768, {32768, 5, 6, 7}},
                      Blend16Case{{0, 0, 0, 0}, {32768, 32768, 1000, 3}, 16384,
                                  {16384, 16384, 500, 1}},
                      // (20000 * 8192 + 10000 * 24576) >> 15 = 12500
                      Blend16Case{{10000, 10000, 10000, 10000}, {20000, 20000, 20000, 20000},
                                  8192, {12500, 12500, 12500, 12500}}));

}  // namespace
