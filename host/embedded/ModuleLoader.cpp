#include "host/embedded/ModuleLoader.h"

#include <dlfcn.h>

namespace embedded {

namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown error";
}

}  // namespace

ModuleLoader::ModuleLoader(const std::string& path) : path_(path) {
  dlerror();  // forget any earlier failure
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    throw ModuleLoadError("cannot load the effect module '" + path + "': " + LastDlError());
  }
  try {
    entry_ = reinterpret_cast<PF_EntryFunc>(Resolve(kEntrySymbol));
    descriptor_ = reinterpret_cast<DescriptorFunc>(Resolve(kDescriptorSymbol));
  } catch (...) {
    dlclose(handle_);
    handle_ = nullptr;
    throw;
  }
}

ModuleLoader::~ModuleLoader() {
  if (handle_ != nullptr) {
    dlclose(handle_);
  }
}

void* ModuleLoader::Resolve(const char* symbol) {
  dlerror();
  void* address = dlsym(handle_, symbol);
  if (address == nullptr) {
    throw ModuleLoadError("the effect module '" + path_ + "' does not export " + symbol + ": " +
                          LastDlError());
  }
  return address;
}

std::vector<unsigned char> ModuleLoader::Descriptor() const {
  unsigned int size = 0;
  const unsigned char* bytes = descriptor_(&size);
  if (bytes == nullptr) {
    throw ModuleLoadError("the effect module '" + path_ + "' handed out no descriptor");
  }
  return std::vector<unsigned char>(bytes, bytes + size);
}

}  // namespace embedded
