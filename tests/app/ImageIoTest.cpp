// The command's PNG reading, checked against files written with libpng
// directly. Refused inputs and the replacing of an existing output are
// checked end to end.
#include <gtest/gtest.h>
#include <png.h>

#include "TestFiles.h"
#include "app/ImageIo.h"

namespace {

// PNG -> channel: v = (p * 32768 + 32767) / 65535; channel -> PNG:
// p = (v * 65535 + 16384) >> 15. Worked out by hand.
TEST(PngSixteenBit, SampleMappingFollowsTheRoundedScales) {
  const struct { uint32_t png, channel; } to_channel[] = {
      {0, 0}, {1, 1}, {2, 1}, {32767, 16384}, {32768, 16384}, {65534, 32767}, {65535, 32768}};
  for (const auto& c : to_channel) EXPECT_EQ(app::Sample16ToChannel(c.png), c.channel) << c.png;
  const struct { uint32_t channel, png; } to_png[] = {
      {0, 0}, {1, 2}, {16384, 32768}, {32767, 65533}, {32768, 65535}};
  for (const auto& c : to_png) EXPECT_EQ(app::ChannelToSample16(c.channel), c.png) << c.channel;
}

// Every colour type becomes RGBA, opaque where the file has no alpha.
TEST(PngRead, EveryColourTypeBecomesRgba) {
  const struct {
    const char* name;
    int bit_depth, color_type;
    std::vector<uint32_t> samples;  // two pixels
    std::vector<uint8_t> palette;
    std::vector<uint32_t> trns;
    bool deep;
    PF_Pixel16 first, second;  // alpha, red, green, blue at the layer's depth
  } cases[] = {
      {"gray8", 8, PNG_COLOR_TYPE_GRAY, {7, 200}, {}, {}, false, {255, 7, 7, 7}, {255, 200, 200, 200}},
      // 1-bit gray expands 0/1 to 0/255.
      {"gray1", 1, PNG_COLOR_TYPE_GRAY, {1, 0}, {}, {}, false, {255, 255, 255, 255}, {255, 0, 0, 0}},
      {"grayalpha8", 8, PNG_COLOR_TYPE_GRAY_ALPHA, {9, 100, 250, 0}, {}, {}, false, {100, 9, 9, 9}, {0, 250, 250, 250}},
      {"rgb8", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {}, false, {255, 1, 2, 3}, {255, 4, 5, 6}},
      {"rgba8", 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false, {4, 1, 2, 3}, {8, 5, 6, 7}},
      // Palette entry 0 is half transparent through tRNS, entry 1 opaque.
      {"palette", 8, PNG_COLOR_TYPE_PALETTE, {1, 0}, {10, 20, 30, 40, 50, 60}, {128}, false, {255, 40, 50, 60}, {128, 10, 20, 30}},
      // A tRNS colour in an RGB file makes exactly that colour transparent.
      {"rgbtrns", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {4, 5, 6}, false, {255, 1, 2, 3}, {0, 4, 5, 6}},
      // 16 bits: 65535 -> 32768, 32768 -> 16384, 2 -> 1.
      {"rgb16", 16, PNG_COLOR_TYPE_RGB, {65535, 32768, 2, 0, 1, 65534}, {}, {}, true, {32768, 32768, 16384, 1}, {32768, 0, 1, 32767}},
      {"grayalpha16", 16, PNG_COLOR_TYPE_GRAY_ALPHA, {65535, 0, 0, 65535}, {}, {}, true, {0, 32768, 32768, 32768}, {32768, 0, 0, 0}}};
  testfiles::TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(std::string(c.name) + ".png");
    testfiles::WritePng(path, 2, 1, c.bit_depth, c.color_type, c.samples, c.palette, c.trns);
    const app::Layer layer = app::ReadImage(path);
    ASSERT_EQ(std::vector({layer.width, layer.height}), std::vector({2, 1}));
    ASSERT_EQ(layer.deep, c.deep);
    for (int x = 0; x < 2; ++x) {
      const PF_Pixel p = layer.deep ? PF_Pixel{} : layer.At8(x, 0);
      const PF_Pixel16 got = layer.deep ? layer.At16(x, 0) : PF_Pixel16{p.alpha, p.red, p.green, p.blue};
      const PF_Pixel16& want = x == 0 ? c.first : c.second;
      EXPECT_EQ(std::vector({got.alpha, got.red, got.green, got.blue}),
                std::vector({want.alpha, want.red, want.green, want.blue})) << "pixel " << x;
    }
  }
}

}  // namespace
