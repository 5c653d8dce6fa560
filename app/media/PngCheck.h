// A look at a PNG file before OpenImageIO reads it. libpng prints its own
// "libpng error: ..." line on standard error whenever OpenImageIO's PNG
// reader meets a damaged file, before OpenImageIO hands us the same text; a
// process cannot silence that line without redirecting its whole standard
// error, which a threaded server must not do. So the damage libpng would
// report is found here first, with libpng's own words and no printing: a
// header libpng refuses, a critical chunk up to the image data whose
// checksum is wrong, a chunk cut short by the end of the file before the
// image data ends. What follows the image data is never read, so it is not
// looked at. (Compressed image data that is damaged under a correct
// checksum, or cut exactly between two of its chunks, still reaches libpng.)
#pragma once

#include <optional>
#include <string>

namespace app {

struct PngDamage {
  // True when the damage comes before the first image data chunk, where the
  // file cannot even be opened; false when its image data is cut or damaged.
  bool in_header = false;
  std::string what;  // libpng's words, e.g. "IHDR: CRC error"
};

// Nothing for a sound PNG and for any file that is not a PNG at all.
std::optional<PngDamage> FindPngDamage(const std::string& path);

}  // namespace app
