// `lustre-strand params`, `about` and `descriptor`: what the module says about
// itself, printed for people (or, with --json, for scripts).
#pragma once

#include <string>

#include "app/session/EffectSession.h"

namespace cli {

// index, id, name (qualified by group where shared), type, default, range or choices.
std::string ParamsTable(const app::ParamNameTable& names);
std::string ParamsJson(const app::ParamNameTable& names);

// The about text the effect writes on PF_Cmd_ABOUT.
std::string AboutText(app::EffectSession& session);

// The module's descriptor, decoded field by field.
std::string DescriptorText(app::EffectSession& session);

}  // namespace cli
