#include "app/ImageIo.h"

#include <sys/stat.h>

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "Common/PixelTraits.h"
#include "app/AppErrors.h"
#include "app/AtomicFile.h"

namespace app {
namespace {

UsageError ReadFailure(const std::string& path, const std::string& what) {
  return UsageError("cannot read image file '" + path + "': " + what);
}

// OpenImageIO's messages may span lines; ours take one.
std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
    text.replace(at, 1, "; ");
  }
  return text.empty() ? "unknown error" : text;
}

enum class SampleKind { k8, k16, kFloat };

SampleKind KindOf(const OIIO::TypeDesc& format) {
  if (format.is_floating_point()) return SampleKind::kFloat;
  return format.size() == 1 ? SampleKind::k8 : SampleKind::k16;
}

// Where each layer channel is found among a pixel's samples; alpha -1 when
// the file has none. Files with one or two channels are gray.
struct ChannelMap {
  int red, green, blue, alpha;
};

ChannelMap MapChannels(const OIIO::ImageSpec& spec) {
  int alpha = spec.alpha_channel;
  if (alpha < 0 && (spec.nchannels == 2 || spec.nchannels == 4)) alpha = spec.nchannels - 1;
  if (spec.nchannels < 3) return {0, 0, 0, alpha};
  return {0, 1, 2, alpha};
}

// A float sample, clamped to 0..1, as a 16-bit channel.
A_u_short UnitToChannel(double v) {
  const double clamped = std::clamp(v, 0.0, 1.0);
  return static_cast<A_u_short>(std::floor(clamped * 32768.0 + 0.5));
}

PF_Pixel16 FloatPixel(const float* s, const ChannelMap& map, bool associated) {
  const double a = map.alpha < 0 ? 1.0 : std::clamp(static_cast<double>(s[map.alpha]), 0.0, 1.0);
  const auto colour = [&](int c) {
    const double v = s[c];
    if (!associated) return UnitToChannel(v);
    return a > 0.0 ? UnitToChannel(v / static_cast<double>(s[map.alpha])) : A_u_short{0};
  };
  return {UnitToChannel(a), colour(map.red), colour(map.green), colour(map.blue)};
}

template <typename T>
std::vector<T> ReadSamples(OIIO::ImageInput& in, const std::string& path, OIIO::TypeDesc type) {
  const OIIO::ImageSpec& spec = in.spec();
  std::vector<T> samples(static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height) *
                         static_cast<size_t>(spec.nchannels));
  if (!in.read_image(0, 0, 0, spec.nchannels, type, samples.data())) {
    throw ReadFailure(path, "truncated or damaged file (" + Trimmed(in.geterror()) + ")");
  }
  return samples;
}

Layer DecodeImage(OIIO::ImageInput& in, const std::string& path) {
  const OIIO::ImageSpec& spec = in.spec();
  const SampleKind kind = KindOf(spec.format);
  const ChannelMap map = MapChannels(spec);
  const size_t count = static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height);
  const size_t n = static_cast<size_t>(spec.nchannels);
  Layer layer = Layer::Make(spec.width, spec.height, kind != SampleKind::k8);
  if (kind == SampleKind::k8) {
    const std::vector<uint8_t> s = ReadSamples<uint8_t>(in, path, OIIO::TypeDesc::UINT8);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = &s[i * n];
      layer.pixels8[i] = {map.alpha < 0 ? A_u_char{255} : p[map.alpha], p[map.red], p[map.green],
                          p[map.blue]};
    }
  } else if (kind == SampleKind::k16) {
    const std::vector<uint16_t> s = ReadSamples<uint16_t>(in, path, OIIO::TypeDesc::UINT16);
    for (size_t i = 0; i < count; ++i) {
      const uint16_t* p = &s[i * n];
      layer.pixels16[i] = {map.alpha < 0 ? A_u_short{32768} : Sample16ToChannel(p[map.alpha]),
                           Sample16ToChannel(p[map.red]), Sample16ToChannel(p[map.green]),
                           Sample16ToChannel(p[map.blue])};
    }
  } else {
    const bool associated = std::strcmp(in.format_name(), "openexr") == 0;
    const std::vector<float> s = ReadSamples<float>(in, path, OIIO::TypeDesc::FLOAT);
    for (size_t i = 0; i < count; ++i) layer.pixels16[i] = FloatPixel(&s[i * n], map, associated);
  }
  return layer;
}

// ---- Writing ---------------------------------------------------------------------

// The world's pixels as interleaved samples of the file: `channels` (3 or 4)
// per pixel in R, G, B, A order.
std::vector<uint8_t> Samples8(const PF_EffectWorld& world, int channels) {
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(world.width) * static_cast<size_t>(world.height) * 4);
  for (A_long y = 0; y < world.height; ++y) {
    const PF_Pixel* row = PixelAt<PF_Pixel>(world, 0, y);
    for (A_long x = 0; x < world.width; ++x) {
      out.insert(out.end(), {row[x].red, row[x].green, row[x].blue});
      if (channels == 4) out.push_back(row[x].alpha);
    }
  }
  return out;
}

// A pixel of either depth as a 16-bit pixel, 8-bit ones by the effect's rule.
PF_Pixel16 Pixel16At(const PF_EffectWorld& world, A_long x, A_long y) {
  return IsDeep(world) ? PixelAt<PF_Pixel16>(world, x, y)[0]
                       : ConvertPixel8To16(PixelAt<PF_Pixel>(world, x, y)[0]);
}

std::vector<uint16_t> Samples16(const PF_EffectWorld& world, int channels) {
  std::vector<uint16_t> out;
  out.reserve(static_cast<size_t>(world.width) * static_cast<size_t>(world.height) * 4);
  for (A_long y = 0; y < world.height; ++y) {
    const PF_Pixel16* row = PixelAt<PF_Pixel16>(world, 0, y);
    for (A_long x = 0; x < world.width; ++x) {
      out.insert(out.end(), {ChannelToSample16(row[x].red), ChannelToSample16(row[x].green),
                             ChannelToSample16(row[x].blue)});
      if (channels == 4) out.push_back(ChannelToSample16(row[x].alpha));
    }
  }
  return out;
}

// Associated alpha: colour v / 32768 multiplied by alpha, in double, stored
// as float.
std::vector<float> SamplesFloat(const PF_EffectWorld& world, int channels) {
  std::vector<float> out;
  out.reserve(static_cast<size_t>(world.width) * static_cast<size_t>(world.height) * 4);
  for (A_long y = 0; y < world.height; ++y) {
    for (A_long x = 0; x < world.width; ++x) {
      const PF_Pixel16 p = Pixel16At(world, x, y);
      const double a = channels == 4 ? p.alpha / 32768.0 : 1.0;
      for (A_u_short c : {p.red, p.green, p.blue}) out.push_back(static_cast<float>(c / 32768.0 * a));
      if (channels == 4) out.push_back(static_cast<float>(a));
    }
  }
  return out;
}

std::unique_ptr<OIIO::ImageOutput> CreateOutput(const std::string& path) {
  std::unique_ptr<OIIO::ImageOutput> out = OIIO::ImageOutput::create(path);
  if (!out) {
    throw UsageError("cannot write image file '" + path + "': " + Trimmed(OIIO::geterror()) +
                     " (write .png, .tif, .exr, .jpg or .dpx)");
  }
  return out;
}

}  // namespace

void ConfigureImageLibrary() {
  OIIO::attribute("threads", 1);
  OIIO::attribute("exr_threads", -1);
}

Layer ReadImage(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) throw ReadFailure(path, std::strerror(errno));
  if (S_ISDIR(status.st_mode)) throw ReadFailure(path, "it is a folder");
  OIIO::ImageSpec config;
  config.attribute("oiio:UnassociatedAlpha", 1);
  std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path, &config);
  if (!in) throw ReadFailure(path, "not an image file that can be read (" + Trimmed(OIIO::geterror()) + ")");
  const OIIO::ImageSpec& spec = in->spec();
  if (spec.width > kMaxLayerSide || spec.height > kMaxLayerSide) {
    throw UsageError("'" + path + "' is " + std::to_string(spec.width) + "x" +
                     std::to_string(spec.height) + " pixels; layers wider or taller than " +
                     std::to_string(kMaxLayerSide) + " pixels are refused");
  }
  if (spec.width < 1 || spec.height < 1 || spec.nchannels < 1) {
    throw ReadFailure(path, "the image is empty");
  }
  return DecodeImage(*in, path);
}

void CheckWritableFormat(const std::string& path) { CreateOutput(path); }

void WriteImage(const std::string& path, const PF_EffectWorld& world,
                const ImageWriteOptions& options) {
  std::unique_ptr<OIIO::ImageOutput> out = CreateOutput(path);
  const bool exr = std::strcmp(out->format_name(), "openexr") == 0;
  const int channels = out->supports("alpha") ? 4 : 3;
  const SampleKind kind = exr ? SampleKind::kFloat : IsDeep(world) ? SampleKind::k16 : SampleKind::k8;
  const OIIO::TypeDesc type = kind == SampleKind::kFloat ? OIIO::TypeDesc::FLOAT
                              : kind == SampleKind::k16  ? OIIO::TypeDesc::UINT16
                                                         : OIIO::TypeDesc::UINT8;
  OIIO::ImageSpec spec(world.width, world.height, channels, type);
  spec.alpha_channel = channels == 4 ? 3 : -1;
  if (!exr) spec.attribute("oiio:UnassociatedAlpha", 1);
  spec.attribute("png:compressionLevel", options.png_compression);

  AtomicFile file(path);
  bool written = out->open(file.TemporaryPath(), spec);
  if (written && kind == SampleKind::k8) written = out->write_image(type, Samples8(world, channels).data());
  if (written && kind == SampleKind::k16) written = out->write_image(type, Samples16(world, channels).data());
  if (written && kind == SampleKind::kFloat) {
    written = out->write_image(type, SamplesFloat(world, channels).data());
  }
  if (written) written = out->close();
  if (!written) {
    const std::string error = Trimmed(out->geterror());
    out->close();
    throw UsageError(file.Failure(error));
  }
  file.Commit();
}

}  // namespace app
