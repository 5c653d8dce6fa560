// The page's files (HTML, CSS, JavaScript modules), compiled into the program
// from studio/page/ by a build step, so the studio serves exactly the page it
// was built with and reads nothing from disk.
#pragma once

#include <cstddef>
#include <string_view>

namespace studio {

struct PageFile {
  const char* path;  // "/index.html", "/app.js", ...
  const unsigned char* data;
  size_t size;
};

// The generated table.
extern const PageFile kPageFiles[];
extern const size_t kPageFileCount;

// The file served at a request path ("/" is "/index.html"); null for any
// other path.
const PageFile* FindPageFile(std::string_view path);

// The Content-Type header of a file, by its extension.
const char* ContentTypeOf(std::string_view path);

}  // namespace studio
