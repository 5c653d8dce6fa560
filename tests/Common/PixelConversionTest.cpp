// The 8 <-> 16 bit conversions and DepthColor's fallback between depths.
#include <gtest/gtest.h>

#include "Common/DepthColor.h"
#include "Common/PixelTraits.h"

namespace {

TEST(PixelConversionTest, EightToSixteenToEightRoundTripsAll256Values) {
  for (int c = 0; c < 256; ++c) {
    const A_u_char c8 = static_cast<A_u_char>(c);
    EXPECT_EQ(Convert16To8(Convert8To16(c8)), c8) << c;
    // 8 to 16: (c * 32768 + 128) / 255, truncating.
    EXPECT_EQ(Convert8To16(c8), (c * 32768 + 128) / 255) << c;
  }
}

struct Pair {
  int from;
  int to;
};

class Convert8To16Test : public ::testing::TestWithParam<Pair> {};
TEST_P(Convert8To16Test, Value) {
  EXPECT_EQ(Convert8To16(static_cast<A_u_char>(GetParam().from)), GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(Worked, Convert8To16Test,
                         ::testing::Values(Pair{0, 0}, Pair{255, 32768}, Pair{1, 129},
                                           Pair{128, 16448}));

class Convert16To8Test : public ::testing::TestWithParam<Pair> {};
TEST_P(Convert16To8Test, Value) {
  EXPECT_EQ(Convert16To8(static_cast<A_u_short>(GetParam().from)), GetParam().to);
}
INSTANTIATE_TEST_SUITE_P(Worked, Convert16To8Test,
                         ::testing::Values(Pair{32768, 255}, Pair{16384, 128}, Pair{64, 0},
                                           Pair{65, 1}, Pair{0, 0}));

TEST(DepthColorTest, ReadingTheOtherDepthConverts) {
  const DepthColor c8 = DepthColor::From8(PF_Pixel{255, 128, 1, 0});
  const PF_Pixel16 w16 = c8.Get16();
  EXPECT_EQ(w16.alpha, 32768);
  EXPECT_EQ(w16.red, 16448);
  EXPECT_EQ(w16.green, 129);
  EXPECT_EQ(w16.blue, 0);

  const DepthColor c16 = DepthColor::From16(PF_Pixel16{32768, 16384, 65, 64});
  const PF_Pixel w8 = c16.Get<PF_Pixel>();
  EXPECT_EQ(w8.alpha, 255);
  EXPECT_EQ(w8.red, 128);
  EXPECT_EQ(w8.green, 1);
  EXPECT_EQ(w8.blue, 0);
  EXPECT_EQ(c16.Get<PF_Pixel16>().red, 16384);
}

}  // namespace
