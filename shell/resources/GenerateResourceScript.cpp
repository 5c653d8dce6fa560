// lustre-resource-script [OUTPUT]: writes the module's resource script (to
// OUTPUT, or to standard output) from the descriptor table.
#include <cstdio>
#include <vector>

#include "shell/ResourceScript.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [OUTPUT.rc]\n", argv[0]);
    return 2;
  }
  std::vector<char> text(descriptor::WriteResourceScript(nullptr, 0) + 1);
  descriptor::WriteResourceScript(text.data(), text.size());
  const std::size_t length = text.size() - 1;

  std::FILE* out = argc == 2 ? std::fopen(argv[1], "wb") : stdout;
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(text.data(), 1, length, out) == length;
  const bool closed = out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
  if (!written || !closed) {
    std::fprintf(stderr, "%s: could not write the resource script\n",
                 argc == 2 ? argv[1] : "standard output");
    return 1;
  }
  return 0;
}
