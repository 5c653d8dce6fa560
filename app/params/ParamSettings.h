// The parameter values a render is asked for, each resolved against the
// registered names: a constant, or a list of keyframes that gives a value for
// every frame. Read from text here, from JSON in ParamsJson.h.
#pragma once

#include <string>
#include <vector>

#include "app/params/Keyframes.h"
#include "app/params/ParamNames.h"
#include "app/params/ParamValues.h"

namespace app {

struct ParamAssignment {
  const NamedParam* param = nullptr;
  ParamValue value;            // the value at every frame, when there are no keys
  std::vector<Keyframe> keys;  // keyframes, ascending; empty for a constant
  std::string source;          // where the value came from, for messages; empty for --set

  ParamValue ValueAt(long frame) const { return keys.empty() ? value : ValueAtFrame(keys, frame); }
};

// The constant `text` (the text forms of ParamValues.h) for the parameter
// a user calls `name`.
ParamAssignment AssignText(const std::string& name, const std::string& text,
                           const ParamNameTable& names);

// Sets every assignment's value at `frame` in order (a later one wins). A
// value the host refuses is a UsageError naming its source.
void ApplyAssignments(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments,
                      long frame = 0);

// Sets every key of every keyframed assignment once, so that the host's own
// checks (slider ranges, point limits) refuse a bad key before any frame is
// rendered, naming the source, the parameter and the key's position. Values
// between two accepted keys are accepted too.
void CheckKeyframes(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments);

}  // namespace app
