// The command's PNG reading and writing, checked against files written and
// read with libpng directly.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "CliRunner.h"
#include "PngTestFiles.h"
#include "app/AppErrors.h"
#include "app/PngIo.h"

namespace {

namespace fs = std::filesystem;

using cli::TempFolder;

// ---- The 16-bit sample mapping, worked out by hand ------------------------------

struct SampleCase {
  uint32_t png;
  uint32_t channel;
};

class PngSampleToChannel : public testing::TestWithParam<SampleCase> {};

TEST_P(PngSampleToChannel, FollowsTheRoundedScale) {
  EXPECT_EQ(app::PngSampleToChannel16(GetParam().png), GetParam().channel);
}

// v = (p * 32768 + 32767) / 65535
INSTANTIATE_TEST_SUITE_P(Table, PngSampleToChannel,
                         testing::Values(SampleCase{0, 0}, SampleCase{1, 1}, SampleCase{2, 1},
                                         SampleCase{32767, 16384}, SampleCase{32768, 16384},
                                         SampleCase{65534, 32767}, SampleCase{65535, 32768}));

class ChannelToPngSample : public testing::TestWithParam<SampleCase> {};

TEST_P(ChannelToPngSample, FollowsTheRoundedScale) {
  EXPECT_EQ(app::Channel16ToPngSample(GetParam().channel), GetParam().png);
}

// p = (v * 65535 + 16384) >> 15
INSTANTIATE_TEST_SUITE_P(Table, ChannelToPngSample,
                         testing::Values(SampleCase{0, 0}, SampleCase{2, 1}, SampleCase{32768, 16384},
                                         SampleCase{65533, 32767}, SampleCase{65535, 32768}));

TEST(PngSixteenBit, EveryChannelValueSurvivesAFile) {
  TempFolder folder;
  // 182 x 181 = 32942 pixels: pixel i holds min(i, 32768).
  constexpr int width = 182, height = 181;
  auto value = [](int x, int y) { return std::min(y * width + x, 32768); };
  app::Layer layer = app::Layer::Make(width, height, true);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto c = static_cast<A_u_short>(value(x, y));
      layer.At16(x, y) = {static_cast<A_u_short>(32768 - c), c, c, c};
    }
  }
  const std::string path = folder.File("all.png");
  app::WritePng(path, layer);

  const testpng::RawPng raw = testpng::ReadPng(path);
  ASSERT_EQ(raw.bit_depth, 16);
  ASSERT_EQ(raw.color_type, PNG_COLOR_TYPE_RGB_ALPHA);
  const app::Layer back = app::ReadPng(path);
  ASSERT_TRUE(back.deep);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t v = static_cast<uint32_t>(value(x, y));
      const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
      ASSERT_EQ(raw.At(ux, uy, 0), (v * 65535u + 16384u) >> 15) << v;
      ASSERT_EQ(raw.At(ux, uy, 3), ((32768u - v) * 65535u + 16384u) >> 15) << v;
      ASSERT_EQ(back.At16(x, y).red, v);
      ASSERT_EQ(back.At16(x, y).blue, v);
      ASSERT_EQ(back.At16(x, y).alpha, 32768u - v);
    }
  }
}

// ---- Every colour type read into RGBA ---------------------------------------------

struct ColorTypeCase {
  const char* name;
  int bit_depth;
  int color_type;
  std::vector<uint32_t> samples;  // two pixels
  std::vector<uint8_t> palette;
  std::vector<uint32_t> trns;
  bool deep;
  PF_Pixel16 first;  // alpha, red, green, blue at the layer's depth
  PF_Pixel16 second;
};

class PngColorTypes : public testing::TestWithParam<ColorTypeCase> {};

TEST_P(PngColorTypes, BecomeRgbaWithOpaqueAlphaWhenMissing) {
  const ColorTypeCase& c = GetParam();
  TempFolder folder;
  const std::string path = folder.File(std::string(c.name) + ".png");
  testpng::WritePng(path, 2, 1, c.bit_depth, c.color_type, c.samples, c.palette, c.trns);
  const app::Layer layer = app::ReadPng(path);
  ASSERT_EQ(layer.width, 2);
  ASSERT_EQ(layer.height, 1);
  ASSERT_EQ(layer.deep, c.deep);
  const PF_Pixel16 expected[2] = {c.first, c.second};
  for (int x = 0; x < 2; ++x) {
    PF_Pixel16 got{};
    if (layer.deep) {
      got = layer.At16(x, 0);
    } else {
      const PF_Pixel& p = layer.At8(x, 0);
      got = {p.alpha, p.red, p.green, p.blue};
    }
    EXPECT_EQ(got.alpha, expected[x].alpha) << x;
    EXPECT_EQ(got.red, expected[x].red) << x;
    EXPECT_EQ(got.green, expected[x].green) << x;
    EXPECT_EQ(got.blue, expected[x].blue) << x;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PngColorTypes,
    testing::Values(
        ColorTypeCase{"gray8", 8, PNG_COLOR_TYPE_GRAY, {7, 200}, {}, {}, false,
                      {255, 7, 7, 7}, {255, 200, 200, 200}},
        // 1-bit gray expands 0/1 to 0/255.
        ColorTypeCase{"gray1", 1, PNG_COLOR_TYPE_GRAY, {1, 0}, {}, {}, false,
                      {255, 255, 255, 255}, {255, 0, 0, 0}},
        ColorTypeCase{"grayalpha8", 8, PNG_COLOR_TYPE_GRAY_ALPHA, {9, 100, 250, 0}, {}, {}, false,
                      {100, 9, 9, 9}, {0, 250, 250, 250}},
        ColorTypeCase{"rgb8", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {}, false,
                      {255, 1, 2, 3}, {255, 4, 5, 6}},
        ColorTypeCase{"rgba8", 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {},
                      false, {4, 1, 2, 3}, {8, 5, 6, 7}},
        // Palette entry 0 is half transparent through tRNS, entry 1 opaque.
        ColorTypeCase{"palette", 8, PNG_COLOR_TYPE_PALETTE, {1, 0}, {10, 20, 30, 40, 50, 60},
                      {128}, false, {255, 40, 50, 60}, {128, 10, 20, 30}},
        // A tRNS colour in an RGB file makes exactly that colour transparent.
        ColorTypeCase{"rgbtrns", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {4, 5, 6}, false,
                      {255, 1, 2, 3}, {0, 4, 5, 6}},
        // 16 bits: 65535 -> 32768, 32768 -> 16384, 2 -> 1.
        ColorTypeCase{"rgb16", 16, PNG_COLOR_TYPE_RGB, {65535, 32768, 2, 0, 1, 65534}, {}, {},
                      true, {32768, 32768, 16384, 1}, {32768, 0, 1, 32767}},
        ColorTypeCase{"grayalpha16", 16, PNG_COLOR_TYPE_GRAY_ALPHA, {65535, 0, 0, 65535}, {}, {},
                      true, {0, 32768, 32768, 32768}, {32768, 0, 0, 0}}),
    [](const testing::TestParamInfo<ColorTypeCase>& info) { return std::string(info.param.name); });

// ---- Failures name the file and leave nothing behind --------------------------------

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const app::UsageError& error) {
    return error.what();
  }
  return "(no UsageError)";
}

TEST(PngErrors, ReadingRefusesMissingNonPngTruncatedAndOversizedFiles) {
  TempFolder folder;
  const std::string missing = folder.File("missing.png");
  const std::string text = folder.File("text.png");
  std::ofstream(text) << "this is not an image\n";
  const std::string whole = folder.File("whole.png");
  std::vector<uint32_t> samples(64 * 64 * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint32_t>(i * 7919 % 256);
  testpng::WritePng(whole, 64, 64, 8, PNG_COLOR_TYPE_RGB, samples);
  const std::string cut = folder.File("cut.png");
  fs::copy_file(whole, cut);
  fs::resize_file(cut, fs::file_size(whole) / 2);
  const std::string wide = folder.File("wide.png");
  testpng::WritePng(wide, 30001, 1, 1, PNG_COLOR_TYPE_GRAY, std::vector<uint32_t>(30001, 0));

  struct Case {
    std::string path;
    std::string fragment;
  };
  const Case cases[] = {{missing, "No such file"},
                        {text, "not a PNG file"},
                        {cut, "truncated or damaged"},
                        {wide, "30000"}};
  for (const Case& c : cases) {
    const std::string message = MessageOf([&] { app::ReadPng(c.path); });
    EXPECT_NE(message.find(c.path), std::string::npos) << message;
    EXPECT_NE(message.find(c.fragment), std::string::npos) << message;
  }
}

TEST(PngErrors, WritingIntoAMissingFolderLeavesNoFile) {
  TempFolder folder;
  const std::string target = folder.File("no-such-folder/out.png");
  const std::string message =
      MessageOf([&] { app::WritePng(target, app::Layer::Make(4, 4, false)); });
  EXPECT_NE(message.find(target), std::string::npos) << message;
  EXPECT_EQ(folder.Files().size(), 0u);
}

TEST(PngWrite, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const std::string target = folder.File("out.png");
  std::ofstream(target) << "old";
  app::Layer layer = app::Layer::Make(3, 2, false);
  app::WritePng(target, layer);
  EXPECT_EQ(folder.Files().size(), 1u);
  EXPECT_EQ(testpng::ReadPng(target).width, 3u);
}

}  // namespace
