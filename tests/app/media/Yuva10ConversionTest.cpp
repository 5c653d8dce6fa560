// The converter against swscale set up as the video sink sets it up: the same
// 10-bit samples for every colour and alpha, and at any row width.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/media/FfmpegSupport.h"
#include "app/media/Yuva10Conversion.h"

namespace app {
namespace {

struct Planes {
  std::vector<uint16_t> samples[4];
};

// swscale's conversion of width x height ARGB pixels. Its vector code reads
// and writes whole blocks past a row's end, as into a frame's padding.
Planes BySwscale(std::vector<uint8_t> argb, int width, int height) {
  constexpr size_t kPadding = 64;
  const size_t count = argb.size() / 4;
  argb.resize(argb.size() + kPadding);
  const ffmpeg::ScalerPtr scaler =
      ffmpeg::OutputScaler(width, height, AV_PIX_FMT_ARGB, AV_PIX_FMT_YUVA444P10LE);
  Planes out;
  uint8_t* to[4];
  int to_strides[4];
  for (int p = 0; p < 4; ++p) {
    out.samples[p].resize(count + kPadding);
    to[p] = reinterpret_cast<uint8_t*>(out.samples[p].data());
    to_strides[p] = width * 2;
  }
  const uint8_t* from[4] = {argb.data(), nullptr, nullptr, nullptr};
  const int from_strides[4] = {width * 4, 0, 0, 0};
  sws_scale(scaler.get(), from, from_strides, 0, height, to, to_strides);
  for (std::vector<uint16_t>& plane : out.samples) plane.resize(count);
  return out;
}

Planes ByConverter(const std::vector<uint8_t>& argb, int width, int height) {
  const YuvWeights weights = LimitedRangeWeights(sws_getCoefficients(SWS_CS_ITU709));
  Planes out;
  for (std::vector<uint16_t>& plane : out.samples) plane.resize(argb.size() / 4);
  for (int y = 0; y < height; ++y) {
    const size_t first = static_cast<size_t>(y) * static_cast<size_t>(width);
    ArgbToYuva10(argb.data() + 4 * first, width, weights,
                 {out.samples[0].data() + first, out.samples[1].data() + first,
                  out.samples[2].data() + first, out.samples[3].data() + first});
  }
  return out;
}

void ExpectSamePlanes(const Planes& expected, const Planes& got) {
  const char* const names[4] = {"Y", "U", "V", "A"};
  for (int p = 0; p < 4; ++p) {
    size_t differing = 0, first = 0;
    for (size_t i = expected.samples[p].size(); i-- > 0;) {
      if (expected.samples[p][i] != got.samples[p][i]) {
        ++differing;
        first = i;
      }
    }
    EXPECT_EQ(differing, 0u) << names[p] << " differs at " << differing << " pixels, first at pixel "
                             << first << ": swscale " << expected.samples[p][first] << ", ours "
                             << got.samples[p][first];
  }
}

TEST(Yuva10Conversion, EveryColourAndAlphaAsSwscale) {
  // Pixel i has colour i and alpha 7i mod 256, so every alpha comes with
  // every low byte of blue.
  constexpr int kSide = 4096;
  std::vector<uint8_t> argb(size_t{kSide} * kSide * 4);
  for (uint32_t i = 0; i < uint32_t{kSide} * kSide; ++i) {
    argb[4 * i] = static_cast<uint8_t>(i * 7);
    argb[4 * i + 1] = static_cast<uint8_t>(i >> 16);
    argb[4 * i + 2] = static_cast<uint8_t>(i >> 8);
    argb[4 * i + 3] = static_cast<uint8_t>(i);
  }
  ExpectSamePlanes(BySwscale(argb, kSide, kSide), ByConverter(argb, kSide, kSide));
}

// Rows shorter than a block of pixels, a block and its neighbours, and a
// width ending in a partial block.
class Yuva10ConversionWidth : public ::testing::TestWithParam<int> {};

TEST_P(Yuva10ConversionWidth, RowsOfAnyWidthAsSwscale) {
  const int width = GetParam(), height = 3;
  std::vector<uint8_t> argb(static_cast<size_t>(width) * height * 4);
  uint32_t state = 12345;
  for (uint8_t& byte : argb) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  ExpectSamePlanes(BySwscale(argb, width, height), ByConverter(argb, width, height));
}

INSTANTIATE_TEST_SUITE_P(Widths, Yuva10ConversionWidth, ::testing::Values(1, 7, 8, 9, 17, 1923));

}  // namespace
}  // namespace app
