// The operating system's loading of shared libraries, for ModuleLoader: one
// implementation per platform (platform/posix with dlopen, platform/windows
// with LoadLibraryW), chosen by the build. Failures come back as null with
// the system's own explanation in error.
#pragma once

#include <string>

namespace embedded::shared_library {

// Opens the library at path (UTF-8), resolving everything now; null on failure.
void* Open(const std::string& path, std::string& error);
// The address of an exported symbol; null on failure.
void* Find(void* library, const char* symbol, std::string& error);
void Close(void* library);
// Whether the library at path is loaded in this process.
bool IsLoaded(const std::string& path);

}  // namespace embedded::shared_library
