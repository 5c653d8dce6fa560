// The server's own arithmetic: the preview layer's box reduction and the
// frame cache's eviction.
#include <set>

#include <gtest/gtest.h>

#include "app/AppErrors.h"
#include "studio/server/DocumentFiles.h"
#include "studio/server/FrameCache.h"
#include "studio/server/PreviewPixels.h"
#include "studio/server/RequestGuard.h"

namespace {

struct BoxCase {
  bool deep;
  int width, height, factor;
  std::vector<int> red;       // the layer's red and blue channels, row-major
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
      layer.pixels16[i] = {32768, static_cast<A_u_short>(v), 7, static_cast<A_u_short>(v)};
    else layer.pixels8[i] = {255, static_cast<A_u_char>(v), 7, static_cast<A_u_char>(v)};
  }
  const app::Layer out = studio::DownsampleLayer(layer, c.factor);
  ASSERT_EQ(out.width, (c.width + c.factor - 1) / c.factor);
  ASSERT_EQ(out.height, (c.height + c.factor - 1) / c.factor);
  for (size_t i = 0; i < c.expected.size(); ++i) {
    EXPECT_EQ(c.deep ? out.pixels16[i].red : out.pixels8[i].red, c.expected[i]) << "pixel " << i;
    EXPECT_EQ(c.deep ? out.pixels16[i].blue : out.pixels8[i].blue, c.expected[i]) << "pixel " << i;
    EXPECT_EQ(c.deep ? out.pixels16[i].green : out.pixels8[i].green, 7);
    EXPECT_EQ(c.deep ? out.pixels16[i].alpha : out.pixels8[i].alpha, c.deep ? 32768 : 255);
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

std::shared_ptr<const studio::CachedFrame> FrameOf(size_t bytes) {
  auto frame = std::make_shared<studio::CachedFrame>();
  frame->bytes.assign(bytes, 'x');
  return frame;
}

// Keys of one letter and frames of 99 bytes cost 100 each: a cap of 300
// holds three.
TEST(FrameCache, EvictsTheLeastRecentlyUsedPastItsCap) {
  studio::FrameCache cache(300);
  for (const char* key : {"a", "b", "c"}) cache.Insert(key, FrameOf(99));
  EXPECT_NE(cache.Find("a"), nullptr);  // now the most recent
  cache.Insert("d", FrameOf(99));
  EXPECT_EQ(cache.Find("b"), nullptr);
  for (const char* key : {"a", "c", "d"}) EXPECT_NE(cache.Find(key), nullptr) << key;
  cache.Insert("d", FrameOf(49));  // replacing frees the old cost
  EXPECT_EQ(cache.Bytes(), 250u);
  cache.Insert("e", FrameOf(300));  // larger than the cap: not kept, nothing evicted
  EXPECT_EQ(cache.Find("e"), nullptr);
  EXPECT_EQ(cache.Bytes(), 250u);
}

// A document path must name a file in a folder that exists.
TEST(DocumentFiles, RefusesFoldersAndMissingFolders) {
  for (const char* path : {"/tmp", "/tmp/.", "/tmp/..", "/no-such-folder/doc.json", "/tmp/"}) {
    EXPECT_THROW(studio::DocumentFiles{path}, app::UsageError) << path;
  }
  EXPECT_EQ(studio::DocumentFiles("/tmp/../tmp/doc.json").AutosavePath(), "/tmp/doc.json.autosave");
}

// Tokens are 32 hexadecimal digits, never repeat, and use every digit in
// both halves of a byte.
TEST(Token, IsFreshHexadecimalEveryTime) {
  std::set<std::string> tokens;
  std::set<char> high, low;
  for (int i = 0; i < 64; ++i) {
    const std::string token = studio::NewToken();
    ASSERT_EQ(token.size(), 32u);
    ASSERT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
    tokens.insert(token);
    for (size_t k = 0; k < token.size(); k += 2) {
      high.insert(token[k]);
      low.insert(token[k + 1]);
    }
  }
  EXPECT_EQ(tokens.size(), 64u);
  EXPECT_EQ(high.size(), 16u);
  EXPECT_EQ(low.size(), 16u);
}

}  // namespace
