#include "app/params/Keyframes.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace app {
namespace {

// Between two numbers; clamped to them so that rounding can never step
// outside the range both keys were checked against.
double Mix(double a, double b, double progress) {
  const double v = a + (b - a) * progress;
  return std::clamp(v, std::min(a, b), std::max(a, b));
}

// Colour channels move in whole levels, rounded to the nearest.
A_u_char MixChannel(A_u_char a, A_u_char b, double progress) {
  return static_cast<A_u_char>(std::floor(Mix(a, b, progress) + 0.5));
}

}  // namespace

std::string KeyPosition(size_t position, long frame) {
  return "key " + std::to_string(position) + " (frame " + std::to_string(frame) + "): ";
}

ParamValue Interpolate(const ParamValue& a, const ParamValue& b, double progress) {
  ParamValue v = a;
  switch (a.kind) {
    case ParamValue::Kind::kCheckbox:
    case ParamValue::Kind::kPopup: break;  // hold
    case ParamValue::Kind::kFixed: v.number = Mix(a.number, b.number, progress); break;
    case ParamValue::Kind::kColor:
      v.color.red = MixChannel(a.color.red, b.color.red, progress);
      v.color.green = MixChannel(a.color.green, b.color.green, progress);
      v.color.blue = MixChannel(a.color.blue, b.color.blue, progress);
      break;
    case ParamValue::Kind::kPoint:
      v.x = Mix(a.x, b.x, progress);
      v.y = Mix(a.y, b.y, progress);
      break;
  }
  return v;
}

// Cases in a fixed order: before the first key, on or after the last, then
// the segment that holds the frame.
ParamValue ValueAtFrame(const std::vector<Keyframe>& keys, long frame) {
  if (frame <= keys.front().frame) return keys.front().value;
  if (frame >= keys.back().frame) return keys.back().value;
  const auto right = std::upper_bound(keys.begin(), keys.end(), frame,
                                      [](long f, const Keyframe& key) { return f < key.frame; });
  const Keyframe& to = *right;
  const Keyframe& from = *(right - 1);
  if (frame == from.frame || from.ease == Ease::kHold) return from.value;
  const double s =
      static_cast<double>(frame - from.frame) / static_cast<double>(to.frame - from.frame);
  return Interpolate(from.value, to.value,
                     SegmentProgress(s, StartsFromRest(from.ease), StopsOnArrival(to.ease)));
}

}  // namespace app
