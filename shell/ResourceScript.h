// The Windows resource script of the module: the descriptor as a PIPL
// resource (id 16000, US English) and the version block, written from the
// same table as the descriptor bytes the module hands out, so the two cannot
// drift apart. shell/resources/LustreStrand.rc is this text.
#pragma once

#include <cstddef>

namespace descriptor {

inline constexpr int kResourceId = 16000;
inline constexpr int kResourceLanguage = 1033;  // US English: primary 9, sub-language 1

// Writes the script into out (at most capacity bytes, terminated when capacity
// is not 0) and returns its full length, as snprintf does.
std::size_t WriteResourceScript(char* out, std::size_t capacity);

}  // namespace descriptor
