#include "app/media/ImageFiles.h"

#include <sys/stat.h>

#include "app/AppErrors.h"
#include "app/session/ModuleLocation.h"
#include "host/embedded/SharedLibrary.h"

namespace app::image_files {
namespace {

bool Exists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// The shared object beside the program (as installed, and for the command in
// the build tree); programs of the build elsewhere (tests, benchmarks, fuzz
// targets) find it where the build put it.
std::string ModulePath() {
  const std::string beside = FileBesideExecutable(kModuleFileName);
#ifdef LUSTRE_IMAGE_FILES_BUILT
  if (!Exists(beside)) return LUSTRE_IMAGE_FILES_BUILT;
#endif
  return beside;
}

const Table& Load() {
  const std::string path = ModulePath();
  // Never closed: the library's own state (its readers, its error texts)
  // lives as long as the process.
  std::string error;
  void* module = embedded::shared_library::Open(path, error);
  if (module == nullptr) throw UsageError("cannot load the image-file library: " + error);
  using Getter = const Table* (*)();
  const auto get =
      reinterpret_cast<Getter>(embedded::shared_library::Find(module, kTableSymbol, error));
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
