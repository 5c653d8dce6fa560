// The module's descriptor: the property list a host reads before it loads the
// module, and the identity values the entry point reports, from one table.
// The bytes are built at compile time, so handing them out allocates nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "host/sdk/EffectTypes.h"

namespace descriptor {

inline constexpr const char kEffectName[] = "Lustre Strand";
inline constexpr const char kCategory[] = "Ironbrook";
inline constexpr const char kEntryPointName[] = "PluginEntry";
// The identity of the effect in saved projects: never change it.
inline constexpr const char kMatchName[] = "QV_LUSTRESTRAND";
inline constexpr const char kInternalName[] = "LustreStrand";

inline constexpr int kMajorVersion = 2;
inline constexpr int kMinorVersion = 4;
inline constexpr int kFixVersion = 1;
inline constexpr int kStage = PF_Stage_RELEASE;
inline constexpr int kBuildVersion = 0;
inline constexpr A_u_long kVersionWord =
    PF_VERSION(kMajorVersion, kMinorVersion, kFixVersion, kStage, kBuildVersion);
inline constexpr A_long kGlobalOutFlags = PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_USE_OUTPUT_EXTENT;

// Descriptor format 2.0, written against effect interface 12.2.
inline constexpr int kDescriptorMajor = 2;
inline constexpr int kDescriptorMinor = 0;
inline constexpr int kInterfaceMajor = 12;
inline constexpr int kInterfaceMinor = 2;

// How a property's data is laid out.
enum class DataKind {
  kFourCharCode,  // four characters, stored byte-reversed
  kPascalString,  // length byte, the text, zero bytes up to the length
  kCString,       // the text, zero bytes up to the length
  kShortPair,     // two little-endian int16
  kShort,         // one little-endian int16
  kLong,          // one little-endian int32
};

struct Property {
  char key[5];       // as read, e.g. "kind"
  uint32_t length;   // bytes of data before padding
  DataKind kind;
  const char* text;  // code or string data
  int32_t first;     // number data
  int32_t second;
};

inline constexpr std::array<Property, 12> kProperties{{
    {"kind", 4, DataKind::kFourCharCode, "eFKT", 0, 0},
    {"name", 16, DataKind::kPascalString, kEffectName, 0, 0},
    {"catg", 12, DataKind::kPascalString, kCategory, 0, 0},
    {"wx86", 12, DataKind::kCString, kEntryPointName, 0, 0},
    {"ePVR", 4, DataKind::kShortPair, nullptr, kDescriptorMajor, kDescriptorMinor},
    {"eSVR", 4, DataKind::kShortPair, nullptr, kInterfaceMajor, kInterfaceMinor},
    {"eVER", 4, DataKind::kLong, nullptr, static_cast<int32_t>(kVersionWord), 0},
    {"eINF", 2, DataKind::kShort, nullptr, 0, 0},
    {"eGLO", 4, DataKind::kLong, nullptr, kGlobalOutFlags, 0},
    {"eMNA", 16, DataKind::kPascalString, kMatchName, 0, 0},
    {"aeFL", 4, DataKind::kLong, nullptr, 8, 0},
    {"aeRD", 4, DataKind::kLong, nullptr, 0, 0},
}};

inline constexpr char kVendor[] = "8BIM";
inline constexpr int kListVersion = 1;
inline constexpr std::size_t kHeaderSize = 2 + 4 + 4;
inline constexpr std::size_t kRecordHeaderSize = 4 + 4 + 4 + 4;

constexpr std::size_t PaddedLength(uint32_t length) { return (length + 3u) & ~std::size_t{3}; }

constexpr std::size_t DescriptorSize() {
  std::size_t size = kHeaderSize;
  for (const Property& p : kProperties) {
    size += kRecordHeaderSize + PaddedLength(p.length);
  }
  return size;
}

using Bytes = std::array<unsigned char, DescriptorSize()>;

namespace detail {

struct Writer {
  Bytes bytes{};
  std::size_t at = 0;

  constexpr void Byte(uint32_t v) { bytes[at++] = static_cast<unsigned char>(v & 0xFFu); }
  constexpr void Int16(int32_t v) {
    Byte(static_cast<uint32_t>(v));
    Byte(static_cast<uint32_t>(v) >> 8);
  }
  constexpr void Int32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    Byte(u);
    Byte(u >> 8);
    Byte(u >> 16);
    Byte(u >> 24);
  }
  // Four-character codes are stored last character first.
  constexpr void Reversed(const char* code) {
    for (int i = 3; i >= 0; --i) {
      Byte(static_cast<unsigned char>(code[i]));
    }
  }
  constexpr void ZeroUntil(std::size_t end) {
    while (at < end) {
      Byte(0);
    }
  }
};

constexpr std::size_t TextLength(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') {
    ++n;
  }
  return n;
}

constexpr void WriteData(Writer& w, const Property& p) {
  const std::size_t start = w.at;
  switch (p.kind) {
    case DataKind::kFourCharCode:
      w.Reversed(p.text);
      break;
    case DataKind::kPascalString: {
      const std::size_t n = TextLength(p.text);
      w.Byte(static_cast<uint32_t>(n));
      for (std::size_t i = 0; i < n; ++i) {
        w.Byte(static_cast<unsigned char>(p.text[i]));
      }
      break;
    }
    case DataKind::kCString: {
      const std::size_t n = TextLength(p.text);
      for (std::size_t i = 0; i < n; ++i) {
        w.Byte(static_cast<unsigned char>(p.text[i]));
      }
      break;
    }
    case DataKind::kShortPair:
      w.Int16(p.first);
      w.Int16(p.second);
      break;
    case DataKind::kShort:
      w.Int16(p.first);
      break;
    case DataKind::kLong:
      w.Int32(p.first);
      break;
  }
  // Zero bytes fill the declared length, then pad to a multiple of four.
  w.ZeroUntil(start + p.length);
  w.ZeroUntil(start + PaddedLength(p.length));
}

constexpr Bytes Encode() {
  Writer w;
  w.Int16(kListVersion);
  w.Int32(0);
  w.Int32(static_cast<int32_t>(kProperties.size()));
  for (const Property& p : kProperties) {
    w.Reversed(kVendor);
    w.Reversed(p.key);
    w.Int32(0);
    w.Int32(static_cast<int32_t>(p.length));
    WriteData(w, p);
  }
  return w.bytes;
}

}  // namespace detail

inline constexpr Bytes kBytes = detail::Encode();

// The descriptor bytes, and their count in *size when size is not null.
const unsigned char* DescriptorBytes(unsigned int* size);

}  // namespace descriptor
