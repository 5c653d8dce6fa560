// How a keyframed value moves from one key to the next. A key's ease says
// how the value arrives at it ("in": slowing to a stop), leaves it ("out":
// starting from a stop), both ("in-out"), moves at constant speed ("linear")
// or stays until the next key ("hold").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

enum class Ease { kLinear, kHold, kIn, kOut, kInOut };

// The names a parameter file uses, one table for reading and writing.
std::optional<Ease> EaseFromName(const std::string& name);
const char* EaseName(Ease ease);
// Every name, in the order of the message below.
std::vector<std::string> EaseNameList();
// "linear, hold, in, out or in-out", for messages.
std::string EaseNames();

// True when the value arrives at a key of this ease with zero speed.
bool StopsOnArrival(Ease ease);
// True when the value leaves a key of this ease from zero speed.
bool StartsFromRest(Ease ease);

// The share of a segment's change done at s (0..1 of the way in time): a
// cubic through (0, 0) and (1, 1) whose slope is 0 at an end that rests and
// 1 at one that does not, so linear when neither rests and smoothstep when
// both do. Never leaves 0..1 and never runs backwards.
double SegmentProgress(double s, bool rest_at_start, bool rest_at_end);

}  // namespace app
