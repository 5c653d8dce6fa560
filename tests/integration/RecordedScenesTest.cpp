// Every random scene renders to the frame whose SHA-256 the table records.
// The table was written once, from the effect as it stood before its speed
// work, so any change of a single output bit shows here.
//
// LUSTRE_SCENE_STRIDE=k renders every k-th scene only (for slow builds such as
// the sanitizer ones). LUSTRE_RECORD_SCENES=1 rewrites the table from the
// code under test instead of comparing: only for a deliberate change of look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "ModuleHarness.h"
#include "RandomScenes.h"
#include "Sha256.h"
#include "host/embedded/HostThreads.h"

namespace harness {
namespace {

const std::string kTablePath =
    std::string(LUSTRE_SOURCE_DIR) + "/tests/integration/recorded_scene_hashes.txt";

int SceneStride() {
  const char* text = std::getenv("LUSTRE_SCENE_STRIDE");
  const int stride = text != nullptr ? std::atoi(text) : 1;
  return stride > 0 ? stride : 1;
}

// Scene number to recorded digest.
std::map<int, std::string> ReadTable() {
  std::map<int, std::string> table;
  std::ifstream in(kTablePath);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int index = -1;
    std::string digest;
    if (fields >> index >> digest) table[index] = digest;
  }
  return table;
}

TEST(Sha256, KnownVectors) {
  const auto hash = [](const std::string& s) {
    return Sha256Hex(std::vector<unsigned char>(s.begin(), s.end()));
  };
  EXPECT_EQ(hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the padding spills into a second block.
  EXPECT_EQ(hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // A million 'a': many whole blocks.
  EXPECT_EQ(hash(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(ModuleTest, RandomScenesRenderTheRecordedFrames) {
  if (std::getenv("LUSTRE_RECORD_SCENES") != nullptr) {
    std::ofstream out(kTablePath);
    for (int n = 0; n < kRecordedSceneCount; ++n) {
      out << n << ' ' << Sha256Hex(RenderScene(Module(), n)) << "  " << SceneFrameOf(n).Describe()
          << '\n';
    }
    GTEST_SKIP() << "table rewritten: " << kTablePath;
  }
  const std::map<int, std::string> table = ReadTable();
  ASSERT_EQ(table.size(), size_t(kRecordedSceneCount)) << kTablePath;
  for (int n = 0; n < kRecordedSceneCount; n += SceneStride()) {
    SCOPED_TRACE(SceneFrameOf(n).Describe());
    EXPECT_EQ(Sha256Hex(RenderScene(Module(), n)), table.at(n));
  }
}

// The host's thread count changes nothing: a share of the scenes (the 4K
// ones among them) on 1, 2, 3 and 7 threads.
TEST_F(ModuleTest, RandomScenesRenderTheRecordedFramesOnAnyNumberOfThreads) {
  const std::map<int, std::string> table = ReadTable();
  ASSERT_EQ(table.size(), size_t(kRecordedSceneCount)) << kTablePath;
  for (const int threads : {1, 2, 3, 7}) {
    embedded::SetHostThreadCount(threads);
    for (int n = 0; n < kRecordedSceneCount; n += 4 * SceneStride()) {
      const int scene = n + 1;  // scenes 1 mod 4, so 17 mod 60 (4K) is among them
      SCOPED_TRACE(std::to_string(threads) + " threads, " + SceneFrameOf(scene).Describe());
      EXPECT_EQ(Sha256Hex(RenderScene(Module(), scene)), table.at(scene));
    }
  }
  embedded::SetHostThreadCount(0);
}

}  // namespace
}  // namespace harness
