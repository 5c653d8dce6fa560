#include "studio/server/ParamJson.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/params/ParamText.h"
#include "app/params/ParamsJson.h"

namespace studio {
namespace {

double FromFixed(PF_Fixed value) { return value / 65536.0; }

const char* TypeName(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FIX_SLIDER: return "slider";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_COLOR: return "color";
    case PF_Param_POINT: return "point";
    case PF_Param_GROUP_START: return "group-start";
    case PF_Param_GROUP_END: return "group-end";
    default: return "other";
  }
}

// What a table entry says beyond name and type: default, ranges, choices.
void AddControlFields(nlohmann::json& entry, const app::NamedParam& param, int width, int height) {
  const PF_ParamDef& def = param.def;
  if (def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END) return;
  entry["default"] = nlohmann::json(app::ValueJson(param, DefaultValue(param, width, height)));
  if (def.param_type == PF_Param_FIX_SLIDER) {
    entry["min"] = FromFixed(def.u.fd.valid_min);
    entry["max"] = FromFixed(def.u.fd.valid_max);
    entry["slider_min"] = FromFixed(def.u.fd.slider_min);
    entry["slider_max"] = FromFixed(def.u.fd.slider_max);
    entry["precision"] = def.u.fd.precision;
  }
  if (def.param_type == PF_Param_POPUP) entry["choices"] = app::PopupChoices(def);
}

}  // namespace

app::ParamValue DefaultValue(const app::NamedParam& param, int width, int height) {
  const PF_ParamDef& def = param.def;
  app::ParamValue value;
  switch (def.param_type) {
    case PF_Param_CHECKBOX:
      value.kind = app::ParamValue::Kind::kCheckbox;
      value.on = def.u.bd.dephault != 0;
      break;
    case PF_Param_POPUP:
      value.kind = app::ParamValue::Kind::kPopup;
      value.choice = def.u.pd.dephault;
      break;
    case PF_Param_COLOR:
      value.kind = app::ParamValue::Kind::kColor;
      value.color = def.u.cd.dephault;
      break;
    case PF_Param_POINT:
      // The host delivers a default point as trunc(percent x size / 100) in
      // 16.16 pixels; that position, given back in pixels, is delivered the same.
      value.kind = app::ParamValue::Kind::kPoint;
      value.x =
          FromFixed(static_cast<PF_Fixed>(static_cast<int64_t>(def.u.td.x_dephault) * width / 100));
      value.y = FromFixed(
          static_cast<PF_Fixed>(static_cast<int64_t>(def.u.td.y_dephault) * height / 100));
      break;
    default:
      value.kind = app::ParamValue::Kind::kFixed;
      value.number = FromFixed(def.u.fd.dephault);
      break;
  }
  return value;
}

nlohmann::json ParamsTableJson(const app::ParamNameTable& names, int width, int height) {
  nlohmann::json list = nlohmann::json::array();
  std::vector<std::string> groups;  // the open groups, innermost last
  for (const app::NamedParam& param : names.Entries()) {
    const bool ends_group = param.def.param_type == PF_Param_GROUP_END;
    if (ends_group && !groups.empty()) groups.pop_back();
    nlohmann::json entry{
        {"index", param.index},
        {"name", ends_group ? "" : param.name},
        {"label", ends_group ? "" : param.def.name},
        {"group", groups.empty() ? nlohmann::json(nullptr) : nlohmann::json(groups.back())},
        {"type", TypeName(param.def)}};
    AddControlFields(entry, param, width, height);
    if (param.def.param_type == PF_Param_GROUP_START) groups.push_back(param.name);
    list.push_back(std::move(entry));
  }
  return {{"params", list}};
}

}  // namespace studio
