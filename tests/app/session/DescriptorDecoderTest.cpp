// Decoding of damaged descriptor resources assembled by hand in the test. The
// module's real descriptor is decoded by the end-to-end tests.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/session/DescriptorDecoder.h"

namespace {

using namespace std::string_literals;

TEST(BrokenDescriptor, IsRefused) {
  // Version 1, reserved 0, three properties: kind, name and version word, each
  // "8BIM", key (both stored byte-reversed), 0, length 4 and the data; 70 bytes.
  const std::string whole =
      "\1\0\0\0\0\0\3\0\0\0"
      "MIB8dnik\0\0\0\0\4\0\0\0TKFe"
      "MIB8eman\0\0\0\0\4\0\0\0\3Abc"
      "MIB8REVe\0\0\0\0\4\0\0\0\0\x0E\x12\0"s;
  ASSERT_EQ(whole.size(), 70u);
  // clang-format off
  const struct { const char* name; size_t keep, extra; } cases[] = {
      {"empty", 0, 0},
      {"header_only", 10, 0},
      {"cut_in_payload", 28, 0},
      {"trailing_bytes", 70, 4}};
  // clang-format on
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes(whole.begin(), whole.begin() + static_cast<long>(c.keep));
    bytes.resize(c.keep + c.extra, 0);
    EXPECT_THROW(app::DecodeDescriptor(bytes), std::runtime_error) << c.name;
  }
}

}  // namespace
