#include "host/embedded/SharedLibrary.h"

#include <dlfcn.h>

namespace embedded::shared_library {

namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown error";
}

}  // namespace

void* Open(const std::string& path, std::string& error) {
  dlerror();  // forget any earlier failure
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) error = LastDlError();
  return library;
}

void* Find(void* library, const char* symbol, std::string& error) {
  dlerror();
  void* address = dlsym(library, symbol);
  if (address == nullptr) error = LastDlError();
  return address;
}

void Close(void* library) { dlclose(library); }

bool IsLoaded(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return false;
  dlclose(library);  // RTLD_NOLOAD still counts a reference
  return true;
}

}  // namespace embedded::shared_library
