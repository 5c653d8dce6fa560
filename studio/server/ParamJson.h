// The effect's parameters as the page sees them: the table of registered
// controls, and values in the form of a parameter document (the JSON a
// params file holds).
#pragma once

#include <nlohmann/json.hpp>

#include "app/ParamNames.h"
#include "app/ParamValues.h"

namespace studio {

// {"params": [...]} with one entry per registered definition, group starts
// and ends included, in registration order. Point defaults, which the effect
// gives as percentages, are in pixels of a layer `width` x `height`.
nlohmann::json ParamsTableJson(const app::ParamNameTable& names, int width, int height);

// A value as a document holds it: a number, true/false, the popup's choice
// text, "#rrggbb" or [x, y] in full-resolution pixels.
nlohmann::json ValueJson(const app::NamedParam& param, const app::ParamValue& value);

// The registered default as a value (points in pixels of the layer).
app::ParamValue DefaultValue(const app::NamedParam& param, int width, int height);

}  // namespace studio
