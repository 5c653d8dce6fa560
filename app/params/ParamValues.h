// Parameter values as a user writes them ("Line Width=35.5" on a command
// line; JSON files in ParamsJson.h), checked against the registered definition
// and handed to the embedded host's parameter array. Every refusal is a
// UsageError naming the parameter and what it accepts.
#pragma once

#include <string>
#include <vector>

#include "app/params/ParamNames.h"
#include "host/embedded/ParamArray.h"

namespace app {

struct ParamValue {
  enum class Kind { kCheckbox, kPopup, kFixed, kColor, kPoint };
  static ParamValue Checkbox(bool on);
  static ParamValue Popup(int choice);
  static ParamValue Fixed(double number);
  static ParamValue Color(const PF_Pixel& color);
  static ParamValue Point(double x, double y);

  Kind kind = Kind::kFixed;
  bool on = false;      // checkbox
  int choice = 0;       // popup, 1-based
  double number = 0;    // slider, the number shown
  PF_Pixel color{};     // colour, opaque
  double x = 0, y = 0;  // point, full-resolution pixels
};

// Text forms: sliders a number; popups a choice's text or its 1-based number;
// checkboxes on|off|true|false|1|0; colours #rrggbb; points x,y.
ParamValue ParseValueText(const NamedParam& param, const std::string& text);

// The 1-based choice a popup's text names: a choice's text in any case (and
// nothing else: a caller that forgives spaces trims first), or its number
// (spaces around it ignored); 0 when it names none. `number` (when given)
// tells whether the text was a number, for a refusal's message.
int NamedChoice(const std::vector<std::string>& choices, const std::string& text,
                bool* number = nullptr);

// Throws UsageError "parameter "NAME": WHAT".
[[noreturn]] void RefuseValue(const NamedParam& param, const std::string& what);

// Sets the value in the array; the host's own range checks apply.
void ApplyValue(embedded::ParamArray& params, const NamedParam& param, const ParamValue& value);

}  // namespace app
