#include "app/Keyframes.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <nlohmann/json.hpp>

#include "app/AppErrors.h"

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

[[noreturn]] void RefuseKey(const NamedParam& param, size_t position, const std::string& what) {
  throw UsageError("parameter \"" + param.name + "\", key " + std::to_string(position) + ": " +
                   what);
}

long KeyFrameNumber(const NamedParam& param, size_t position, const nlohmann::json& key) {
  const auto found = key.find("frame");
  if (found == key.end()) RefuseKey(param, position, "has no \"frame\"");
  if (!found->is_number_integer() || found->get<long long>() < 0) {
    RefuseKey(param, position, "\"frame\" " + found->dump() + " is not a whole number from 0");
  }
  return static_cast<long>(found->get<long long>());
}

Ease KeyEase(const NamedParam& param, size_t position, const nlohmann::json& key) {
  const auto found = key.find("ease");
  if (found == key.end()) return Ease::kLinear;
  const std::optional<Ease> ease =
      found->is_string() ? EaseFromName(found->get<std::string>()) : std::nullopt;
  if (!ease) RefuseKey(param, position, "\"ease\" " + found->dump() + " is not " + EaseNames());
  return *ease;
}

Keyframe ParseKey(const NamedParam& param, size_t position, const nlohmann::json& key) {
  if (!key.is_object()) {
    RefuseKey(param, position, key.dump() + " is not a key; write {\"frame\": F, \"value\": V}");
  }
  for (const auto& [field, unused] : key.items()) {
    if (field != "frame" && field != "value" && field != "ease") {
      RefuseKey(param, position, "unknown field \"" + field + "\" (a key has frame, value and ease)");
    }
  }
  Keyframe keyframe;
  keyframe.frame = KeyFrameNumber(param, position, key);
  keyframe.ease = KeyEase(param, position, key);
  const auto value = key.find("value");
  if (value == key.end()) RefuseKey(param, position, "has no \"value\"");
  try {
    keyframe.value = ParseValueJson(param, *value);
  } catch (const UsageError& error) {
    throw UsageError(KeyPosition(position, keyframe.frame) + error.what());
  }
  return keyframe;
}

}  // namespace

std::string KeyPosition(size_t position, long frame) {
  return "key " + std::to_string(position) + " (frame " + std::to_string(frame) + "): ";
}

bool IsKeyframeList(const nlohmann::json& value) {
  return value.is_array() && !value.empty() && value.front().is_object();
}

std::vector<Keyframe> ParseKeyframesJson(const NamedParam& param, const nlohmann::json& keys) {
  if (!keys.is_array() || keys.empty()) {
    throw UsageError("parameter \"" + param.name + "\": a keyframe list needs at least one key");
  }
  std::vector<Keyframe> keyframes;
  for (size_t i = 0; i < keys.size(); ++i) {
    Keyframe key = ParseKey(param, i + 1, keys[i]);
    if (!keyframes.empty() && key.frame <= keyframes.back().frame) {
      RefuseKey(param, i + 1, "frame " + std::to_string(key.frame) + " does not come after frame " +
                                  std::to_string(keyframes.back().frame) +
                                  " (frames must ascend without repeats)");
    }
    keyframes.push_back(key);
  }
  return keyframes;
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
  const double s = static_cast<double>(frame - from.frame) / static_cast<double>(to.frame - from.frame);
  return Interpolate(from.value, to.value,
                     SegmentProgress(s, StartsFromRest(from.ease), StopsOnArrival(to.ease)));
}

}  // namespace app
