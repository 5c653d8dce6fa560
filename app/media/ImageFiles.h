// The image-file library as this program uses it: OpenImageIO behind a table
// of plain functions, in a shared object of its own (lustre-strand-images.so
// beside the program) that is loaded the first time an image file is read or
// a format other than PNG is written. OpenImageIO and the libraries it needs
// take some 0.25 s of symbol binding when a process starts; a video render, a
// PNG sequence or `params` never pays that.
//
// Samples cross the table raw (interleaved, in the file's channel order); the
// mapping onto layer channels stays in ImageIo.cpp, the same for every format.
#pragma once

#include <string>
#include <vector>

namespace app::image_files {

// The shared object's file name, and the symbol that gives its table.
inline constexpr const char kModuleFileName[] = "lustre-strand-images.so";
inline constexpr const char kTableSymbol[] = "LustreImageFilesTable";

enum class SampleKind { k8, k16, kFloat };

struct Header {
  int width = 0;
  int height = 0;
  int channels = 0;
  int alpha_channel = -1;  // -1: the file names none
  SampleKind kind = SampleKind::k8;
  bool associated_alpha = false;  // colour premultiplied by alpha (OpenEXR)
};

struct ReadResult {
  enum class Status {
    kRead,            // header and samples
    kHeaderOnly,      // opened; the samples were not asked for (see Table::read)
    kNotAnImage,      // no reader for it, or its reader cannot open it
    kDamaged,         // the header opened, the samples did not read
  };
  Status status = Status::kNotAnImage;
  std::string error;  // the library's message, when not read
  Header header;
  std::vector<unsigned char> samples;  // width x height x channels of `kind`
};

// What a file name's format can hold when written.
struct OutputFormat {
  bool known = false;  // false: no writer for the name (`error` says why)
  std::string name;    // "png", "openexr", "jpeg", ...
  bool alpha = false;
  std::string error;
};

struct Table {
  int version;
  // No thread pools of the library's own.
  void (*configure)();
  // "format:ext,ext;format:ext,..." for every reader.
  std::string (*extension_list)();
  // Opens the file (reading unassociated alpha where the format allows) and,
  // when the header is within max_side and not empty, reads its samples.
  void (*read)(const std::string& path, int max_side, ReadResult& result);
  OutputFormat (*output_format)(const std::string& path);
  // Encodes the samples (header.channels of header.kind per pixel) as a
  // file of path's format into `bytes`; false with `error` on failure.
  bool (*encode)(const std::string& path, const Header& header, const void* samples,
                 std::vector<unsigned char>& bytes, std::string& error);
};

inline constexpr int kTableVersion = 1;

// The table, the shared object loaded on first use: beside the running
// program, else where the build put it. Throws UsageError when it cannot be
// loaded.
const Table& Library();

}  // namespace app::image_files
