// Image files in and out through OpenImageIO: PNG, TIFF, OpenEXR, JPEG, DPX
// and whatever else it reads. Our own conversion step maps the file's samples
// onto the layer's channels, so every format gets the same arithmetic:
//
//   8-bit integer files    <-> 8-bit layers, sample = channel
//   deeper integer files   <-> 16-bit layers: a sample p in 0..65535 is the
//                              channel (p * 32768 + 32767) / 65535, a channel v
//                              is written as (v * 65535 + 16384) >> 15
//   floating-point files   <-> 16-bit layers. OpenEXR holds associated
//                              (premultiplied) alpha: a = A, c = C / A (0 where
//                              A is 0), each clamped to 0..1, and the channel
//                              is floor(c * 32768 + 0.5). Written as 32-bit
//                              floats v / 32768 with colour multiplied by
//                              alpha (8-bit worlds first take the effect's own
//                              8 -> 16 rule). A 16-bit channel survives the
//                              round trip exactly, but colour under zero alpha
//                              comes back as 0. Float files of other formats
//                              hold straight alpha.
//
// Gray, gray+alpha, RGB and RGBA files are read (palettes expand to RGB); a
// missing alpha is opaque. Formats without alpha (JPEG) are written as RGB,
// formats without 16 bits (JPEG) as 8 bits. Failures are UsageErrors naming
// the file.
#pragma once

#include <cstdint>
#include <string>

#include "app/session/Layer.h"
#include "host/embedded/WorldAllocator.h"

namespace app {

// A 16-bit file sample (0..65535) as a 16-bit layer channel (0..32768).
inline A_u_short Sample16ToChannel(uint32_t p) {
  return static_cast<A_u_short>((p * 32768u + 32767u) / 65535u);
}

// A 16-bit layer channel (0..32768) as a 16-bit file sample (0..65535).
inline uint16_t ChannelToSample16(uint32_t v) {
  return static_cast<uint16_t>((v * 65535u + 16384u) >> 15);
}

// The largest width or height accepted: the embedded host's world limit.
constexpr int kMaxLayerSide = embedded::kMaxWorldDimension;

struct ImageWriteOptions {
  // Deflate effort of PNG files, 0 (fastest, stored) to 9 (smallest); see
  // DeflateLevelFor in app/media/PngWriter.h. Level 1 costs a fraction of
  // the higher levels for files little larger.
  int png_compression = 1;
};

// True when the file's extension is one an image reader of OpenImageIO
// claims. Everything else (its ffmpeg reader's extensions included) goes to
// the FFmpeg libraries, which read any video and say what is wrong with a
// file that is none. Every front-end decides still against video by this.
// The extensions of kKnownExtensions are decided without loading the image
// library (see app/media/ImageFiles.h); a test holds them to its answers.
bool IsImageFile(const std::string& path);

struct KnownExtension {
  const char* extension;
  bool image;
};
inline constexpr KnownExtension kKnownExtensions[] = {
    {"png", true},  {"exr", true},  {"tif", true},  {"tiff", true}, {"jpg", true},
    {"jpeg", true}, {"dpx", true},  {"mp4", false}, {"mov", false}, {"mkv", false},
    {"avi", false}, {"webm", false}, {"mxf", false}};

// Whether the image library claims the (lower-case) extension; loads it.
bool ImageLibraryReads(const std::string& extension);

Layer ReadImage(const std::string& path);

// Refuses a file whose header claims more than the file can hold where the
// image library would act on the claim before reading anything: a DPX header's
// user-data size is allocated (and filled) as given, so a damaged one asks for
// gigabytes and then fails an assertion that ends the process. Throws the
// error ReadImage throws; ReadImage calls it first.
void CheckHeaderClaims(const std::string& path, uint64_t file_size);

// Refuses, before any work, a file name whose format OpenImageIO cannot write
// (PNG, written by our own writer, without loading it).
void CheckWritableFormat(const std::string& path);

// Writes the world at its depth, atomically (see WriteFileAtomically).
void WriteImage(const std::string& path, const PF_EffectWorld& world,
                const ImageWriteOptions& options = {});

}  // namespace app
