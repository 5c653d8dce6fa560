// Reads the module's descriptor resource (a little-endian property list) into
// its fields, and describes them one per line for the descriptor command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct DescriptorProperty {
  std::string vendor;  // as read, e.g. "8BIM"
  std::string key;     // as read, e.g. "eVER"
  int32_t id = 0;
  std::vector<uint8_t> data;  // `length` bytes, padding dropped
};

struct Descriptor {
  int16_t version = 0;
  int32_t reserved = 0;
  std::vector<DescriptorProperty> properties;
};

// Throws std::runtime_error when the bytes end early or the count is wrong.
Descriptor DecodeDescriptor(const std::vector<uint8_t>& bytes);

// One line per field, each property's value interpreted by its key.
std::string DescribeDescriptor(const Descriptor& descriptor);

}  // namespace app
