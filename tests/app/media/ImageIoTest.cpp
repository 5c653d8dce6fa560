// The command's image files: PNG reading checked against files written with
// libpng directly, and round trips through TIFF, PNG and OpenEXR with the
// stored samples read back by OpenImageIO without our conversion. Refused
// inputs and the replacing of an existing output are checked end to end.
#include <gtest/gtest.h>
#include <png.h>

#include <OpenImageIO/imageio.h>

#include <cmath>

#include "app/media/ImageIo.h"
#include "host/embedded/EmbeddedHost.h"
#include "support/TestFiles.h"

namespace {

// Every colour type becomes RGBA, opaque where the file has no alpha.
TEST(PngRead, EveryColourTypeBecomesRgba) {
  // clang-format off
  const struct {
    const char* name;
    int bit_depth, color_type;
    std::vector<uint32_t> samples;  // two pixels
    std::vector<uint8_t> palette;
    std::vector<uint32_t> trns;
    bool deep;
    PF_Pixel16 first, second;  // alpha, red, green, blue at the layer's depth
  } cases[] = {
      {"gray8", 8, PNG_COLOR_TYPE_GRAY, {7, 200}, {}, {}, false, {255, 7, 7, 7},
       {255, 200, 200, 200}},
      // 1-bit gray expands 0/1 to 0/255.
      {"gray1", 1, PNG_COLOR_TYPE_GRAY, {1, 0}, {}, {}, false, {255, 255, 255, 255},
       {255, 0, 0, 0}},
      {"grayalpha8", 8, PNG_COLOR_TYPE_GRAY_ALPHA, {9, 100, 250, 0}, {}, {}, false, {100, 9, 9, 9},
       {0, 250, 250, 250}},
      {"rgb8", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {}, false, {255, 1, 2, 3},
       {255, 4, 5, 6}},
      {"rgba8", 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4, 5, 6, 7, 8}, {}, {}, false, {4, 1, 2, 3},
       {8, 5, 6, 7}},
      // Palette entry 0 is half transparent through tRNS, entry 1 opaque.
      {"palette", 8, PNG_COLOR_TYPE_PALETTE, {1, 0}, {10, 20, 30, 40, 50, 60}, {128}, false,
       {255, 40, 50, 60}, {128, 10, 20, 30}},
      // A tRNS colour in an RGB file makes exactly that colour transparent.
      {"rgbtrns", 8, PNG_COLOR_TYPE_RGB, {1, 2, 3, 4, 5, 6}, {}, {4, 5, 6}, false, {255, 1, 2, 3},
       {0, 4, 5, 6}},
      // 16 bits, p -> (p * 32768 + 32767) / 65535: 65535 -> 32768, 32768 -> 16384,
      // 65534 -> 32767, 2 -> 1, 1 -> 1.
      {"rgb16", 16, PNG_COLOR_TYPE_RGB, {65535, 32768, 2, 0, 1, 65534}, {}, {}, true,
       {32768, 32768, 16384, 1}, {32768, 0, 1, 32767}},
      {"grayalpha16", 16, PNG_COLOR_TYPE_GRAY_ALPHA, {65535, 0, 0, 65535}, {}, {}, true,
       {0, 32768, 32768, 32768}, {32768, 0, 0, 0}}};
  // clang-format on
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
      const PF_Pixel16 got =
          layer.deep ? layer.At16(x, 0) : PF_Pixel16{p.alpha, p.red, p.green, p.blue};
      const PF_Pixel16& want = x == 0 ? c.first : c.second;
      EXPECT_EQ(std::vector({got.alpha, got.red, got.green, got.blue}),
                std::vector({want.alpha, want.red, want.green, want.blue}))
          << "pixel " << x;
    }
  }
}

// ---- Round trips -----------------------------------------------------------------------

// Channel i of a 16-bit test pixel: values spread over 0..32768, both ends
// included, with alpha 0 every seventh pixel.
PF_Pixel16 Pattern16(uint32_t i) {
  const auto v = [](uint32_t x) { return static_cast<A_u_short>(x % 32769u); };
  return {i % 7 == 0 ? A_u_short{0} : v(i * 4099u + 32768u), v(i * 37u),
          v(32768u - i * 53u % 32769u), v(i * 9001u)};
}

PF_Pixel Pattern8(uint32_t i) {
  return {static_cast<A_u_char>(i % 7 == 0 ? 0 : 255 - i % 256), static_cast<A_u_char>(i * 37),
          static_cast<A_u_char>(i * 11), static_cast<A_u_char>(i)};
}

// The stored samples as OpenImageIO reads them, alpha left as stored.
std::vector<float> StoredSamples(const std::string& path) {
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  auto in = OIIO::ImageInput::create(path, false, &config);
  OIIO::ImageSpec header;
  if (!in || !in->open(path, header, config)) {
    ADD_FAILURE() << "cannot open " << path;
    return {};
  }
  std::vector<float> samples(size_t(header.image_pixels()) * size_t(header.nchannels));
  in->read_image(0, 0, 0, header.nchannels, OIIO::TypeDesc::FLOAT, samples.data());
  return samples;
}

// A world written and read back. TIFF and PNG keep every 8- and 16-bit
// channel exactly, storing 16-bit v as (v * 65535 + 16384) >> 15. OpenEXR
// stores v / 32768 with colour multiplied by alpha (8-bit worlds by the
// effect's 8 -> 16 rule first) and reads back a 16-bit layer equal to the
// world, except that colour under zero alpha becomes 0.
TEST(ImageRoundTrip, TiffPngAndExrKeepEveryChannelWithinTheirMapping) {
  // clang-format off
  const struct { const char* extension; bool deep; } cases[] = {
      {"tif", false},
      {"tif", true},
      {"png", true},
      {"exr", true},
      {"exr", false}};
  // clang-format on
  testfiles::TempFolder folder;
  embedded::EmbeddedHost host;
  const int w = 181, h = 183;  // 33123 pixels: every 16-bit step pattern repeats
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.extension) + (c.deep ? " 16" : " 8"));
    PF_EffectWorld* world = host.CreateWorld(w, h, c.deep, true);
    std::vector<PF_Pixel16> expected;  // what the layer read back holds, at 16 bits
    for (uint32_t i = 0; i < uint32_t(w * h); ++i) {
      char* row = static_cast<char*>(world->data) + (i / w) * world->rowbytes;
      PF_Pixel16 p = Pattern16(i);
      if (c.deep) {
        reinterpret_cast<PF_Pixel16*>(row)[i % w] = p;
      } else {
        const PF_Pixel q = Pattern8(i);
        reinterpret_cast<PF_Pixel*>(row)[i % w] = q;
        const auto to16 = [](uint32_t v) { return A_u_short((v * 32768u + 128u) / 255u); };
        p = {to16(q.alpha), to16(q.red), to16(q.green), to16(q.blue)};
        if (std::string(c.extension) != "exr") p = {q.alpha, q.red, q.green, q.blue};
      }
      if (std::string(c.extension) == "exr" && p.alpha == 0) p.red = p.green = p.blue = 0;
      expected.push_back(p);
    }
    const std::string path = folder.File(std::string("round.") + c.extension);
    app::WriteImage(path, *world);
    const bool exr = std::string(c.extension) == "exr";
    const std::vector<float> stored = StoredSamples(path);
    const app::Layer layer = app::ReadImage(path);
    ASSERT_EQ(std::vector({layer.width, layer.height}), std::vector({w, h}));
    ASSERT_EQ(layer.deep, c.deep || exr);
    for (size_t i = 0; i < expected.size(); ++i) {
      const PF_Pixel16& e = expected[i];
      const PF_Pixel l8 = layer.deep ? PF_Pixel{} : layer.pixels8[i];
      const PF_Pixel16 got =
          layer.deep ? layer.pixels16[i] : PF_Pixel16{l8.alpha, l8.red, l8.green, l8.blue};
      ASSERT_EQ(std::vector({got.alpha, got.red, got.green, got.blue}),
                std::vector({e.alpha, e.red, e.green, e.blue}))
          << "pixel " << i;
      const float* s = &stored[i * 4];
      if (exr) {
        const double a = e.alpha / 32768.0;
        ASSERT_EQ(s[3], float(a)) << "pixel " << i;
        if (e.alpha > 0) { ASSERT_EQ(s[0], float(e.red / 32768.0 * a)) << "pixel " << i; }
      } else if (c.deep) {
        ASSERT_EQ(std::lround(s[1] * 65535.0), (e.green * 65535 + 16384) >> 15) << "pixel " << i;
      }
    }
  }
}

// Float samples outside 0..1 clamp, and a NaN reads as 0 (alpha 1, so the
// colour is divided by 1).
TEST(ImageRoundTrip, FloatSamplesClampAndNanReadsAsZero) {
  const float values[] = {std::nanf(""), -INFINITY, INFINITY, -0.5f, 2.0f, 0.25f};
  std::vector<float> samples;
  for (const float v : values) samples.insert(samples.end(), {v, 0.0f, 0.0f, 1.0f});
  testfiles::TempFolder folder;
  const std::string path = folder.File("special.exr");
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  ASSERT_TRUE(out && out->open(path, OIIO::ImageSpec(6, 1, 4, OIIO::TypeDesc::FLOAT)) &&
              out->write_image(OIIO::TypeDesc::FLOAT, samples.data()) && out->close());
  const app::Layer layer = app::ReadImage(path);
  std::vector<A_u_short> red;
  for (const PF_Pixel16& p : layer.pixels16) red.push_back(p.red);
  EXPECT_EQ(red, (std::vector<A_u_short>{0, 0, 32768, 0, 32768, 8192}));
}

// The extensions decided without loading the image library are decided as
// the library would decide them, in either case.
TEST(ImageFileKind, KnownExtensionsAgreeWithTheImageLibrary) {
  for (const app::KnownExtension& known : app::kKnownExtensions) {
    EXPECT_EQ(app::ImageLibraryReads(known.extension), known.image) << known.extension;
    std::string upper = known.extension;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(app::IsImageFile("/a.b/frame." + upper), known.image) << upper;
  }
  EXPECT_TRUE(app::IsImageFile("in.hdr"));  // not listed: the library decides
  EXPECT_FALSE(app::IsImageFile("in.m2ts"));
  EXPECT_FALSE(app::IsImageFile("folder.png/in"));
}

}  // namespace
