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

#include "app/params/Easing.h"
#include "app/params/ParamValues.h"

namespace app {

struct Keyframe {
  long frame = 0;
  ParamValue value;
  Ease ease = Ease::kLinear;
};

// "key 2 (frame 48): ", the start of a message about one key.
std::string KeyPosition(size_t position, long frame);

// The value at `frame`; `keys` is not empty and ascends.
ParamValue ValueAtFrame(const std::vector<Keyframe>& keys, long frame);

// The value `progress` (0..1) of the way from a to b, both of one kind.
ParamValue Interpolate(const ParamValue& a, const ParamValue& b, double progress);

}  // namespace app
