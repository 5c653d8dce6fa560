// The reduced layers of the studio's preview and `render --scale`.
#include <vector>

#include <gtest/gtest.h>

#include "app/session/LayerReduction.h"

namespace {

struct BoxCase {
  bool deep;
  int width, height, factor;
  std::vector<int> red;       // the layer's alpha, red and blue channels, row-major
  std::vector<int> expected;  // the reduced layer's
};

class BoxReduction : public ::testing::TestWithParam<BoxCase> {};

// Means of whole and partial blocks (right and bottom edges), rounded half up.
TEST_P(BoxReduction, AveragesTheBlocksEachPixelCovers) {
  const BoxCase c = GetParam();
  app::Layer layer = app::Layer::Make(c.width, c.height, c.deep);
  for (size_t i = 0; i < c.red.size(); ++i) {
    const int v = c.red[i];
    if (c.deep)
      layer.pixels16[i] = {static_cast<A_u_short>(v), static_cast<A_u_short>(v), 7,
                           static_cast<A_u_short>(v)};
    else layer.pixels8[i] = {static_cast<A_u_char>(v), static_cast<A_u_char>(v), 7,
                               static_cast<A_u_char>(v)};
  }
  const app::Layer out = app::DownsampleLayer(layer, c.factor);
  ASSERT_EQ(out.width, (c.width + c.factor - 1) / c.factor);
  ASSERT_EQ(out.height, (c.height + c.factor - 1) / c.factor);
  for (size_t i = 0; i < c.expected.size(); ++i) {
    EXPECT_EQ(c.deep ? out.pixels16[i].red : out.pixels8[i].red, c.expected[i]) << "pixel " << i;
    EXPECT_EQ(c.deep ? out.pixels16[i].blue : out.pixels8[i].blue, c.expected[i]) << "pixel " << i;
    EXPECT_EQ(c.deep ? out.pixels16[i].green : out.pixels8[i].green, 7);
    EXPECT_EQ(c.deep ? out.pixels16[i].alpha : out.pixels8[i].alpha, c.expected[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, BoxReduction,
    ::testing::Values(
        // 3x3 by 2: a whole block, a 1x2 column, a 2x1 row and a lone corner.
        BoxCase{false, 3, 3, 2, {0, 1, 10, 2, 2, 11, 100, 201, 50}, {1, 11, 151, 50}},
        BoxCase{false, 5, 1, 4, {255, 255, 255, 254, 9}, {255, 9}},
        BoxCase{true, 2, 2, 2, {32768, 32768, 32768, 32767}, {32768}},
        BoxCase{true, 4, 4, 4, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}, {1}},
        BoxCase{false, 2, 2, 1, {1, 2, 3, 4}, {1, 2, 3, 4}}));

}  // namespace
