// Loads the effect module (a shared object or DLL) the way a host does: opens it,
// finds its entry point and its descriptor accessor, and closes it again when
// the loader is destroyed. Every failure is a ModuleLoadError whose message
// names the module's path.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "host/sdk/EffectCallbacks.h"

namespace embedded {

class ModuleLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The module's descriptor accessor: returns the descriptor bytes and their count.
typedef const unsigned char* (*DescriptorFunc)(unsigned int* size);

inline constexpr const char kEntrySymbol[] = "PluginEntry";
inline constexpr const char kDescriptorSymbol[] = "LustreStrand_Descriptor";

class ModuleLoader {
 public:
  // Opens the module and resolves both symbols.
  explicit ModuleLoader(const std::string& path);
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  const std::string& Path() const { return path_; }
  PF_EntryFunc Entry() const { return entry_; }
  // A copy of the descriptor bytes the module hands out.
  std::vector<unsigned char> Descriptor() const;

 private:
  void* Resolve(const char* symbol);

  std::string path_;
  void* handle_ = nullptr;
  PF_EntryFunc entry_ = nullptr;
  DescriptorFunc descriptor_ = nullptr;
};

}  // namespace embedded
