#include "app/params/ParamValues.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "app/AppErrors.h"
#include "app/params/ParamText.h"

namespace app {
namespace {

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A whole, finite number, or false.
bool ParseNumber(const std::string& text, double* out) {
  const std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  char* end = nullptr;
  const double value = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

ParamValue ParseCheckbox(const NamedParam& param, const std::string& text) {
  const std::string word = Lowercase(Trim(text));
  if (word == "on" || word == "true" || word == "1") return ParamValue::Checkbox(true);
  if (word == "off" || word == "false" || word == "0") return ParamValue::Checkbox(false);
  RefuseValue(param, Quoted(text) + " is not a checkbox value; write on, off, true, false, 1 or 0");
}

ParamValue ParsePopup(const NamedParam& param, const std::string& text) {
  const std::vector<std::string> choices = PopupChoices(param.def);
  bool number = false;
  if (const int choice = NamedChoice(choices, Trim(text), &number))
    return ParamValue::Popup(choice);
  if (number) {
    RefuseValue(param, Quoted(text) + " is not a choice; choices are 1 to " +
                           std::to_string(choices.size()) + " (" + JoinChoices(choices) + ")");
  }
  RefuseValue(param, Quoted(text) + " is not a choice; choices are: " + JoinChoices(choices) +
                         " (or their numbers 1 to " + std::to_string(choices.size()) + ")");
}

ParamValue ParseFixed(const NamedParam& param, const std::string& text) {
  double number = 0;
  if (!ParseNumber(text, &number)) {
    RefuseValue(param, Quoted(text) + " is not a number; " + DescribeAccepted(param.def));
  }
  return ParamValue::Fixed(number);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ParamValue ParseColor(const NamedParam& param, const std::string& text) {
  const std::string t = Trim(text);
  bool valid = t.size() == 7 && t[0] == '#';
  int channels[3] = {};
  for (int c = 0; valid && c < 3; ++c) {
    const int hi = HexDigit(t[1 + 2 * c]);
    const int lo = HexDigit(t[2 + 2 * c]);
    valid = hi >= 0 && lo >= 0;
    channels[c] = hi * 16 + lo;
  }
  if (!valid) RefuseValue(param, Quoted(text) + " is not a colour; write #rrggbb, e.g. #ff8000");
  return ParamValue::Color({255, static_cast<A_u_char>(channels[0]),
                            static_cast<A_u_char>(channels[1]),
                            static_cast<A_u_char>(channels[2])});
}

ParamValue ParsePoint(const NamedParam& param, const std::string& text) {
  const size_t comma = text.find(',');
  double x = 0, y = 0;
  if (comma == std::string::npos || !ParseNumber(text.substr(0, comma), &x) ||
      !ParseNumber(text.substr(comma + 1), &y)) {
    RefuseValue(
        param, Quoted(text) + " is not a point; write x,y in full-resolution pixels, e.g. 960,540");
  }
  return ParamValue::Point(x, y);
}

}  // namespace

int NamedChoice(const std::vector<std::string>& choices, const std::string& text, bool* number) {
  double value = 0;
  const bool is_number = ParseNumber(text, &value);
  if (number != nullptr) *number = is_number;
  if (is_number) {
    const bool whole_in_range =
        value == std::floor(value) && value >= 1 && value <= static_cast<double>(choices.size());
    return whole_in_range ? static_cast<int>(value) : 0;
  }
  const std::string wanted = Lowercase(text);
  for (size_t i = 0; i < choices.size(); ++i) {
    if (Lowercase(choices[i]) == wanted) return static_cast<int>(i) + 1;
  }
  return 0;
}

ParamValue ParamValue::Checkbox(bool on) {
  ParamValue value;
  value.kind = Kind::kCheckbox;
  value.on = on;
  return value;
}

ParamValue ParamValue::Popup(int choice) {
  ParamValue value;
  value.kind = Kind::kPopup;
  value.choice = choice;
  return value;
}

ParamValue ParamValue::Fixed(double number) {
  ParamValue value;
  value.kind = Kind::kFixed;
  value.number = number;
  return value;
}

ParamValue ParamValue::Color(const PF_Pixel& color) {
  ParamValue value;
  value.kind = Kind::kColor;
  value.color = color;
  return value;
}

ParamValue ParamValue::Point(double x, double y) {
  ParamValue value;
  value.kind = Kind::kPoint;
  value.x = x;
  value.y = y;
  return value;
}

void RefuseValue(const NamedParam& param, const std::string& what) {
  throw UsageError("parameter \"" + param.name + "\": " + what);
}

ParamValue ParseValueText(const NamedParam& param, const std::string& text) {
  switch (param.def.param_type) {
    case PF_Param_CHECKBOX: return ParseCheckbox(param, text);
    case PF_Param_POPUP: return ParsePopup(param, text);
    case PF_Param_FIX_SLIDER: return ParseFixed(param, text);
    case PF_Param_COLOR: return ParseColor(param, text);
    case PF_Param_POINT: return ParsePoint(param, text);
    default: RefuseValue(param, "cannot be set");
  }
}

void ApplyValue(embedded::ParamArray& params, const NamedParam& param, const ParamValue& value) {
  try {
    switch (value.kind) {
      case ParamValue::Kind::kCheckbox: params.SetCheckbox(param.index, value.on); break;
      case ParamValue::Kind::kPopup: params.SetPopup(param.index, value.choice); break;
      case ParamValue::Kind::kFixed: params.SetFixed(param.index, value.number); break;
      case ParamValue::Kind::kColor: params.SetColor(param.index, value.color); break;
      case ParamValue::Kind::kPoint: params.SetPoint(param.index, value.x, value.y); break;
    }
  } catch (const std::invalid_argument& refused) { throw UsageError(refused.what()); }
}

}  // namespace app
