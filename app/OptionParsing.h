// The option values CLI11 hands over as text and that need a shape of their
// own: sizes, downsample factors, host versions, application codes, frame
// ranges and rates. Each failure is a UsageError naming the option and the
// form it expects.
#pragma once

#include <string>

#include "app/FrameIo.h"  // Rational
#include "host/sdk/EffectTypes.h"

namespace app {

struct LayerSize {
  int width = 0;
  int height = 0;
};

struct Downsample {
  PF_RationalScale x{1, 1};
  PF_RationalScale y{1, 1};
};

// Frames first to last, inclusive.
struct FrameRange {
  long first = 0;
  long last = 0;
  long Count() const { return last - first + 1; }
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
// "A-B" (A <= B) or "A" alone, whole numbers from 0 up to kMaxFrame.
FrameRange ParseFrameRange(const std::string& text);
// "24", "25" or "30000/1001": frames per second, positive, at most 1000.
Rational ParseRate(const std::string& text);

constexpr long kMaxFrame = 9999999;

}  // namespace app
