#include "app/media/PngCheck.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace app {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Walks the chunks (length, type, data, checksum) up to the end of the image
// data, which is as far as the reader goes: what follows it, even a missing
// or cut end chunk, is never read. A critical chunk (upper case first letter)
// with a wrong checksum is an error for libpng; an ancillary one only a
// warning, which OpenImageIO keeps quiet.
std::optional<PngDamage> WalkChunks(const std::vector<unsigned char>& file) {
  bool image_data_seen = false;
  for (size_t at = sizeof kSignature;;) {
    const size_t rest = file.size() - at;
    if (image_data_seen && rest < 8) return std::nullopt;
    if (rest < 8) return PngDamage{!image_data_seen, "Read error: hit end of file"};
    const uint32_t length = BigEndian32(&file[at]);
    const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
    if (type == "IDAT") {
      image_data_seen = true;
    } else if (image_data_seen) {
      return std::nullopt;
    }
    // Length, type and checksum take 12 bytes around the data.
    if (rest < 12 || length > rest - 12) {
      return PngDamage{!image_data_seen, type + ": Read error: hit end of file"};
    }
    const uint32_t stored = BigEndian32(&file[at + 8 + length]);
    const uLong computed = crc32(0, &file[at + 4], static_cast<uInt>(length) + 4);
    if ((type[0] & 0x20) == 0 && stored != computed) {
      return PngDamage{!image_data_seen, type + ": CRC error"};
    }
    at += 12 + static_cast<size_t>(length);
  }
}

// libpng's own checks of the header chunks (sizes, depths, colour types),
// with handlers that keep its messages instead of printing them.
struct HeaderReader {
  explicit HeaderReader(const std::vector<unsigned char>& bytes) : file(&bytes) {}
  const std::vector<unsigned char>* file;
  size_t at = 0;
  std::string error;
  std::jmp_buf jump;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<HeaderReader*>(png_get_io_ptr(png));
  if (count > reader->file->size() - reader->at) png_error(png, "Read error: hit end of file");
  std::memcpy(out, reader->file->data() + reader->at, count);
  reader->at += count;
}

[[noreturn]] void KeepError(png_structp png, png_const_charp message) {
  auto* reader = static_cast<HeaderReader*>(png_get_error_ptr(png));
  reader->error = message != nullptr ? message : "unknown error";
  std::longjmp(reader->jump, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

std::optional<PngDamage> CheckHeader(const std::vector<unsigned char>& file) {
  HeaderReader reader(file);
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, KeepError, IgnoreWarning);
  if (png == nullptr) return std::nullopt;
  png_infop info = png_create_info_struct(png);
  std::optional<PngDamage> damage;
  if (info != nullptr) {
    if (setjmp(reader.jump) == 0) {
      png_set_read_fn(png, &reader, ReadBytes);
      png_read_info(png, info);
    } else {
      damage = PngDamage{true, reader.error};
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return damage;
}

}  // namespace

std::optional<PngDamage> FindPngDamage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> file{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  if (file.size() < sizeof kSignature ||
      std::memcmp(file.data(), kSignature, sizeof kSignature) != 0) {
    return std::nullopt;
  }
  if (std::optional<PngDamage> damage = WalkChunks(file)) return damage;
  return CheckHeader(file);
}

}  // namespace app
