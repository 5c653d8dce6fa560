// The effect's parameters as the page sees them: the table of registered
// controls with their defaults (values in the form a params file holds them,
// app::ValueJson).
#pragma once

#include <nlohmann/json.hpp>

#include "app/params/ParamNames.h"
#include "app/params/ParamValues.h"

namespace studio {

// {"params": [...]} with one entry per registered definition, group starts
// and ends included, in registration order. Point defaults, which the effect
// gives as percentages, are in pixels of a layer `width` x `height`.
nlohmann::json ParamsTableJson(const app::ParamNameTable& names, int width, int height);

// The registered default as a value (points in pixels of the layer).
app::ParamValue DefaultValue(const app::NamedParam& param, int width, int height);

}  // namespace studio
