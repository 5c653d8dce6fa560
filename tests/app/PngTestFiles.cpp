#include "PngTestFiles.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

namespace testpng {
namespace {

int ChannelsOf(int color_type) {
  switch (color_type) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    case PNG_COLOR_TYPE_PALETTE: return 1;
    default: return 0;
  }
}

std::vector<uint8_t> PackRow(const uint32_t* samples, size_t count, int bit_depth) {
  std::vector<uint8_t> row((count * static_cast<size_t>(bit_depth) + 7) / 8, 0);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = samples[i];
    if (bit_depth == 16) {
      row[2 * i] = static_cast<uint8_t>(v >> 8);
      row[2 * i + 1] = static_cast<uint8_t>(v);
    } else if (bit_depth == 8) {
      row[i] = static_cast<uint8_t>(v);
    } else {
      const size_t bit = i * static_cast<size_t>(bit_depth);
      const int shift = 8 - bit_depth - static_cast<int>(bit % 8);
      row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | v << shift);
    }
  }
  return row;
}

}  // namespace

void WritePng(const std::string& path, uint32_t width, uint32_t height, int bit_depth,
              int color_type, const std::vector<uint32_t>& samples,
              const std::vector<uint8_t>& palette, const std::vector<uint32_t>& trns) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fclose(file);
    throw std::runtime_error("libpng failed writing " + path);
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, bit_depth, color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> colors;
  for (size_t i = 0; i + 2 < palette.size(); i += 3) {
    colors.push_back({palette[i], palette[i + 1], palette[i + 2]});
  }
  if (!colors.empty()) png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
  std::vector<png_byte> alphas;
  png_color_16 trans_color{};
  if (!trns.empty()) {
    if (color_type == PNG_COLOR_TYPE_PALETTE) {
      for (uint32_t a : trns) alphas.push_back(static_cast<png_byte>(a));
      png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    } else {
      if (trns.size() == 1) trans_color.gray = static_cast<png_uint_16>(trns[0]);
      if (trns.size() == 3) {
        trans_color.red = static_cast<png_uint_16>(trns[0]);
        trans_color.green = static_cast<png_uint_16>(trns[1]);
        trans_color.blue = static_cast<png_uint_16>(trns[2]);
      }
      png_set_tRNS(png, info, nullptr, 0, &trans_color);
    }
  }
  png_write_info(png, info);
  const size_t per_row = static_cast<size_t>(width) * static_cast<size_t>(ChannelsOf(color_type));
  for (uint32_t y = 0; y < height; ++y) {
    std::vector<uint8_t> row = PackRow(samples.data() + y * per_row, per_row, bit_depth);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

RawPng ReadPng(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw std::runtime_error("cannot open " + path);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fclose(file);
    throw std::runtime_error("libpng failed reading " + path);
  }
  png_init_io(png, file);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  RawPng raw;
  raw.width = png_get_image_width(png, info);
  raw.height = png_get_image_height(png, info);
  raw.bit_depth = png_get_bit_depth(png, info);
  raw.color_type = png_get_color_type(png, info);
  raw.channels = png_get_channels(png, info);
  png_bytepp rows = png_get_rows(png, info);
  const size_t per_row = static_cast<size_t>(raw.width) * static_cast<size_t>(raw.channels);
  for (uint32_t y = 0; y < raw.height; ++y) {
    for (size_t i = 0; i < per_row; ++i) {
      raw.samples.push_back(raw.bit_depth == 16
                                ? static_cast<uint32_t>(rows[y][2 * i] << 8 | rows[y][2 * i + 1])
                                : rows[y][i]);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return raw;
}

}  // namespace testpng
