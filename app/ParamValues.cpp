#include "app/ParamValues.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "app/AppErrors.h"

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

[[noreturn]] void Refuse(const NamedParam& param, const std::string& what) {
  throw UsageError("parameter \"" + param.name + "\": " + what);
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

// Slider bounds and values as the number shown ("1", "-500", "35.5").
std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string FormatFixed(PF_Fixed value) { return FormatNumber(value / 65536.0); }

std::string FormatColor(const PF_Pixel& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
  return text;
}

std::string JoinChoices(const std::vector<std::string>& choices) {
  std::string joined;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (i) joined += ", ";
    joined += choices[i];
  }
  return joined;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

ParamValue ParseCheckbox(const NamedParam& param, const std::string& text) {
  const std::string word = Lowercase(Trim(text));
  ParamValue value;
  value.kind = ParamValue::Kind::kCheckbox;
  if (word == "on" || word == "true" || word == "1") {
    value.on = true;
  } else if (word == "off" || word == "false" || word == "0") {
    value.on = false;
  } else {
    Refuse(param, Quoted(text) + " is not a checkbox value; write on, off, true, false, 1 or 0");
  }
  return value;
}

ParamValue ParsePopup(const NamedParam& param, const std::string& text) {
  const std::vector<std::string> choices = PopupChoices(param.def);
  ParamValue value;
  value.kind = ParamValue::Kind::kPopup;
  double number = 0;
  if (ParseNumber(text, &number)) {
    if (number != std::floor(number) || number < 1 || number > static_cast<double>(choices.size())) {
      Refuse(param, Quoted(text) + " is not a choice; choices are 1 to " +
                        std::to_string(choices.size()) + " (" + JoinChoices(choices) + ")");
    }
    value.choice = static_cast<int>(number);
    return value;
  }
  const std::string wanted = Lowercase(Trim(text));
  for (size_t i = 0; i < choices.size(); ++i) {
    if (Lowercase(choices[i]) == wanted) {
      value.choice = static_cast<int>(i) + 1;
      return value;
    }
  }
  Refuse(param, Quoted(text) + " is not a choice; choices are: " + JoinChoices(choices) +
                    " (or their numbers 1 to " + std::to_string(choices.size()) + ")");
}

ParamValue ParseFixed(const NamedParam& param, const std::string& text) {
  ParamValue value;
  value.kind = ParamValue::Kind::kFixed;
  if (!ParseNumber(text, &value.number)) {
    Refuse(param, Quoted(text) + " is not a number; " + DescribeAccepted(param.def));
  }
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ParamValue ParseColor(const NamedParam& param, const std::string& text) {
  const std::string t = Trim(text);
  ParamValue value;
  value.kind = ParamValue::Kind::kColor;
  bool valid = t.size() == 7 && t[0] == '#';
  int channels[3] = {};
  for (int c = 0; valid && c < 3; ++c) {
    const int hi = HexDigit(t[1 + 2 * c]);
    const int lo = HexDigit(t[2 + 2 * c]);
    valid = hi >= 0 && lo >= 0;
    channels[c] = hi * 16 + lo;
  }
  if (!valid) Refuse(param, Quoted(text) + " is not a colour; write #rrggbb, e.g. #ff8000");
  value.color = {255, static_cast<A_u_char>(channels[0]), static_cast<A_u_char>(channels[1]),
                 static_cast<A_u_char>(channels[2])};
  return value;
}

ParamValue PointValue(double x, double y) {
  ParamValue value;
  value.kind = ParamValue::Kind::kPoint;
  value.x = x;
  value.y = y;
  return value;
}

[[noreturn]] void RefusePoint(const NamedParam& param, const std::string& given) {
  Refuse(param, given + " is not a point; write x,y in full-resolution pixels, e.g. 960,540");
}

ParamValue ParsePoint(const NamedParam& param, const std::string& text) {
  const size_t comma = text.find(',');
  double x = 0, y = 0;
  if (comma == std::string::npos || !ParseNumber(text.substr(0, comma), &x) ||
      !ParseNumber(text.substr(comma + 1), &y)) {
    RefusePoint(param, Quoted(text));
  }
  return PointValue(x, y);
}

int JsonChannel(const NamedParam& param, const nlohmann::json& channel, const std::string& given) {
  if (!channel.is_number_integer() || channel.get<long long>() < 0 ||
      channel.get<long long>() > 255) {
    Refuse(param, given + " is not a colour; write \"#rrggbb\" or [r, g, b] with 0..255");
  }
  return static_cast<int>(channel.get<long long>());
}

}  // namespace

std::vector<std::string> PopupChoices(const PF_ParamDef& def) {
  return embedded::PopupChoiceNames(def);
}

std::string DescribeAccepted(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX: return "on, off, true, false, 1 or 0";
    case PF_Param_POPUP: return "one of: " + JoinChoices(PopupChoices(def));
    case PF_Param_FIX_SLIDER:
      return "a number from " + FormatFixed(def.u.fd.valid_min) + " to " +
             FormatFixed(def.u.fd.valid_max);
    case PF_Param_COLOR: return "a colour #rrggbb";
    case PF_Param_POINT: return "x,y in full-resolution pixels";
    default: return "";
  }
}

std::string FormatDefault(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX: return def.u.bd.dephault ? "on" : "off";
    case PF_Param_POPUP: {
      const std::vector<std::string> choices = PopupChoices(def);
      const int d = def.u.pd.dephault;
      return d >= 1 && d <= static_cast<int>(choices.size()) ? choices[static_cast<size_t>(d - 1)]
                                                             : std::to_string(d);
    }
    case PF_Param_FIX_SLIDER: return FormatFixed(def.u.fd.dephault);
    case PF_Param_COLOR: return FormatColor(def.u.cd.dephault);
    case PF_Param_POINT:
      return FormatFixed(def.u.td.x_dephault) + "%," + FormatFixed(def.u.td.y_dephault) + "%";
    default: return "";
  }
}

std::string TypeWord(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FIX_SLIDER: return "slider";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POINT: return "point";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "group end";
    default: return "other";
  }
}

ParamValue ParseValueText(const NamedParam& param, const std::string& text) {
  switch (param.def.param_type) {
    case PF_Param_CHECKBOX: return ParseCheckbox(param, text);
    case PF_Param_POPUP: return ParsePopup(param, text);
    case PF_Param_FIX_SLIDER: return ParseFixed(param, text);
    case PF_Param_COLOR: return ParseColor(param, text);
    case PF_Param_POINT: return ParsePoint(param, text);
    default: Refuse(param, "cannot be set");
  }
}

ParamValue ParseValueJson(const NamedParam& param, const nlohmann::json& json) {
  const std::string given = json.dump();
  if (json.is_string()) return ParseValueText(param, json.get<std::string>());
  switch (param.def.param_type) {
    case PF_Param_CHECKBOX:
      if (json.is_boolean()) {
        ParamValue value;
        value.kind = ParamValue::Kind::kCheckbox;
        value.on = json.get<bool>();
        return value;
      }
      if (json.is_number_integer()) return ParseCheckbox(param, given);
      Refuse(param, given + " is not a checkbox value; write true, false, \"on\" or \"off\"");
    case PF_Param_POPUP:
      if (json.is_number()) return ParsePopup(param, given);
      Refuse(param, given + " is not a choice; " + DescribeAccepted(param.def));
    case PF_Param_FIX_SLIDER:
      if (json.is_number()) {
        ParamValue value;
        value.kind = ParamValue::Kind::kFixed;
        value.number = json.get<double>();
        return value;
      }
      Refuse(param, given + " is not a number; " + DescribeAccepted(param.def));
    case PF_Param_COLOR: {
      if (!json.is_array() || json.size() != 3) {
        Refuse(param, given + " is not a colour; write \"#rrggbb\" or [r, g, b] with 0..255");
      }
      ParamValue value;
      value.kind = ParamValue::Kind::kColor;
      value.color = {255, static_cast<A_u_char>(JsonChannel(param, json[0], given)),
                     static_cast<A_u_char>(JsonChannel(param, json[1], given)),
                     static_cast<A_u_char>(JsonChannel(param, json[2], given))};
      return value;
    }
    case PF_Param_POINT:
      if (json.is_array() && json.size() == 2 && json[0].is_number() && json[1].is_number()) {
        return PointValue(json[0].get<double>(), json[1].get<double>());
      }
      RefusePoint(param, given);
    default: Refuse(param, "cannot be set");
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
  } catch (const std::invalid_argument& refused) {
    throw UsageError(refused.what());
  }
}

}  // namespace app
