// PNG files written by our own code: the signature, an IHDR chunk, the
// filtered scanlines deflated by libdeflate into IDAT, and IEND.
//
// Why by hand: deflate is most of the cost of writing a frame, and libdeflate
// compresses a frame in well under half zlib's time at a smaller size. It
// only compresses whole buffers; libpng feeds zlib's streaming interface row
// by row, so it cannot use it. The chunk layout around one zlib stream is
// small enough to write here. Reading stays with OpenImageIO.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace app {

struct PngFormat {
  int width = 0;
  int height = 0;
  // 1 gray, 2 gray+alpha, 3 RGB, 4 RGBA.
  int channels = 4;
  // 8 or 16 bits per sample.
  int bits = 8;
};

// Fills row y with width * channels samples as the file stores them: bytes,
// or 16-bit samples big-endian (high byte first).
using PngRowFiller = std::function<void(int y, uint8_t* row)>;

// The deflate effort of --png-compression (0 fastest ... 9 smallest) as a
// libdeflate level: 0 stores the data uncompressed as zlib's 0 does; 1 to 8
// are libdeflate's levels of the same number (each faster than zlib's at a
// similar or smaller size); 9, "smallest", is libdeflate's 12, its slowest
// search for the shortest matches.
int DeflateLevelFor(int png_compression);

// A chunk's length field holds at most 2^31 - 1 bytes.
constexpr size_t kMaxPngChunkData = 0x7FFFFFFF;

// Encodes PNG files in memory, keeping its buffers and compressor from one
// file to the next: a frame's buffers are megabytes, and fresh ones cost the
// kernel's zeroing of every page they touch.
class PngEncoder {
 public:
  PngEncoder();
  ~PngEncoder();
  PngEncoder(const PngEncoder&) = delete;
  PngEncoder& operator=(const PngEncoder&) = delete;

  // The complete file, valid until the next call. The zlib stream goes into
  // one IDAT chunk, or is cut into chunks of max_idat_bytes when longer.
  // Throws std::invalid_argument for a format outside the ones above.
  std::span<const uint8_t> Encode(const PngFormat& format, const PngRowFiller& fill,
                                  int png_compression, size_t max_idat_bytes = kMaxPngChunkData);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Encodes (with an encoder kept by the calling thread) and writes the file
// atomically (see WriteFileAtomically).
void WritePngFile(const std::string& path, const PngFormat& format, const PngRowFiller& fill,
                  int png_compression);

}  // namespace app
