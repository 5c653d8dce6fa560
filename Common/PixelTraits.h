// What differs between the two pixel depths, so that depth-dependent code is
// written once as a template over the pixel type.
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"
#include "host/sdk/PixelConversion.h"

template <typename P>
struct PixelTraits;

template <>
struct PixelTraits<PF_Pixel> {
  using Channel = A_u_char;
  static constexpr uint32_t kMax = 255;  // full scale
  static constexpr int kShift = 8;       // integer mixes divide by 256
  static constexpr int kBytes = 4;
  static constexpr bool kDeep = false;
  static PF_Pixel FromPixel16(const PF_Pixel16& p) { return ConvertPixel16To8(p); }
  static PF_Pixel16 ToPixel16(const PF_Pixel& p) { return ConvertPixel8To16(p); }
};

template <>
struct PixelTraits<PF_Pixel16> {
  using Channel = A_u_short;
  static constexpr uint32_t kMax = 32768;
  static constexpr int kShift = 15;
  static constexpr int kBytes = 8;
  static constexpr bool kDeep = true;
  static PF_Pixel16 FromPixel16(const PF_Pixel16& p) { return p; }
  static PF_Pixel16 ToPixel16(const PF_Pixel16& p) { return p; }
};

// Address of pixel (x, y) of a world of pixel type P.
template <typename P>
inline P* PixelAt(const PF_EffectWorld& world, A_long x, A_long y) {
  return reinterpret_cast<P*>(static_cast<char*>(world.data) +
                              static_cast<intptr_t>(y) * world.rowbytes) +
         x;
}

inline bool IsDeep(const PF_EffectWorld& world) {
  return (world.world_flags & PF_WorldFlag_DEEP) != 0;
}
