// An input image as the command reads it: the file is decoded by OpenImageIO
// and converted by our code into a layer, then to the other depth as --depth
// does. The first input byte picks the file's extension (PNG, TIFF, OpenEXR,
// JPEG, DPX), the rest is the file. A refusal must be a UsageError; any other
// exception, crash or sanitizer report is a fault.
#include <unistd.h>
#include <zlib.h>

#include <OpenImageIO/imageio.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "app/media/ImageFiles.h"
#include "app/media/ImageIo.h"

namespace {

// Writes every PNG chunk's CRC anew, so that a mutated header or palette
// reaches the conversion instead of stopping at the decoder's checksum test.
void RepairPngChunkCrcs(std::vector<uint8_t>& file) {
  for (size_t at = 8; at + 12 <= file.size();) {
    const uint64_t length =
        uint64_t(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    if (length > file.size() - at - 12) break;
    const uLong crc = crc32(0, file.data() + at + 4, uInt(length + 4));
    for (int i = 0; i < 4; ++i) file[at + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    at += 12 + length;
  }
}

// The harness reads no image of more than 16 million samples: larger ones
// only test how much memory the machine has, not our conversion.
bool TooLargeForTheHarness(const std::string& path) {
  std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::create(path);
  OIIO::ImageSpec header;
  if (!in || !in->open(path, header)) return false;
  return uint64_t(header.width) * uint64_t(header.height) * uint64_t(header.depth) *
             uint64_t(header.nchannels) >
         (uint64_t(16) << 20);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  app::image_files::Library();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kExtensions[] = {"png", "tif", "exr", "jpg", "dpx"};
  const std::string extension = kExtensions[data[0] % 5];
  std::vector<uint8_t> file(data + 1, data + size);
  if (extension == "png") RepairPngChunkCrcs(file);
  const std::string path = "/tmp/lustre-fuzz-image-" + std::to_string(getpid()) + "." + extension;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
      std::fclose(out) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
  try {
    // The harness's own size probe opens the file with the library too, so
    // the header check that ReadImage makes first comes before it.
    app::CheckHeaderClaims(path, file.size());
    if (!TooLargeForTheHarness(path)) {
      const app::Layer layer = app::ReadImage(path);
      app::ConvertLayerDepth(layer, !layer.deep);
    }
  } catch (const app::UsageError&) {}
  // A crash leaves the file; libFuzzer keeps the input itself besides.
  std::remove(path.c_str());
  return 0;
}
