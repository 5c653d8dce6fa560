// The host's rules for moving a pixel between 8 and 16 bits per channel
// (16-bit full scale is 32768). The effect converts with them, and every host
// that reads or writes layers at the other depth must round the same way, so
// they sit beside the interface both sides include.
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"

// 8 to 16 bits: (c * 32768 + 128) / 255, truncating. 0 -> 0, 255 -> 32768.
inline A_u_short Convert8To16(A_u_char c) {
  return static_cast<A_u_short>((static_cast<uint32_t>(c) * 32768u + 128u) / 255u);
}

// 16 to 8 bits: (c * 255 + 16384) >> 15. 32768 -> 255, 16384 -> 128.
inline A_u_char Convert16To8(A_u_short c) {
  return static_cast<A_u_char>((static_cast<uint32_t>(c) * 255u + 16384u) >> 15);
}

inline PF_Pixel16 ConvertPixel8To16(const PF_Pixel& p) {
  return {Convert8To16(p.alpha), Convert8To16(p.red), Convert8To16(p.green), Convert8To16(p.blue)};
}

inline PF_Pixel ConvertPixel16To8(const PF_Pixel16& p) {
  return {Convert16To8(p.alpha), Convert16To8(p.red), Convert16To8(p.green), Convert16To8(p.blue)};
}
