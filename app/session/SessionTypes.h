// The plain values a render is described by: layer sizes, frame ranges and
// rates, downsampling factors and the version a host reports.
#pragma once

#include "host/sdk/EffectTypes.h"

namespace app {

struct LayerSize {
  int width = 0;
  int height = 0;
};

// A frame rate or a time base as a fraction (30000/1001).
struct Rational {
  long num = 0;
  long den = 1;
};

// Frames first to last, inclusive.
struct FrameRange {
  long first = 0;
  long last = 0;
  long Count() const { return last - first + 1; }
};

// The highest frame number a render accepts.
constexpr long kMaxFrame = 9999999;

struct Downsample {
  PF_RationalScale x{1, 1};
  PF_RationalScale y{1, 1};
};

struct HostVersion {
  A_short major = 0;
  A_short minor = 0;
};

}  // namespace app
