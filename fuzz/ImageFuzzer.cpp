// An input image as the command reads it: the file's bytes are decoded by the
// image library and converted by our code into a layer. A refusal must be a
// UsageError; any other exception, crash or sanitizer report is a fault.
#include <unistd.h>

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "app/PngIo.h"

namespace {

// The harness reads no image of more than 4 megapixels: larger ones only test
// how much memory the machine has, not our conversion.
bool TooLargeForTheHarness(const uint8_t* data, size_t size) {
  if (size < 24) return false;
  const auto be32 = [&](size_t at) {
    return uint64_t(data[at]) << 24 | uint64_t(data[at + 1]) << 16 | uint64_t(data[at + 2]) << 8 | data[at + 3];
  };
  return be32(16) * be32(20) > (uint64_t(4) << 20);
}

// Writes every chunk's CRC anew, so that a mutated header or palette reaches
// the conversion instead of stopping at the decoder's checksum test.
std::vector<uint8_t> WithChunkCrcs(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint64_t length = uint64_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    if (length > file.size() - at - 12) break;
    const uLong crc = crc32(0, file.data() + at + 4, uInt(length + 4));
    for (int i = 0; i < 4; ++i) file[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + length;
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t size) {
  if (TooLargeForTheHarness(raw, size)) return 0;
  const std::vector<uint8_t> bytes = WithChunkCrcs(raw, size);
  static const std::string path = "/tmp/lustre-fuzz-image-" + std::to_string(getpid()) + ".png";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, size, file) != size || std::fclose(file) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  try {
    const app::Layer layer = app::ReadPng(path);
    // Both depth conversions of the command's --depth option.
    app::ConvertLayerDepth(layer, !layer.deep);
  } catch (const app::UsageError&) {
  }
  return 0;
}
