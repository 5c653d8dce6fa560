#include "app/PngIo.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "Common/PixelTraits.h"
#include "app/AppErrors.h"

namespace app {
namespace {

// libpng reports errors through a callback that must not return. It copies the
// message here and longjmps back to the setjmp of the function that made the
// failing call. Those functions hold no object with a destructor, so the jump
// skips nothing that needs cleaning up; the png structures themselves are
// owned by the RAII holders below, outside the jump's reach.
struct PngErrorText {
  char text[256] = {};
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
  std::snprintf(error->text, sizeof error->text, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct ReadHolder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadHolder() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteHolder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteHolder() { png_destroy_write_struct(&png, &info); }
};

struct FileCloser {
  FILE* file = nullptr;
  ~FileCloser() {
    if (file) std::fclose(file);
  }
};

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int bit_depth;  // 8 or 16 after the transforms
  size_t rowbytes;
};

// Reads the header and sets the transforms that turn every colour type into
// RGBA at 8 or 16 bits.
bool ReadHeaderAsRgba(ReadHolder& holder, FILE* file, PngHeader* header) {
  png_structp png = holder.png;
  png_infop info = holder.info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const int color_type = png_get_color_type(png, info);
  const int bit_depth = png_get_bit_depth(png, info);
  const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (has_trns) png_set_tRNS_to_alpha(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  if ((color_type & PNG_COLOR_MASK_ALPHA) == 0 && !has_trns) {
    png_set_add_alpha(png, bit_depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  header->bit_depth = png_get_bit_depth(png, info);
  header->rowbytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadRows(ReadHolder& holder, png_bytepp rows) {
  png_structp png = holder.png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

// The pixels of row y, PF_Pixel or PF_Pixel16 by the image's depth.
using RowPixels = std::function<const void*(int y)>;

void EncodeRow(const void* pixels, int width, bool deep, png_byte* row) {
  for (int x = 0; x < width; ++x) {
    if (deep) {
      const PF_Pixel16& p = static_cast<const PF_Pixel16*>(pixels)[x];
      const uint16_t samples[4] = {Channel16ToPngSample(p.red), Channel16ToPngSample(p.green),
                                   Channel16ToPngSample(p.blue), Channel16ToPngSample(p.alpha)};
      for (int c = 0; c < 4; ++c) {
        row[x * 8 + 2 * c] = static_cast<png_byte>(samples[c] >> 8);
        row[x * 8 + 2 * c + 1] = static_cast<png_byte>(samples[c] & 0xFF);
      }
    } else {
      const PF_Pixel& p = static_cast<const PF_Pixel*>(pixels)[x];
      row[x * 4 + 0] = p.red;
      row[x * 4 + 1] = p.green;
      row[x * 4 + 2] = p.blue;
      row[x * 4 + 3] = p.alpha;
    }
  }
}

// Writes one row at a time through `row`, a buffer of one encoded row.
bool WriteRows(WriteHolder& holder, FILE* file, int width, int height, bool deep,
               const RowPixels& pixels, png_byte* row) {
  png_structp png = holder.png;
  png_infop info = holder.info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               deep ? 16 : 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    EncodeRow(pixels(y), width, deep, row);
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

UsageError ReadFailure(const std::string& path, const char* what) {
  return UsageError("cannot read PNG file '" + path + "': " + what);
}

void DecodeRgbaRows(const std::vector<png_byte>& data, const PngHeader& header, Layer& layer) {
  for (png_uint_32 y = 0; y < header.height; ++y) {
    const png_byte* row = data.data() + y * header.rowbytes;
    for (png_uint_32 x = 0; x < header.width; ++x) {
      if (header.bit_depth == 16) {
        const png_byte* s = row + x * 8;
        auto sample = [s](int c) { return static_cast<uint32_t>(s[2 * c] << 8 | s[2 * c + 1]); };
        layer.At16(static_cast<int>(x), static_cast<int>(y)) = {
            PngSampleToChannel16(sample(3)), PngSampleToChannel16(sample(0)),
            PngSampleToChannel16(sample(1)), PngSampleToChannel16(sample(2))};
      } else {
        const png_byte* s = row + x * 4;
        layer.At8(static_cast<int>(x), static_cast<int>(y)) = {s[3], s[0], s[1], s[2]};
      }
    }
  }
}

std::vector<png_bytep> RowPointers(std::vector<png_byte>& data, size_t rowbytes, size_t height) {
  std::vector<png_bytep> rows(height);
  for (size_t y = 0; y < height; ++y) rows[y] = data.data() + y * rowbytes;
  return rows;
}

}  // namespace

Layer ReadPng(const std::string& path) {
  FileCloser input{std::fopen(path.c_str(), "rb")};
  if (!input.file) throw ReadFailure(path, std::strerror(errno));
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, input.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    throw ReadFailure(path, "not a PNG file");
  }
  PngErrorText error;
  ReadHolder holder;
  holder.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (holder.png) holder.info = png_create_info_struct(holder.png);
  if (!holder.png || !holder.info) throw ReadFailure(path, "out of memory");

  PngHeader header{};
  if (!ReadHeaderAsRgba(holder, input.file, &header)) {
    throw ReadFailure(path, (std::string("damaged PNG (") + error.text + ")").c_str());
  }
  if (header.width > static_cast<png_uint_32>(kMaxLayerSide) ||
      header.height > static_cast<png_uint_32>(kMaxLayerSide)) {
    throw UsageError("'" + path + "' is " + std::to_string(header.width) + "x" +
                     std::to_string(header.height) + " pixels; layers wider or taller than " +
                     std::to_string(kMaxLayerSide) + " pixels are refused");
  }
  std::vector<png_byte> data(header.rowbytes * header.height);
  std::vector<png_bytep> rows = RowPointers(data, header.rowbytes, header.height);
  if (!ReadRows(holder, rows.data())) {
    throw ReadFailure(path, (std::string("truncated or damaged PNG (") + error.text + ")").c_str());
  }
  Layer layer = Layer::Make(static_cast<int>(header.width), static_cast<int>(header.height),
                            header.bit_depth == 16);
  DecodeRgbaRows(data, header, layer);
  return layer;
}

namespace {

// A temporary file beside the destination, removed again unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& destination) : destination_(destination) {
    std::vector<char> name(destination.begin(), destination.end());
    static const char kSuffix[] = ".tmp-XXXXXX";
    name.insert(name.end(), kSuffix, kSuffix + sizeof kSuffix);
    const int fd = mkstemp(name.data());
    if (fd < 0) throw WriteFailure(std::strerror(errno));
    name_ = name.data();
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file_ = fdopen(fd, "wb");
    if (!file_) {
      close(fd);
      unlink(name_.c_str());
      throw WriteFailure(std::strerror(errno));
    }
  }
  ~TemporaryFile() {
    if (file_) std::fclose(file_);
    if (!committed_) unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  FILE* file() { return file_; }

  void Commit() {
    FILE* file = file_;
    file_ = nullptr;
    if (std::fflush(file) != 0 || fsync(fileno(file)) != 0) {
      const int saved = errno;
      std::fclose(file);
      throw WriteFailure(std::strerror(saved));
    }
    if (std::fclose(file) != 0) throw WriteFailure(std::strerror(errno));
    if (std::rename(name_.c_str(), destination_.c_str()) != 0) {
      throw WriteFailure(std::strerror(errno));
    }
    committed_ = true;
  }

  UsageError WriteFailure(const char* what) const {
    return UsageError("cannot write PNG file '" + destination_ + "': " + what);
  }

 private:
  std::string destination_;
  std::string name_;
  FILE* file_ = nullptr;
  bool committed_ = false;
};

}  // namespace

namespace {

void WriteImage(const std::string& path, int width, int height, bool deep,
                const RowPixels& pixels) {
  std::vector<png_byte> row(static_cast<size_t>(width) * (deep ? 8 : 4));
  TemporaryFile output(path);
  PngErrorText error;
  WriteHolder holder;
  holder.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (holder.png) holder.info = png_create_info_struct(holder.png);
  if (!holder.png || !holder.info) throw output.WriteFailure("out of memory");
  errno = 0;
  if (!WriteRows(holder, output.file(), width, height, deep, pixels, row.data())) {
    // libpng reports a failed fwrite as "Write Error"; errno holds the cause
    // (a full disk, a file-size limit).
    const bool io_failed = std::ferror(output.file()) && errno != 0;
    throw output.WriteFailure(io_failed ? std::strerror(errno) : error.text);
  }
  output.Commit();
}

}  // namespace

void WritePng(const std::string& path, const Layer& layer) {
  const size_t width = static_cast<size_t>(layer.width);
  WriteImage(path, layer.width, layer.height, layer.deep, [&layer, width](int y) -> const void* {
    const size_t start = static_cast<size_t>(y) * width;
    return layer.deep ? static_cast<const void*>(layer.pixels16.data() + start)
                      : static_cast<const void*>(layer.pixels8.data() + start);
  });
}

void WritePng(const std::string& path, const PF_EffectWorld& world) {
  WriteImage(path, world.width, world.height, IsDeep(world), [&world](int y) -> const void* {
    return static_cast<const char*>(world.data) + static_cast<intptr_t>(y) * world.rowbytes;
  });
}

}  // namespace app
