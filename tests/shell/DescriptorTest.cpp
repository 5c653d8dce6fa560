// The descriptor bytes read back field by field, with every expected value
// written out by hand from the property list the host expects.
#include "shell/Descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Little-endian reader over the descriptor; reading past the end fails the test.
class ByteReader {
 public:
  ByteReader(const unsigned char* bytes, unsigned int size) : bytes_(bytes), size_(size) {}

  uint32_t Byte() {
    EXPECT_LT(at_, size_) << "read past the end";
    return at_ < size_ ? bytes_[at_++] : 0u;
  }
  int32_t Int16() {
    const uint32_t lo = Byte();
    const uint32_t hi = Byte();
    return static_cast<int16_t>(lo | hi << 8);
  }
  int32_t Int32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      v |= Byte() << (8 * i);
    }
    return static_cast<int32_t>(v);
  }
  std::string Raw(unsigned int n) {
    std::string s;
    for (unsigned int i = 0; i < n; ++i) {
      s.push_back(static_cast<char>(Byte()));
    }
    return s;
  }
  unsigned int At() const { return at_; }

 private:
  const unsigned char* bytes_;
  unsigned int size_;
  unsigned int at_ = 0;
};

// One property as the host should read it: the stored (byte-reversed) key
// and the data bytes before padding, written out by hand.
struct ExpectedProperty {
  const char* storedKey;
  std::string data;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) {
    s.push_back(static_cast<char>(v));
  }
  return s;
}

const std::vector<ExpectedProperty>& ExpectedProperties() {
  static const std::vector<ExpectedProperty> kExpected = {
      {"dnik", "TKFe"},
      {"eman", std::string("\x0D") + "Lustre Strand" + Bytes({0, 0})},
      {"gtac", std::string("\x09") + "Ironbrook" + Bytes({0, 0})},
      {"68xw", std::string("PluginEntry") + Bytes({0})},
      {"RVPe", Bytes({2, 0, 0, 0})},
      {"RVSe", Bytes({12, 0, 2, 0})},
      {"REVe", Bytes({0x00, 0x0E, 0x12, 0x00})},
      {"FNIe", Bytes({0, 0})},
      {"OLGe", Bytes({0x40, 0x00, 0x00, 0x02})},
      {"ANMe", std::string("\x0F") + "QV_LUSTRESTRAND"},
      {"LFea", Bytes({8, 0, 0, 0})},
      {"DRea", Bytes({0, 0, 0, 0})},
  };
  return kExpected;
}

class DescriptorProperty : public ::testing::TestWithParam<int> {};

TEST_P(DescriptorProperty, RecordReadsBackAsTabled) {
  unsigned int size = 0;
  const unsigned char* bytes = descriptor::DescriptorBytes(&size);
  ByteReader reader(bytes, size);
  reader.Raw(10);  // header
  const int wanted = GetParam();
  for (int i = 0; i <= wanted; ++i) {
    const std::string vendor = reader.Raw(4);
    const std::string key = reader.Raw(4);
    const int32_t id = reader.Int32();
    const int32_t length = reader.Int32();
    ASSERT_GE(length, 0);
    const std::string data = reader.Raw(static_cast<unsigned int>(length));
    const std::string padding = reader.Raw((4u - static_cast<unsigned int>(length) % 4u) % 4u);
    if (i != wanted) {
      continue;
    }
    const ExpectedProperty& expected = ExpectedProperties()[static_cast<size_t>(i)];
    EXPECT_EQ(vendor, "MIB8");
    EXPECT_EQ(key, expected.storedKey);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(static_cast<size_t>(length), expected.data.size());
    EXPECT_EQ(data, expected.data);
    EXPECT_EQ(padding, std::string(padding.size(), '\0'));
  }
}

INSTANTIATE_TEST_SUITE_P(EveryProperty, DescriptorProperty, ::testing::Range(0, 12),
                         [](const auto& info) {
                           std::string key = ExpectedProperties()[static_cast<size_t>(info.param)]
                                                 .storedKey;
                           return std::string(key.rbegin(), key.rend());
                         });

TEST(Descriptor, HeaderCountsTwelvePropertiesAndNothingFollowsThem) {
  unsigned int size = 0;
  const unsigned char* bytes = descriptor::DescriptorBytes(&size);
  ByteReader reader(bytes, size);
  EXPECT_EQ(reader.Int16(), 1);
  EXPECT_EQ(reader.Int32(), 0);
  EXPECT_EQ(reader.Int32(), 12);
  // 12 record headers of 16 bytes and the padded data lengths of the table.
  const unsigned int data = 4 + 16 + 12 + 12 + 4 + 4 + 4 + 4 + 4 + 16 + 4 + 4;
  EXPECT_EQ(size, 10u + 12u * 16u + data);
}

TEST(Descriptor, VersionWordPacksTwoFourOneRelease) {
  // 2 << 19 | 4 << 15 | 1 << 11 | 3 << 9 | 0
  const A_u_long expected = (2u << 19) | (4u << 15) | (1u << 11) | (3u << 9);
  EXPECT_EQ(expected, 0x00120E00u);
  EXPECT_EQ(descriptor::kVersionWord, expected);
  EXPECT_EQ(static_cast<uint32_t>(descriptor::kGlobalOutFlags), (1u << 25) | (1u << 6));
}

}  // namespace
