#include "app/session/ModuleLocation.h"

#include <dlfcn.h>
#include <unistd.h>

namespace app {
namespace {

std::string InFolderOf(const std::string& file, const std::string& name) {
  const size_t slash = file.rfind('/');
  return (slash == std::string::npos ? std::string(".") : file.substr(0, slash)) + "/" + name;
}

}  // namespace

std::string FileBesideExecutable(const std::string& name) {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return name;
  return InFolderOf(std::string(path, static_cast<size_t>(n)), name);
}

std::string ModuleBesideExecutable() { return FileBesideExecutable(kModuleFileName); }

std::string ModuleBesideObjectOf(const void* code) {
  Dl_info info{};
  if (dladdr(code, &info) == 0 || info.dli_fname == nullptr) return kModuleFileName;
  return InFolderOf(info.dli_fname, kModuleFileName);
}

}  // namespace app
