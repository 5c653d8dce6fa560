// Parameter values in JSON, read and written in one format: a params file is
// an object whose keys are parameter names and whose values are constants
// (numbers, strings, booleans, [x, y], "#rrggbb" or [r, g, b]) or lists of
// keyframes ([{"frame": F, "value": V, "ease": E}, ...]). Writing gives each
// value its plain form back: a checkbox true or false, a popup its choice's
// text, a slider its number, a colour "#rrggbb", a point [x, y], and a key
// its "ease" only when it is not linear. A refusal is a UsageError naming
// the source, the parameter and, for a key, its position.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/params/Keyframes.h"
#include "app/params/ParamNames.h"
#include "app/params/ParamSettings.h"
#include "app/params/ParamValues.h"

namespace app {

// A JSON params file. Failures name the file.
std::vector<ParamAssignment> ReadParamsFile(const std::string& path, const ParamNameTable& names);

// The same from JSON text already in memory; `source` names it in messages.
std::vector<ParamAssignment> ParseParamsJson(const std::string& text, const std::string& source,
                                             const ParamNameTable& names);

// One constant, as the parameter takes it.
ParamValue ParseValueJson(const NamedParam& param, const nlohmann::json& value);

// A JSON array of keys, each {"frame": F, "value": V} with an optional
// "ease"; values are read as the parameter's JSON values are, frames are
// whole numbers from 0 that ascend without repeats (keys named 1-based).
std::vector<Keyframe> ParseKeyframesJson(const NamedParam& param, const nlohmann::json& keys);

// True when a JSON value is a list of keyframes rather than a value: an
// array whose first element is an object.
bool IsKeyframeList(const nlohmann::json& value);

// One constant in its plain JSON form.
nlohmann::ordered_json ValueJson(const NamedParam& param, const ParamValue& value);

// Every assignment in order, a constant or its keyframes, as a JSON object.
nlohmann::ordered_json ParamsFileJson(const std::vector<ParamAssignment>& assignments);

}  // namespace app
