#include "host/embedded/ModuleLoader.h"

#include "host/embedded/SharedLibrary.h"

namespace embedded {

ModuleLoader::ModuleLoader(const std::string& path) : path_(path) {
  std::string error;
  handle_ = shared_library::Open(path, error);
  if (handle_ == nullptr) {
    throw ModuleLoadError("cannot load the effect module '" + path + "': " + error);
  }
  try {
    entry_ = reinterpret_cast<PF_EntryFunc>(Resolve(kEntrySymbol));
    descriptor_ = reinterpret_cast<DescriptorFunc>(Resolve(kDescriptorSymbol));
  } catch (...) {
    shared_library::Close(handle_);
    handle_ = nullptr;
    throw;
  }
}

ModuleLoader::~ModuleLoader() {
  if (handle_ != nullptr) { shared_library::Close(handle_); }
}

void* ModuleLoader::Resolve(const char* symbol) {
  std::string error;
  void* address = shared_library::Find(handle_, symbol, error);
  if (address == nullptr) {
    throw ModuleLoadError("the effect module '" + path_ + "' does not export " + symbol + ": " +
                          error);
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
