// A colour of either depth, with a flag saying which member is valid. Reading
// the other depth converts with the 8<->16 rules (a fallback: producers fill
// the member that matches the world it will be used on).
#pragma once

#include "Common/PixelTraits.h"

struct DepthColor {
  PF_Pixel color8{0, 0, 0, 0};
  PF_Pixel16 color16{0, 0, 0, 0};
  bool is16 = false;

  static DepthColor From8(const PF_Pixel& c) {
    DepthColor d;
    d.color8 = c;
    return d;
  }
  static DepthColor From16(const PF_Pixel16& c) {
    DepthColor d;
    d.color16 = c;
    d.is16 = true;
    return d;
  }

  // The colour of a pixel type, in that depth.
  static DepthColor From(const PF_Pixel& c) { return From8(c); }
  static DepthColor From(const PF_Pixel16& c) { return From16(c); }

  PF_Pixel Get8() const { return is16 ? ConvertPixel16To8(color16) : color8; }
  PF_Pixel16 Get16() const { return is16 ? color16 : ConvertPixel8To16(color8); }

  // The colour in the pixel type P.
  template <typename P>
  P Get() const;
};

template <>
inline PF_Pixel DepthColor::Get<PF_Pixel>() const { return Get8(); }
template <>
inline PF_Pixel16 DepthColor::Get<PF_Pixel16>() const { return Get16(); }
