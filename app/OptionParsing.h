// The option values CLI11 hands over as text and that need a shape of their
// own: sizes, downsample factors, host versions and application codes. Each
// failure is a UsageError naming the option and the form it expects.
#pragma once

#include <string>

#include "host/sdk/AE_Effect.h"

namespace app {

struct LayerSize {
  int width = 0;
  int height = 0;
};

struct Downsample {
  PF_RationalScale x{1, 1};
  PF_RationalScale y{1, 1};
};

struct HostVersion {
  A_short major = 0;
  A_short minor = 0;
};

// "WxH", both positive.
LayerSize ParseSize(const std::string& text);
// "N/D" for both directions or "NX/DX,NY/DY"; numerators and denominators positive.
Downsample ParseDownsample(const std::string& text);
// "MAJOR.MINOR": "13.28" is major 13, minor 28.
HostVersion ParseHostVersion(const std::string& text);
// Four characters; the first goes into the top byte ("KeyG" is 0x4B657947).
A_long ParseAppId(const std::string& text);

}  // namespace app
