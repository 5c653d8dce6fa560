#include "app/session/ModuleLocation.h"

#include <dlfcn.h>
#include <unistd.h>

namespace app {
namespace {

std::string ModuleInFolderOf(const std::string& file) {
  const size_t slash = file.rfind('/');
  return (slash == std::string::npos ? std::string(".") : file.substr(0, slash)) + "/" +
         kModuleFileName;
}

}  // namespace

std::string ModuleBesideExecutable() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return kModuleFileName;
  return ModuleInFolderOf(std::string(path, static_cast<size_t>(n)));
}

std::string ModuleBesideObjectOf(const void* code) {
  Dl_info info{};
  if (dladdr(code, &info) == 0 || info.dli_fname == nullptr) return kModuleFileName;
  return ModuleInFolderOf(info.dli_fname);
}

}  // namespace app
