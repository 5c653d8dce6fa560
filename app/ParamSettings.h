// The parameter values a render is asked for: a JSON params file and the
// --set NAME=VALUE options, resolved against the registered names.
#pragma once

#include <string>
#include <vector>

#include "app/ParamNames.h"
#include "app/ParamValues.h"

namespace app {

struct ParamAssignment {
  const NamedParam* param = nullptr;
  ParamValue value;
  std::string source;  // where the value came from, for messages; empty for --set
};

// A JSON object whose keys are parameter names. Failures name the file.
std::vector<ParamAssignment> ReadParamsFile(const std::string& path, const ParamNameTable& names);

// The same from JSON text already in memory; `source` names it in messages.
std::vector<ParamAssignment> ParseParamsJson(const std::string& text, const std::string& source,
                                             const ParamNameTable& names);

// "NAME=VALUE"; the name is everything before the first '='.
ParamAssignment ParseSetOption(const std::string& option, const ParamNameTable& names);

// Sets every assignment in order (a later one wins). A value the host refuses
// is a UsageError naming its source.
void ApplyAssignments(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments);

}  // namespace app
