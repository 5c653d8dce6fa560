#include "app/media/ImageIo.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

#include "app/AppErrors.h"
#include "app/media/AtomicFile.h"
#include "app/media/ImageFiles.h"
#include "app/media/PngCheck.h"
#include "app/media/PngWriter.h"
#include "host/embedded/WorldPixels.h"
#include "host/sdk/PixelConversion.h"

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

using image_files::Header;
using image_files::SampleKind;

// Where each layer channel is found among a pixel's samples; alpha -1 when
// the file has none. Files with one or two channels are gray.
struct ChannelMap {
  int red, green, blue, alpha;
};

ChannelMap MapChannels(const Header& header) {
  int alpha = header.alpha_channel;
  if (alpha < 0 && (header.channels == 2 || header.channels == 4)) alpha = header.channels - 1;
  if (header.channels < 3) return {0, 0, 0, alpha};
  return {0, 1, 2, alpha};
}

// A float sample, clamped to 0..1, as a 16-bit channel; a NaN reads as 0
// (every comparison with it is false, so it takes the lower branch).
A_u_short UnitToChannel(double v) {
  const double clamped = v > 0.0 ? (v < 1.0 ? v : 1.0) : 0.0;
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

Layer DecodeImage(const Header& header, const std::vector<unsigned char>& bytes) {
  const ChannelMap map = MapChannels(header);
  const size_t count = static_cast<size_t>(header.width) * static_cast<size_t>(header.height);
  const size_t n = static_cast<size_t>(header.channels);
  Layer layer = Layer::Make(header.width, header.height, header.kind != SampleKind::k8);
  if (header.kind == SampleKind::k8) {
    const uint8_t* s = bytes.data();
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = &s[i * n];
      layer.pixels8[i] = {map.alpha < 0 ? A_u_char{255} : p[map.alpha], p[map.red], p[map.green],
                          p[map.blue]};
    }
  } else if (header.kind == SampleKind::k16) {
    const auto* s = reinterpret_cast<const uint16_t*>(bytes.data());
    for (size_t i = 0; i < count; ++i) {
      const uint16_t* p = &s[i * n];
      layer.pixels16[i] = {map.alpha < 0 ? A_u_short{32768} : Sample16ToChannel(p[map.alpha]),
                           Sample16ToChannel(p[map.red]), Sample16ToChannel(p[map.green]),
                           Sample16ToChannel(p[map.blue])};
    }
  } else {
    const auto* s = reinterpret_cast<const float*>(bytes.data());
    for (size_t i = 0; i < count; ++i) {
      layer.pixels16[i] = FloatPixel(&s[i * n], map, header.associated_alpha);
    }
  }
  return layer;
}

// The file name's extension in lower case ("" when it has none).
std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// ---- Writing ---------------------------------------------------------------------

// The world's pixels as interleaved samples of the file: kChannels (3 or 4)
// per pixel in R, G, B, A order, as `encode` gives them for one pixel. The
// channel count is a template argument so that the per-pixel copy compiles to
// fixed stores; the buffer is left uninitialised since every sample is written.
template <int kChannels, typename Sample, typename Pixel, typename Encode>
std::unique_ptr<Sample[]> InterleavedAs(const PF_EffectWorld& world, Encode encode) {
  auto out = std::make_unique_for_overwrite<Sample[]>(
      static_cast<size_t>(world.width) * static_cast<size_t>(world.height) * kChannels);
  Sample* next = out.get();
  for (A_long y = 0; y < world.height; ++y) {
    const Pixel* row = embedded::PixelAt<Pixel>(world, 0, y);
    for (A_long x = 0; x < world.width; ++x, next += kChannels) {
      const std::array<Sample, 4> samples = encode(row[x]);
      for (int c = 0; c < kChannels; ++c) next[c] = samples[static_cast<size_t>(c)];
    }
  }
  return out;
}

template <typename Sample, typename Pixel, typename Encode>
std::unique_ptr<Sample[]> Interleaved(const PF_EffectWorld& world, int channels, Encode encode) {
  return channels == 4 ? InterleavedAs<4, Sample, Pixel>(world, encode)
                       : InterleavedAs<3, Sample, Pixel>(world, encode);
}

std::array<uint8_t, 4> Encode8(const PF_Pixel& p) { return {p.red, p.green, p.blue, p.alpha}; }

std::array<uint16_t, 4> Encode16(const PF_Pixel16& p) {
  return {ChannelToSample16(p.red), ChannelToSample16(p.green), ChannelToSample16(p.blue),
          ChannelToSample16(p.alpha)};
}

// Associated alpha: colour v / 32768 multiplied by alpha, in double, stored
// as float.
std::array<float, 4> EncodeAssociated(const PF_Pixel16& p) {
  const double a = p.alpha / 32768.0;
  return {static_cast<float>(p.red / 32768.0 * a), static_cast<float>(p.green / 32768.0 * a),
          static_cast<float>(p.blue / 32768.0 * a), static_cast<float>(a)};
}

// 8-bit worlds take the effect's 8 -> 16 rule first.
std::unique_ptr<float[]> SamplesAssociated(const PF_EffectWorld& world, int channels) {
  if (embedded::IsDeepWorld(world))
    return Interleaved<float, PF_Pixel16>(world, channels, EncodeAssociated);
  return Interleaved<float, PF_Pixel>(
      world, channels, [](const PF_Pixel& p) { return EncodeAssociated(ConvertPixel8To16(p)); });
}

image_files::OutputFormat FormatFor(const std::string& path) {
  image_files::OutputFormat format = image_files::Library().output_format(path);
  if (!format.known) {
    throw UsageError("cannot write image file '" + path + "': " + Trimmed(format.error) +
                     " (write .png, .tif, .exr, .jpg or .dpx)");
  }
  return format;
}

// 8-bit pixels (bytes alpha, red, green, blue) as the file's red, green,
// blue, alpha. On a little-endian machine that is one rotation of each
// pixel's word, in a loop the compiler vectorises (byte by byte, with `out`
// free to alias the row, it did not: 5 % of a PNG sequence's time).
void ArgbToRgba(const uint8_t* __restrict row, uint8_t* __restrict out, A_long width) {
  for (A_long x = 0; x < width; ++x, row += 4, out += 4) {
    if constexpr (std::endian::native == std::endian::little) {
      uint32_t v;
      std::memcpy(&v, row, 4);
      v = v >> 8 | v << 24;
      std::memcpy(out, &v, 4);
    } else {
      out[0] = row[1];
      out[1] = row[2];
      out[2] = row[3];
      out[3] = row[0];
    }
  }
}

// PNG files go through our own writer (app/media/PngWriter.h), as RGBA at the
// world's depth with the same sample mapping as every other format.
void WritePng(const std::string& path, const PF_EffectWorld& world, int png_compression) {
  const bool deep = embedded::IsDeepWorld(world);
  const PngFormat format{world.width, world.height, 4, deep ? 16 : 8};
  WritePngFile(
      path, format,
      [&](int y, uint8_t* out) {
        if (!deep) {
          ArgbToRgba(reinterpret_cast<const uint8_t*>(embedded::PixelAt<PF_Pixel>(world, 0, y)),
                     out, world.width);
          return;
        }
        const PF_Pixel16* row = embedded::PixelAt<PF_Pixel16>(world, 0, y);
        for (A_long x = 0; x < world.width; ++x) {
          for (const A_u_short channel : {row[x].red, row[x].green, row[x].blue, row[x].alpha}) {
            const uint16_t sample = ChannelToSample16(channel);
            *out++ = static_cast<uint8_t>(sample >> 8);
            *out++ = static_cast<uint8_t>(sample);
          }
        }
      },
      png_compression);
}

void WriteImageFile(const std::string& path, const PF_EffectWorld& world,
                    const ImageWriteOptions& options) {
  if (LowerExtension(path) == "png") {
    WritePng(path, world, options.png_compression);
    return;
  }
  const image_files::OutputFormat format = FormatFor(path);
  if (format.name == "png") {
    WritePng(path, world, options.png_compression);
    return;
  }
  const bool exr = format.name == "openexr";
  const int channels = format.alpha ? 4 : 3;
  const SampleKind kind = exr                            ? SampleKind::kFloat
                          : embedded::IsDeepWorld(world) ? SampleKind::k16
                                                         : SampleKind::k8;
  const Header header{world.width, world.height, channels, channels == 4 ? 3 : -1, kind, exr};
  std::unique_ptr<uint8_t[]> samples8;
  std::unique_ptr<uint16_t[]> samples16;
  std::unique_ptr<float[]> samplesFloat;
  const void* samples = nullptr;
  if (kind == SampleKind::k8) {
    samples8 = Interleaved<uint8_t, PF_Pixel>(world, channels, Encode8);
    samples = samples8.get();
  } else if (kind == SampleKind::k16) {
    samples16 = Interleaved<uint16_t, PF_Pixel16>(world, channels, Encode16);
    samples = samples16.get();
  } else {
    samplesFloat = SamplesAssociated(world, channels);
    samples = samplesFloat.get();
  }
  // Encoded in memory, then written with every write checked: the image
  // library does not report a short write (a full disk) itself.
  std::vector<unsigned char> bytes;
  std::string error;
  if (!image_files::Library().encode(path, header, samples, bytes, error)) {
    throw UsageError("cannot write image file '" + path + "': " + Trimmed(error));
  }
  WriteFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace

void CheckHeaderClaims(const std::string& path, uint64_t file_size) {
  // A DPX file header: the magic number in the file's byte order at 0, the
  // user-defined data size at 32; all ones means "not given".
  constexpr size_t kUserDataSizeAt = 32;
  constexpr uint32_t kUndefined = 0xFFFFFFFFu;
  std::array<unsigned char, kUserDataSizeAt + 4> head{};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(head.data()), head.size())) return;
  const bool big_endian = std::memcmp(head.data(), "SDPX", 4) == 0;
  if (!big_endian && std::memcmp(head.data(), "XPDS", 4) != 0) return;
  uint32_t size = 0;
  for (size_t i = 0; i < 4; ++i) {
    const unsigned char byte = head[kUserDataSizeAt + (big_endian ? i : 3 - i)];
    size = size << 8 | byte;
  }
  if (size != kUndefined && size > file_size) {
    throw ReadFailure(path, "damaged DPX header: it claims " + std::to_string(size) +
                                " bytes of user data in a file of " + std::to_string(file_size) +
                                " bytes");
  }
}

Layer ReadImage(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) throw ReadFailure(path, std::strerror(errno));
  if (S_ISDIR(status.st_mode)) throw ReadFailure(path, "it is a folder");
  CheckHeaderClaims(path, static_cast<uint64_t>(status.st_size));
  // A damaged PNG is refused before libpng prints its own line about it;
  // our message names the file, in the words OpenImageIO would pass on.
  if (const std::optional<PngDamage> damage = FindPngDamage(path)) {
    throw ReadFailure(path, std::string(damage->in_header ? "not an image file that can be read"
                                                          : "truncated or damaged file") +
                                " (PNG read error: " + damage->what + ")");
  }
  image_files::ReadResult read;
  image_files::Library().read(path, kMaxLayerSide, read);
  using Status = image_files::ReadResult::Status;
  if (read.status == Status::kNotAnImage)
    throw ReadFailure(path, "not an image file that can be read (" + Trimmed(read.error) + ")");
  const Header& header = read.header;
  if (header.width > kMaxLayerSide || header.height > kMaxLayerSide) {
    throw UsageError("'" + path + "' is " + std::to_string(header.width) + "x" +
                     std::to_string(header.height) + " pixels; layers wider or taller than " +
                     std::to_string(kMaxLayerSide) + " pixels are refused");
  }
  if (header.width < 1 || header.height < 1 || header.channels < 1) {
    throw ReadFailure(path, "the image is empty");
  }
  if (read.status != Status::kRead)
    throw ReadFailure(path, "truncated or damaged file (" + Trimmed(read.error) + ")");
  return DecodeImage(header, read.samples);
}

// PNG, the format sequences are written in, needs no image library: our own
// writer takes it.
void CheckWritableFormat(const std::string& path) {
  if (LowerExtension(path) != "png") FormatFor(path);
}

void WriteImage(const std::string& path, const PF_EffectWorld& world,
                const ImageWriteOptions& options) {
  try {
    WriteImageFile(path, world, options);
  } catch (const std::bad_alloc&) {
    throw UsageError("cannot write image file '" + path + "': not enough memory to encode a " +
                     std::to_string(world.width) + "x" + std::to_string(world.height) + " image");
  }
}

bool ImageLibraryReads(const std::string& extension) {  // "format:ext,ext;format:ext,..."
  std::istringstream formats(image_files::Library().extension_list());
  for (std::string format; std::getline(formats, format, ';');) {
    const size_t colon = format.find(':');
    if (colon == std::string::npos || format.compare(0, colon, "ffmpeg") == 0) continue;
    std::istringstream extensions(format.substr(colon + 1));
    for (std::string known; std::getline(extensions, known, ',');) {
      if (known == extension) return true;
    }
  }
  return false;
}

bool IsImageFile(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension.empty()) return false;
  for (const KnownExtension& known : kKnownExtensions) {
    if (extension == known.extension) return known.image;
  }
  return ImageLibraryReads(extension);
}

}  // namespace app
