// How parameters read to a person: the choices of a popup, what a
// parameter accepts, its default in the form a user would type it back, and
// the word for its type. Lists of parameters and messages use these.
#pragma once

#include <string>
#include <vector>

#include "host/sdk/EffectTypes.h"

namespace app {

// The choices of a popup, first choice first.
std::vector<std::string> PopupChoices(const PF_ParamDef& def);

// "a, b, c".
std::string JoinChoices(const std::vector<std::string>& choices);

// What a parameter accepts ("a number from 1 to 1000", "one of: Round, Flat").
std::string DescribeAccepted(const PF_ParamDef& def);

// The default in the text form a user would type back.
std::string FormatDefault(const PF_ParamDef& def);

// "point", "slider", ... as shown by lists of parameters.
std::string TypeWord(const PF_ParamDef& def);

// A slider value as the number shown ("1", "-500", "35.5").
std::string FormatNumber(double value);

// "#rrggbb", lower case.
std::string FormatColor(const PF_Pixel& color);

}  // namespace app
