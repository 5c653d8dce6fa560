#include "cli/InfoCommands.h"

#include <cstdio>

#include <nlohmann/json.hpp>

#include "app/AppErrors.h"
#include "app/params/ParamText.h"
#include "app/session/DescriptorDecoder.h"

namespace cli {

using namespace app;

namespace {

std::string RangeOrChoices(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_POPUP: {
      std::string text;
      const std::vector<std::string> choices = PopupChoices(def);
      for (size_t i = 0; i < choices.size(); ++i) {
        text += (i ? " | " : "") + std::to_string(i + 1) + " " + choices[i];
      }
      return text;
    }
    case PF_Param_FIX_SLIDER:
    case PF_Param_CHECKBOX:
    case PF_Param_COLOR:
    case PF_Param_POINT: return DescribeAccepted(def);
    default: return "";
  }
}

nlohmann::json DefaultJson(const PF_ParamDef& def) {
  switch (def.param_type) {
    case PF_Param_CHECKBOX: return def.u.bd.dephault != 0;
    case PF_Param_POPUP: return FormatDefault(def);
    case PF_Param_FIX_SLIDER: return def.u.fd.dephault / 65536.0;
    case PF_Param_COLOR: return FormatDefault(def);
    case PF_Param_POINT:
      // Point defaults are percentages of the layer's width and height.
      return nlohmann::json{{"x_percent", def.u.td.x_dephault / 65536.0},
                            {"y_percent", def.u.td.y_dephault / 65536.0}};
    default: return nullptr;
  }
}

}  // namespace

std::string ParamsTable(const ParamNameTable& names) {
  std::string text;
  char line[1024];
  std::snprintf(line, sizeof line, "%5s %4s  %-34s %-9s %-20s %s\n", "index", "id", "name", "type",
                "default", "range or choices");
  text += line;
  for (const NamedParam& p : names.Entries()) {
    if (p.def.param_type == PF_Param_GROUP_END) continue;
    const std::string name = p.def.param_type == PF_Param_GROUP_START ? "[" + p.name + "]" : p.name;
    std::snprintf(line, sizeof line, "%5d %4d  %-34s %-9s %-20s %s\n", p.index, p.def.uu.id,
                  name.c_str(), TypeWord(p.def).c_str(), FormatDefault(p.def).c_str(),
                  RangeOrChoices(p.def).c_str());
    text += line;
  }
  text +=
      "\nSet values with --set \"NAME=VALUE\" or a JSON file (--params). Points are x,y in\n"
      "full-resolution pixels; their defaults are percentages of the layer.\n";
  return text;
}

std::string ParamsJson(const ParamNameTable& names) {
  nlohmann::json list = nlohmann::json::array();
  for (const NamedParam& p : names.Entries()) {
    if (ParamNameTable::IsGroupEntry(p.def)) continue;
    nlohmann::json entry{{"index", p.index},
                         {"id", p.def.uu.id},
                         {"name", p.name},
                         {"type", TypeWord(p.def)},
                         {"default", DefaultJson(p.def)}};
    if (p.def.param_type == PF_Param_FIX_SLIDER) {
      entry["min"] = p.def.u.fd.valid_min / 65536.0;
      entry["max"] = p.def.u.fd.valid_max / 65536.0;
    }
    if (p.def.param_type == PF_Param_POPUP) entry["choices"] = PopupChoices(p.def);
    list.push_back(entry);
  }
  return list.dump(2) + "\n";
}

std::string AboutText(EffectSession& session) {
  if (PF_Err err = session.Call(PF_Cmd_ABOUT, nullptr, nullptr)) session.FailWith(err, "about");
  return std::string(session.Host().OutData()->return_msg) + "\n";
}

std::string DescriptorText(EffectSession& session) {
  const std::vector<unsigned char> bytes = session.Module().Descriptor();
  try {
    return DescribeDescriptor(DecodeDescriptor(bytes));
  } catch (const std::runtime_error& error) {
    throw EffectError(1, std::string("the module's descriptor is malformed: ") + error.what());
  }
}

}  // namespace cli
