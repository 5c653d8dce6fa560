// PNG files for the tests, written and read with libpng directly (not through
// the command's own PNG code), so the tests check that code against libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testpng {

struct RawPng {
  uint32_t width = 0;
  uint32_t height = 0;
  int bit_depth = 0;
  int color_type = 0;
  int channels = 0;
  std::vector<uint32_t> samples;  // row-major, `channels` samples per pixel, as stored

  uint32_t At(uint32_t x, uint32_t y, int channel) const {
    return samples[(static_cast<size_t>(y) * width + x) * static_cast<size_t>(channels) +
                   static_cast<size_t>(channel)];
  }
};

// Writes `samples` (channels per pixel by colour type) as they are. For
// palette files `palette` holds RGB triples and `trns` the alpha of the first
// entries; for gray and RGB files `trns` (one sample, or three) marks a
// transparent colour.
void WritePng(const std::string& path, uint32_t width, uint32_t height, int bit_depth,
              int color_type, const std::vector<uint32_t>& samples,
              const std::vector<uint8_t>& palette = {}, const std::vector<uint32_t>& trns = {});

// Reads the samples exactly as stored (no transforms). Aborts the test on failure.
RawPng ReadPng(const std::string& path);

}  // namespace testpng
