// The parameter values a render is asked for: a JSON params file and the
// --set NAME=VALUE options, resolved against the registered names. A file's
// value may also be a list of keyframes, which gives a value for every frame.
#pragma once

#include <string>
#include <vector>

#include "app/Keyframes.h"
#include "app/ParamNames.h"
#include "app/ParamValues.h"

namespace app {

struct ParamAssignment {
  const NamedParam* param = nullptr;
  ParamValue value;            // the value at every frame, when there are no keys
  std::vector<Keyframe> keys;  // keyframes, ascending; empty for a constant
  std::string source;  // where the value came from, for messages; empty for --set

  ParamValue ValueAt(long frame) const { return keys.empty() ? value : ValueAtFrame(keys, frame); }
};

// A JSON object whose keys are parameter names. Failures name the file.
std::vector<ParamAssignment> ReadParamsFile(const std::string& path, const ParamNameTable& names);

// The same from JSON text already in memory; `source` names it in messages.
std::vector<ParamAssignment> ParseParamsJson(const std::string& text, const std::string& source,
                                             const ParamNameTable& names);

// "NAME=VALUE"; the name is everything before the first '='.
ParamAssignment ParseSetOption(const std::string& option, const ParamNameTable& names);

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
