// Where a host of this program finds the effect module: beside itself, so
// that the two files always go together (the command beside its executable,
// the frei0r plug-in beside the plug-in's own file).
#pragma once

#include <string>

namespace app {

// The module's file name.
inline constexpr const char kModuleFileName[] = "LustreStrand.so";

// The file `name` in the folder of the running executable.
std::string FileBesideExecutable(const std::string& name);
// The module in the folder of the running executable.
std::string ModuleBesideExecutable();
// The module in the folder of the shared object (a plug-in) holding `code`.
std::string ModuleBesideObjectOf(const void* code);

}  // namespace app
