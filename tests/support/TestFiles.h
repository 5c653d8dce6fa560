// Files for the tests: a folder of their own, and PNG files written and read
// with libpng directly (not through the command's own PNG code), so the tests
// check that code against libpng.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testfiles {

inline std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/lustre-cli-test-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> Files() const {  // the names inside, sorted
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

struct RawPng {
  uint32_t width = 0, height = 0;
  int bit_depth = 0, color_type = 0, channels = 0;
  std::vector<uint32_t> samples;  // row-major, `channels` samples per pixel, as stored

  uint32_t At(uint32_t x, uint32_t y, int channel) const {
    return samples[(size_t{y} * width + x) * static_cast<size_t>(channels) +
                   static_cast<size_t>(channel)];
  }
};

// Writes `samples` (one per channel of the colour type) as they are. Palette
// files: `palette` holds RGB triples and `trns` the alpha of the first
// entries; gray and RGB files: `trns` (one sample, or three) is the
// transparent colour.
inline void WritePng(const std::string& path, uint32_t width, uint32_t height, int bit_depth,
                     int color_type, const std::vector<uint32_t>& samples,
                     const std::vector<uint8_t>& palette = {},
                     const std::vector<uint32_t>& trns = {}) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng failed writing " + path);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, bit_depth, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> colors;
  for (size_t i = 0; i + 2 < palette.size(); i += 3)
    colors.push_back({palette[i], palette[i + 1], palette[i + 2]});
  if (!colors.empty()) png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
  // Palette files: the alphas of the first entries; others: the transparent colour.
  const std::vector<png_byte> alphas(trns.begin(), trns.end());
  const auto t = [&](size_t i) {
    return static_cast<png_uint_16>(trns.at(trns.size() == 3 ? i : 0));
  };
  png_color_16 color = trns.empty() ? png_color_16{} : png_color_16{0, t(0), t(1), t(2), t(0)};
  const bool palette_type = color_type == PNG_COLOR_TYPE_PALETTE;
  if (!trns.empty())
    png_set_tRNS(png, info, palette_type ? alphas.data() : nullptr,
                 palette_type ? int(alphas.size()) : 0, palette_type ? nullptr : &color);
  png_write_info(png, info);
  png_set_packing(png);         // below 8 bits: one byte a sample in, packed in the file
  std::vector<png_byte> bytes;  // 16 bits big-endian
  for (uint32_t v : samples)
    bit_depth == 16 ? bytes.insert(bytes.end(), {png_byte(v >> 8), png_byte(v)})
                    : bytes.insert(bytes.end(), png_byte(v));
  for (uint32_t y = 0; y < height; ++y)
    png_write_row(png, bytes.data() + y * (bytes.size() / height));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// Reads the samples exactly as stored (no transforms).
inline RawPng ReadPng(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open " + path);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng failed reading " + path);
  png_init_io(png, file);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  RawPng raw{png_get_image_width(png, info), png_get_image_height(png, info),
             png_get_bit_depth(png, info),   png_get_color_type(png, info),
             png_get_channels(png, info),    {}};
  png_bytepp rows = png_get_rows(png, info);
  for (uint32_t y = 0; y < raw.height; ++y) {
    for (size_t i = 0; i < size_t{raw.width} * static_cast<size_t>(raw.channels); ++i) {
      raw.samples.push_back(raw.bit_depth == 16 ? uint32_t{rows[y][2 * i]} << 8 | rows[y][2 * i + 1]
                                                : rows[y][i]);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return raw;
}

// An 8-bit RGBA layer whose colours and alpha vary with x and y, so that a
// pixel moved, a channel swapped or an alpha premultiplied shows.
inline std::vector<uint32_t> PatternSamples(uint32_t w, uint32_t h) {
  std::vector<uint32_t> s;
  for (uint32_t i = 0; i < w * h; ++i) {
    const uint32_t x = i % w, y = i / w;
    s.insert(s.end(), {(x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y) % 256,
                       255 - (x * 3 + y * 2) % 200});
  }
  return s;
}

inline void WritePattern(const std::string& path, uint32_t w, uint32_t h) {
  WritePng(path, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PatternSamples(w, h));
}

}  // namespace testfiles
