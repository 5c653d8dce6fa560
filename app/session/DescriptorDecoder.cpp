#include "app/session/DescriptorDecoder.h"

#include <cstdio>
#include <stdexcept>

namespace app {
namespace {

class ByteReader {
 public:
  explicit ByteReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  uint32_t U32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | bytes_[pos_ + static_cast<size_t>(i)];
    pos_ += 4;
    return v;
  }
  uint16_t U16() {
    Need(2);
    const uint16_t v = static_cast<uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  // Four-character codes are stored byte-reversed.
  std::string Code() {
    Need(4);
    std::string code(4, ' ');
    for (int i = 0; i < 4; ++i)
      code[static_cast<size_t>(i)] = static_cast<char>(bytes_[pos_ + 3 - static_cast<size_t>(i)]);
    pos_ += 4;
    return code;
  }
  std::vector<uint8_t> Bytes(size_t n) {
    Need(n);
    std::vector<uint8_t> out(bytes_.begin() + static_cast<long>(pos_),
                             bytes_.begin() + static_cast<long>(pos_ + n));
    pos_ += n;
    return out;
  }
  void Skip(size_t n) {
    Need(n);
    pos_ += n;
  }
  size_t Left() const { return bytes_.size() - pos_; }

 private:
  void Need(size_t n) const {
    if (bytes_.size() - pos_ < n) {
      throw std::runtime_error("descriptor ends early at byte " + std::to_string(pos_));
    }
  }
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

uint32_t LittleU32(const std::vector<uint8_t>& d) {
  return d.size() < 4 ? 0
                      : static_cast<uint32_t>(d[0] | d[1] << 8 | d[2] << 16) |
                            static_cast<uint32_t>(d[3]) << 24;
}

int LittleI16(const std::vector<uint8_t>& d, size_t at) {
  return d.size() < at + 2 ? 0 : static_cast<int16_t>(d[at] | d[at + 1] << 8);
}

// Quoted text of a Pascal string: a length byte, then the characters.
std::string PascalString(const std::vector<uint8_t>& d) {
  std::string text(1, '"');
  const size_t n = d.empty() ? 0 : (d[0] < d.size() ? d[0] : d.size() - 1);
  for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(d[i + 1]));
  text.push_back('"');
  return text;
}

// Quoted text of a zero-terminated string.
std::string CString(const std::vector<uint8_t>& d) {
  std::string text(1, '"');
  for (uint8_t c : d) {
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  text.push_back('"');
  return text;
}

std::string Hex32(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

const char* StageName(uint32_t stage) {
  switch (stage) {
    case 0: return "development";
    case 1: return "alpha";
    case 2: return "beta";
    default: return "release";
  }
}

// The version word packs major << 19 | minor << 15 | fix << 11 | stage << 9 | build.
std::string DescribeVersionWord(uint32_t v) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (version %u.%u.%u, stage %s, build %u)", Hex32(v).c_str(),
                (v >> 19) & 0x1F, (v >> 15) & 0xF, (v >> 11) & 0xF, StageName((v >> 9) & 0x3),
                v & 0x1FF);
  return text;
}

std::string DescribeGlobalFlags(uint32_t v) {
  std::string text = Hex32(v);
  std::string names;
  auto add = [&names](const char* name) {
    names += names.empty() ? name : std::string(", ") + name;
  };
  if (v & (1u << 25)) add("deep colour aware");
  if (v & (1u << 6)) add("uses output extent");
  if (v & ~((1u << 25) | (1u << 6))) add("other bits");
  return names.empty() ? text : text + " (" + names + ")";
}

std::string DescribeValue(const DescriptorProperty& p) {
  const std::string& k = p.key;
  if (k == "kind") {
    std::string code;
    for (int i = 3; i >= 0 && p.data.size() == 4; --i)
      code += static_cast<char>(p.data[static_cast<size_t>(i)]);
    return code + (code == "eFKT" ? " (an effect)" : "");
  }
  if (k == "name" || k == "catg" || k == "eMNA") return PascalString(p.data);
  if (k == "wx86") return CString(p.data);
  if (k == "ePVR" || k == "eSVR") {
    return std::to_string(LittleI16(p.data, 0)) + "." + std::to_string(LittleI16(p.data, 2));
  }
  if (k == "eVER") return DescribeVersionWord(LittleU32(p.data));
  if (k == "eGLO") return DescribeGlobalFlags(LittleU32(p.data));
  if (p.data.size() == 2) return std::to_string(LittleI16(p.data, 0));
  if (p.data.size() == 4) return std::to_string(LittleU32(p.data));
  std::string hex;
  for (uint8_t b : p.data) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X ", b);
    hex += byte;
  }
  return hex;
}

const char* KeyMeaning(const std::string& k) {
  if (k == "kind") return "kind";
  if (k == "name") return "name";
  if (k == "catg") return "category";
  if (k == "wx86") return "entry point";
  if (k == "ePVR") return "descriptor version";
  if (k == "eSVR") return "interface version";
  if (k == "eVER") return "version word";
  if (k == "eINF") return "info flags";
  if (k == "eGLO") return "global flags";
  if (k == "eMNA") return "match name";
  if (k == "aeFL") return "flags";
  if (k == "aeRD") return "reserved";
  return "";
}

}  // namespace

Descriptor DecodeDescriptor(const std::vector<uint8_t>& bytes) {
  ByteReader reader(bytes);
  Descriptor d;
  d.version = static_cast<int16_t>(reader.U16());
  d.reserved = static_cast<int32_t>(reader.U32());
  const uint32_t count = reader.U32();
  for (uint32_t i = 0; i < count; ++i) {
    DescriptorProperty p;
    p.vendor = reader.Code();
    p.key = reader.Code();
    p.id = static_cast<int32_t>(reader.U32());
    const uint32_t length = reader.U32();
    p.data = reader.Bytes(length);
    reader.Skip((4 - length % 4) % 4);
    d.properties.push_back(p);
  }
  if (reader.Left() != 0) {
    throw std::runtime_error("descriptor has " + std::to_string(reader.Left()) +
                             " bytes after its last property");
  }
  return d;
}

std::string DescribeDescriptor(const Descriptor& d) {
  char line[256];
  std::string text;
  std::snprintf(line, sizeof line, "version         %d\nreserved        %d\nproperties      %zu\n",
                d.version, d.reserved, d.properties.size());
  text += line;
  for (const DescriptorProperty& p : d.properties) {
    std::snprintf(line, sizeof line, "%s %s  %-19s %s\n", p.vendor.c_str(), p.key.c_str(),
                  KeyMeaning(p.key), DescribeValue(p).c_str());
    text += line;
  }
  return text;
}

}  // namespace app
