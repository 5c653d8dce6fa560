// The option values CLI11 hands over as text and that need a shape of their
// own: sizes, downsample factors, host versions, application codes, frame
// ranges, rates and --set NAME=VALUE. Each failure is a UsageError naming the
// option and the form it expects.
#pragma once

#include <string>

#include "app/params/ParamSettings.h"
#include "app/session/SessionTypes.h"

namespace cli {

using app::Downsample;
using app::FrameRange;
using app::HostVersion;
using app::LayerSize;
using app::Rational;

// "WxH", both positive.
LayerSize ParseSize(const std::string& text);
// "N/D" for both directions or "NX/DX,NY/DY"; numerators and denominators positive.
Downsample ParseDownsample(const std::string& text);
// "MAJOR.MINOR": "13.28" is major 13, minor 28.
HostVersion ParseHostVersion(const std::string& text);
// Four characters; the first goes into the top byte ("KeyG" is 0x4B657947).
A_long ParseAppId(const std::string& text);
// "A-B" (A <= B) or "A" alone, whole numbers from 0 up to app::kMaxFrame.
FrameRange ParseFrameRange(const std::string& text);
// "24", "25" or "30000/1001": frames per second, positive, at most 1000.
Rational ParseRate(const std::string& text);
// "NAME=VALUE"; the name is everything before the first '='.
app::ParamAssignment ParseSetOption(const std::string& option, const app::ParamNameTable& names);

}  // namespace cli
