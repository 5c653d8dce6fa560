// Decoding of damaged descriptor resources assembled by hand in the test.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/DescriptorDecoder.h"

namespace {

class Bytes {
 public:
  Bytes& U16(uint16_t v) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  // Codes are stored byte-reversed.
  Bytes& Code(const char* c) {
    for (int i = 3; i >= 0; --i) data.push_back(static_cast<uint8_t>(c[i]));
    return *this;
  }
  Bytes& Raw(std::initializer_list<uint8_t> bytes) {
    data.insert(data.end(), bytes);
    return *this;
  }
  Bytes& Property(const char* key, std::initializer_list<uint8_t> payload) {
    Code("8BIM").Code(key).U32(0).U32(static_cast<uint32_t>(payload.size())).Raw(payload);
    while (data.size() % 4 != 2) data.push_back(0);  // the header is 10 bytes long
    return *this;
  }
  std::vector<uint8_t> data;
};

// Three properties: kind, name and version word.
std::vector<uint8_t> SmallDescriptor() {
  Bytes b;
  b.U16(1).U32(0).U32(3);
  b.Property("kind", {'T', 'K', 'F', 'e'});
  b.Property("name", {3, 'A', 'b', 'c'});
  b.Property("eVER", {0x00, 0x0E, 0x12, 0x00});
  return b.data;
}

// The module's real descriptor is decoded by the end-to-end tests; here only
// the damaged forms a module could hand out.
struct BrokenCase {
  const char* name;
  size_t keep;  // bytes kept of the small descriptor
  int extra;    // bytes appended
};

class BrokenDescriptor : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenDescriptor, IsRefused) {
  std::vector<uint8_t> bytes = SmallDescriptor();
  bytes.resize(GetParam().keep);
  bytes.insert(bytes.end(), static_cast<size_t>(GetParam().extra), 0);
  EXPECT_THROW(app::DecodeDescriptor(bytes), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenDescriptor,
                         testing::Values(BrokenCase{"empty", 0, 0}, BrokenCase{"header_only", 10, 0},
                                         BrokenCase{"cut_in_payload", 28, 0},
                                         BrokenCase{"trailing_bytes", 70, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
