// The server's own arithmetic: the frame cache's eviction.
#include <set>

#include <gtest/gtest.h>

#include "app/AppErrors.h"
#include "studio/server/DocumentFiles.h"
#include "studio/server/FrameCache.h"
#include "studio/server/RequestGuard.h"

namespace {

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
