// A parameter's keyframes: values at frames, and the value between them.
// Before the first key the first value holds, after the last the last. The
// key on the left of a segment says whether the value holds; otherwise the
// value moves on a cubic that rests at a key easing out (the left) or in
// (the right). Numbers and point coordinates move continuously, colours per
// channel rounded to whole levels; popups and checkboxes always hold.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/Easing.h"
#include "app/ParamNames.h"
#include "app/ParamValues.h"

namespace app {

struct Keyframe {
  long frame = 0;
  ParamValue value;
  Ease ease = Ease::kLinear;
};

// A JSON array of keys, each {"frame": F, "value": V} with an optional
// "ease"; values are read as the parameter's JSON values are, frames are
// whole numbers from 0 that ascend without repeats. A refusal is a UsageError
// naming the parameter and the key's position (1-based).
std::vector<Keyframe> ParseKeyframesJson(const NamedParam& param, const nlohmann::json& keys);

// True when a JSON value is a list of keyframes rather than a value: an
// array whose first element is an object.
bool IsKeyframeList(const nlohmann::json& value);

// "key 2 (frame 48): ", the start of a message about one key.
std::string KeyPosition(size_t position, long frame);

// The value at `frame`; `keys` is not empty and ascends.
ParamValue ValueAtFrame(const std::vector<Keyframe>& keys, long frame);

// The value `progress` (0..1) of the way from a to b, both of one kind.
ParamValue Interpolate(const ParamValue& a, const ParamValue& b, double progress);

}  // namespace app
