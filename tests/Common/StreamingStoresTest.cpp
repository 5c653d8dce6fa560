// Streamed copies and fills write exactly the bytes of an ordinary copy or
// fill, whatever the alignment of the destination and the length of the run,
// and nothing on either side of it.
#include "Common/StreamingStores.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kGuard = 32;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}

TEST(StreamingStores, CopyMatchesMemcpyAtEveryOffsetAndLength) {
  const std::vector<uint8_t> from = Pattern(300, 1);
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t bytes : {0u, 1u, 15u, 16u, 17u, 63u, 64u, 65u, 127u, 200u, 255u}) {
      std::vector<uint8_t> got = Pattern(bytes + offset + 2 * kGuard, 99);
      std::vector<uint8_t> want = got;
      StreamCopy(got.data() + kGuard + offset, from.data() + 3, bytes);
      std::memcpy(want.data() + kGuard + offset, from.data() + 3, bytes);
      ASSERT_EQ(got, want) << "offset " << offset << ", " << bytes << " bytes";
    }
  }
}

TEST(StreamingStores, FillMatchesAPixelLoopAtEveryOffsetAndCount) {
  const uint8_t value[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (size_t valueBytes : {4u, 8u}) {
    for (size_t offset = 0; offset < 16; ++offset) {
      for (size_t count : {0u, 1u, 3u, 4u, 5u, 9u, 16u, 33u, 70u}) {
        std::vector<uint8_t> got = Pattern(count * valueBytes + offset + 2 * kGuard, 50);
        std::vector<uint8_t> want = got;
        StreamFill(got.data() + kGuard + offset, count, value, valueBytes);
        for (size_t i = 0; i < count; ++i) {
          std::memcpy(want.data() + kGuard + offset + i * valueBytes, value, valueBytes);
        }
        ASSERT_EQ(got, want) << valueBytes << "-byte value, offset " << offset << ", count "
                             << count;
      }
    }
  }
}

}  // namespace
