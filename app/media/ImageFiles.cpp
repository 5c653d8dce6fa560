#include "app/media/ImageFiles.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppErrors.h"

namespace app::image_files {
namespace {

std::string BesideExecutable() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return kModuleFileName;
  const std::string self(path, static_cast<size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + kModuleFileName;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// The shared object beside the program (as installed, and for the command in
// the build tree); programs of the build elsewhere (tests, benchmarks, fuzz
// targets) find it where the build put it.
std::string ModulePath() {
  const std::string beside = BesideExecutable();
#ifdef LUSTRE_IMAGE_FILES_BUILT
  if (!Exists(beside)) return LUSTRE_IMAGE_FILES_BUILT;
#endif
  return beside;
}

const Table& Load() {
  const std::string path = ModulePath();
  // Never closed: the library's own state (its readers, its error texts)
  // lives as long as the process.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    throw UsageError("cannot load the image-file library: " + std::string(dlerror()));
  }
  using Getter = const Table* (*)();
  const auto get = reinterpret_cast<Getter>(dlsym(module, kTableSymbol));
  const Table* table = get != nullptr ? get() : nullptr;
  if (table == nullptr || table->version != kTableVersion) {
    throw UsageError("cannot load the image-file library: '" + path +
                     "' is not the one this program was built with");
  }
  table->configure();
  return *table;
}

}  // namespace

const Table& Library() {
  static const Table& table = Load();
  return table;
}

}  // namespace app::image_files
