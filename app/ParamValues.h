// Parameter values as a user writes them, on the command line ("Line
// Width=35.5") or in a JSON file, checked against the registered definition
// and handed to the embedded host's parameter array. Every refusal is a
// UsageError naming the parameter and what it accepts.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "app/ParamNames.h"
#include "host/embedded/ParamArray.h"

namespace app {

struct ParamValue {
  enum class Kind { kCheckbox, kPopup, kFixed, kColor, kPoint };
  Kind kind = Kind::kFixed;
  bool on = false;     // checkbox
  int choice = 0;      // popup, 1-based
  double number = 0;   // slider, the number shown
  PF_Pixel color{};    // colour, opaque
  double x = 0, y = 0; // point, full-resolution pixels
};

// Text forms: sliders a number; popups a choice's text or its 1-based number;
// checkboxes on|off|true|false|1|0; colours #rrggbb; points x,y.
ParamValue ParseValueText(const NamedParam& param, const std::string& text);

// JSON forms: numbers, strings as above, booleans, [x, y], "#rrggbb" or [r, g, b].
ParamValue ParseValueJson(const NamedParam& param, const nlohmann::json& value);

// Sets the value in the array; the host's own range checks apply.
void ApplyValue(embedded::ParamArray& params, const NamedParam& param, const ParamValue& value);

// The choices of a popup, first choice first.
std::vector<std::string> PopupChoices(const PF_ParamDef& def);

// What a parameter accepts ("number from 1 to 1000", "one of: Round, Flat").
std::string DescribeAccepted(const PF_ParamDef& def);

// The default in the text form a user would type back.
std::string FormatDefault(const PF_ParamDef& def);

// "point", "slider", ... as shown by the params command.
std::string TypeWord(const PF_ParamDef& def);

}  // namespace app
