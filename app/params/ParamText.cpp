#include "app/params/ParamText.h"

#include <cstdio>

#include "host/embedded/ParamArray.h"

namespace app {
namespace {

std::string FormatFixed(PF_Fixed value) { return FormatNumber(value / 65536.0); }

}  // namespace

std::vector<std::string> PopupChoices(const PF_ParamDef& def) {
  return embedded::PopupChoiceNames(def);
}

std::string JoinChoices(const std::vector<std::string>& choices) {
  std::string joined;
  for (size_t i = 0; i < choices.size(); ++i) {
    if (i) joined += ", ";
    joined += choices[i];
  }
  return joined;
}

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string FormatColor(const PF_Pixel& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
  return text;
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

}  // namespace app
