// Our PNG writer checked against two decoders of its own files: OpenImageIO
// (libpng) and the ffmpeg command (its own PNG decoder), each asked for the
// samples as stored, for every channel layout at 8 and 16 bits.
#include <gtest/gtest.h>

#include <OpenImageIO/imageio.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/media/PngWriter.h"
#include "support/TestFiles.h"

namespace {

// Samples that reach both ends of the range and differ from their neighbours
// in every direction, so a swapped channel, a shifted row or a wrong filter
// shows.
std::vector<uint32_t> Samples(const app::PngFormat& f) {
  const uint32_t max = f.bits == 16 ? 65535u : 255u;
  std::vector<uint32_t> s;
  for (uint32_t y = 0; y < static_cast<uint32_t>(f.height); ++y) {
    for (uint32_t x = 0; x < static_cast<uint32_t>(f.width); ++x) {
      for (uint32_t c = 0; c < static_cast<uint32_t>(f.channels); ++c) {
        const uint32_t v = (x * 2654435761u + y * 40503u * (c + 1) + c * 977u) >> 7;
        s.push_back(x == 0 ? (y % 2 == 0 ? max : 0) : v % (max + 1));
      }
    }
  }
  return s;
}

// The samples as a decoder hands them out: bytes, or 16-bit big-endian.
std::string StoredBytes(const std::vector<uint32_t>& samples, int bits) {
  std::string bytes;
  for (uint32_t v : samples) {
    if (bits == 16) bytes.push_back(static_cast<char>(v >> 8));
    bytes.push_back(static_cast<char>(v));
  }
  return bytes;
}

std::vector<uint32_t> OiioSamples(const std::string& path) {
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::create(path);
  OIIO::ImageSpec header;
  if (!in || !in->open(path, header, config)) return {};
  const size_t n = static_cast<size_t>(header.width) * static_cast<size_t>(header.height) *
                   static_cast<size_t>(header.nchannels);
  std::vector<uint32_t> out;
  if (header.format.size() == 2) {
    std::vector<uint16_t> s(n);
    if (!in->read_image(0, 0, 0, header.nchannels, OIIO::TypeDesc::UINT16, s.data())) return {};
    out.assign(s.begin(), s.end());
  } else {
    std::vector<uint8_t> s(n);
    if (!in->read_image(0, 0, 0, header.nchannels, OIIO::TypeDesc::UINT8, s.data())) return {};
    out.assign(s.begin(), s.end());
  }
  return out;
}

std::string FfmpegBytes(const std::string& path, const char* pixel_format) {
  const std::string command = std::string("ffmpeg -v error -i '") + path +
                              "' -f rawvideo -pix_fmt " + pixel_format + " - 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string bytes;
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) bytes.append(chunk, n);
  pclose(pipe);
  return bytes;
}

TEST(PngWriter, EveryLayoutDecodesToItsSamples) {
  // clang-format off
  const struct {
    int channels, bits, level;
    size_t max_idat;  // small values cut the stream across several chunks
    const char* ffmpeg_format;
  } cases[] = {
      {1, 8, 1, app::kMaxPngChunkData, "gray"},
      {2, 8, 0, app::kMaxPngChunkData, "ya8"},
      {3, 8, 6, app::kMaxPngChunkData, "rgb24"},
      {4, 8, 1, 97, "rgba"},
      {1, 16, 9, app::kMaxPngChunkData, "gray16be"},
      {2, 16, 1, app::kMaxPngChunkData, "ya16be"},
      {3, 16, 1, 1000, "rgb48be"},
      {4, 16, 1, app::kMaxPngChunkData, "rgba64be"}};
  // clang-format on
  testfiles::TempFolder folder;
  // One encoder for every case: what a larger file left in its buffers must
  // not reach the next.
  app::PngEncoder encoder;
  for (const auto& c : cases) {
    const app::PngFormat format{37, 11, c.channels, c.bits};
    const std::string name = std::string(c.ffmpeg_format) + ".png";
    SCOPED_TRACE(name);
    const std::vector<uint32_t> samples = Samples(format);
    const size_t row_samples = static_cast<size_t>(format.width * format.channels);
    const std::string bytes = StoredBytes(samples, c.bits);
    const std::string path = folder.File(name);
    const std::span<const uint8_t> file = encoder.Encode(
        format,
        [&](int y, uint8_t* row) {
          const size_t row_bytes = row_samples * static_cast<size_t>(c.bits / 8);
          bytes.copy(reinterpret_cast<char*>(row), row_bytes, static_cast<size_t>(y) * row_bytes);
        },
        c.level, c.max_idat);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    EXPECT_EQ(OiioSamples(path), samples) << OIIO::geterror();
    EXPECT_EQ(FfmpegBytes(path, c.ffmpeg_format), bytes);
  }
}

// Level 0 stores, 1 compresses, 9 compresses harder; the file appears only
// under its name (the temporary file is gone).
TEST(PngWriter, LevelsTradeTimeForSizeAndTheFileIsWrittenWhole) {
  testfiles::TempFolder folder;
  const app::PngFormat format{256, 64, 4, 8};
  const std::vector<uint32_t> samples = testfiles::PatternSamples(256, 64);
  const auto fill = [&](int y, uint8_t* row) {
    for (size_t i = 0; i < 256 * 4; ++i)
      row[i] = static_cast<uint8_t>(samples[static_cast<size_t>(y) * 256 * 4 + i]);
  };
  std::vector<size_t> sizes;
  app::PngEncoder encoder;
  for (int level : {0, 1, 9}) sizes.push_back(encoder.Encode(format, fill, level).size());
  EXPECT_GT(sizes[0], samples.size()) << "stored";
  EXPECT_LT(sizes[1], samples.size() / 2);
  EXPECT_LT(sizes[2], sizes[1]);
  app::WritePngFile(folder.File("f.png"), format, fill, 1);
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"f.png"});
  EXPECT_EQ(testfiles::ReadPng(folder.File("f.png")).samples, samples);
}

// Formats PNG cannot hold (or we do not write) are refused before any work.
TEST(PngWriter, RefusesFormatsItDoesNotWrite) {
  const app::PngFormat cases[] = {{0, 4, 4, 8}, {4, 0, 4, 8},  {4, 4, 0, 8},
                                  {4, 4, 5, 8}, {4, 4, 4, 12}, {4, 4, 4, 0}};
  app::PngEncoder encoder;
  for (const app::PngFormat& f : cases) {
    SCOPED_TRACE(std::to_string(f.width) + "x" + std::to_string(f.height) + " " +
                 std::to_string(f.channels) + "x" + std::to_string(f.bits));
    EXPECT_THROW(encoder.Encode(
                     f, [](int, uint8_t*) {}, 1),
                 std::invalid_argument);
  }
}

}  // namespace
