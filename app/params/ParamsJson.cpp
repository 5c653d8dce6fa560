#include "app/params/ParamsJson.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/AppErrors.h"
#include "app/params/Easing.h"
#include "app/params/ParamText.h"

namespace app {
namespace {

// nlohmann's messages start with "[json.exception.parse_error.101] "; the
// user needs only what follows.
std::string WithoutExceptionTag(const char* what) {
  std::string text = what;
  if (!text.empty() && text[0] == '[') {
    const size_t end = text.find("] ");
    if (end != std::string::npos) text = text.substr(end + 2);
  }
  return text;
}

int JsonChannel(const NamedParam& param, const nlohmann::json& channel, const std::string& given) {
  if (!channel.is_number_integer() || channel.get<long long>() < 0 ||
      channel.get<long long>() > 255) {
    RefuseValue(param, given + " is not a colour; write \"#rrggbb\" or [r, g, b] with 0..255");
  }
  return static_cast<int>(channel.get<long long>());
}

[[noreturn]] void RefuseKey(const NamedParam& param, size_t position, const std::string& what) {
  throw UsageError("parameter \"" + param.name + "\", key " + std::to_string(position) + ": " +
                   what);
}

long KeyFrameNumber(const NamedParam& param, size_t position, const nlohmann::json& key) {
  const auto found = key.find("frame");
  if (found == key.end()) RefuseKey(param, position, "has no \"frame\"");
  if (!found->is_number_integer() || found->get<long long>() < 0) {
    RefuseKey(param, position, "\"frame\" " + found->dump() + " is not a whole number from 0");
  }
  return static_cast<long>(found->get<long long>());
}

Ease KeyEase(const NamedParam& param, size_t position, const nlohmann::json& key) {
  const auto found = key.find("ease");
  if (found == key.end()) return Ease::kLinear;
  const std::optional<Ease> ease =
      found->is_string() ? EaseFromName(found->get<std::string>()) : std::nullopt;
  if (!ease) RefuseKey(param, position, "\"ease\" " + found->dump() + " is not " + EaseNames());
  return *ease;
}

Keyframe ParseKey(const NamedParam& param, size_t position, const nlohmann::json& key) {
  if (!key.is_object()) {
    RefuseKey(param, position, key.dump() + " is not a key; write {\"frame\": F, \"value\": V}");
  }
  for (const auto& [field, unused] : key.items()) {
    if (field != "frame" && field != "value" && field != "ease") {
      RefuseKey(param, position,
                "unknown field \"" + field + "\" (a key has frame, value and ease)");
    }
  }
  Keyframe keyframe;
  keyframe.frame = KeyFrameNumber(param, position, key);
  keyframe.ease = KeyEase(param, position, key);
  const auto value = key.find("value");
  if (value == key.end()) RefuseKey(param, position, "has no \"value\"");
  try {
    keyframe.value = ParseValueJson(param, *value);
  } catch (const UsageError& error) { throw error.Prefixed(KeyPosition(position, keyframe.frame)); }
  return keyframe;
}

}  // namespace

ParamValue ParseValueJson(const NamedParam& param, const nlohmann::json& json) {
  const std::string given = json.dump();
  if (json.is_string()) return ParseValueText(param, json.get<std::string>());
  switch (param.def.param_type) {
    case PF_Param_CHECKBOX:
      if (json.is_boolean()) { return ParamValue::Checkbox(json.get<bool>()); }
      if (json.is_number_integer()) return ParseValueText(param, given);
      RefuseValue(param, given + " is not a checkbox value; write true, false, \"on\" or \"off\"");
    case PF_Param_POPUP:
      if (json.is_number()) return ParseValueText(param, given);
      RefuseValue(param, given + " is not a choice; " + DescribeAccepted(param.def));
    case PF_Param_FIX_SLIDER:
      if (json.is_number()) { return ParamValue::Fixed(json.get<double>()); }
      RefuseValue(param, given + " is not a number; " + DescribeAccepted(param.def));
    case PF_Param_COLOR: {
      if (!json.is_array() || json.size() != 3) {
        RefuseValue(param, given + " is not a colour; write \"#rrggbb\" or [r, g, b] with 0..255");
      }
      return ParamValue::Color({255, static_cast<A_u_char>(JsonChannel(param, json[0], given)),
                                static_cast<A_u_char>(JsonChannel(param, json[1], given)),
                                static_cast<A_u_char>(JsonChannel(param, json[2], given))});
    }
    case PF_Param_POINT:
      if (json.is_array() && json.size() == 2 && json[0].is_number() && json[1].is_number()) {
        return ParamValue::Point(json[0].get<double>(), json[1].get<double>());
      }
      RefuseValue(param,
                  given + " is not a point; write x,y in full-resolution pixels, e.g. 960,540");
    default: RefuseValue(param, "cannot be set");
  }
}

bool IsKeyframeList(const nlohmann::json& value) {
  return value.is_array() && !value.empty() && value.front().is_object();
}

std::vector<Keyframe> ParseKeyframesJson(const NamedParam& param, const nlohmann::json& keys) {
  if (!keys.is_array() || keys.empty()) {
    throw UsageError("parameter \"" + param.name + "\": a keyframe list needs at least one key");
  }
  std::vector<Keyframe> keyframes;
  for (size_t i = 0; i < keys.size(); ++i) {
    Keyframe key = ParseKey(param, i + 1, keys[i]);
    if (!keyframes.empty() && key.frame <= keyframes.back().frame) {
      RefuseKey(param, i + 1,
                "frame " + std::to_string(key.frame) + " does not come after frame " +
                    std::to_string(keyframes.back().frame) +
                    " (frames must ascend without repeats)");
    }
    keyframes.push_back(key);
  }
  return keyframes;
}

std::vector<ParamAssignment> ParseParamsJson(const std::string& text, const std::string& source,
                                             const ParamNameTable& names) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& error) {
    // Syntax errors, and numbers too large for a double ("1e999"), which the
    // parser reports as out of range rather than as a parse error.
    throw UsageError(source + ": malformed JSON: " + WithoutExceptionTag(error.what()));
  }
  if (!document.is_object()) {
    throw UsageError(source + ": expected a JSON object of parameter names and values");
  }
  std::vector<ParamAssignment> assignments;
  try {
    for (const auto& [name, value] : document.items()) {
      ParamAssignment assignment;
      assignment.param = &names.Find(name);
      if (IsKeyframeList(value)) {
        assignment.keys = ParseKeyframesJson(*assignment.param, value);
      } else {
        assignment.value = ParseValueJson(*assignment.param, value);
      }
      assignment.source = source;
      assignments.push_back(assignment);
    }
  } catch (const UsageError& error) { throw error.Prefixed(source + ": "); }
  return assignments;
}

std::vector<ParamAssignment> ReadParamsFile(const std::string& path, const ParamNameTable& names) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw UsageError("cannot read params file '" + path + "': " + std::strerror(errno));
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseParamsJson(text.str(), "params file '" + path + "'", names);
}

nlohmann::ordered_json ValueJson(const NamedParam& param, const ParamValue& value) {
  switch (value.kind) {
    case ParamValue::Kind::kCheckbox: return value.on;
    case ParamValue::Kind::kPopup: {
      const std::vector<std::string> choices = PopupChoices(param.def);
      if (value.choice >= 1 && value.choice <= static_cast<int>(choices.size())) {
        return choices[static_cast<size_t>(value.choice - 1)];
      }
      return value.choice;
    }
    case ParamValue::Kind::kFixed: return value.number;
    case ParamValue::Kind::kColor: return FormatColor(value.color);
    case ParamValue::Kind::kPoint: return nlohmann::ordered_json::array({value.x, value.y});
  }
  return nullptr;
}

nlohmann::ordered_json ParamsFileJson(const std::vector<ParamAssignment>& assignments) {
  nlohmann::ordered_json document = nlohmann::ordered_json::object();
  for (const ParamAssignment& assignment : assignments) {
    const NamedParam& param = *assignment.param;
    if (assignment.keys.empty()) {
      document[param.name] = ValueJson(param, assignment.value);
      continue;
    }
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (const Keyframe& key : assignment.keys) {
      nlohmann::ordered_json entry{{"frame", key.frame}, {"value", ValueJson(param, key.value)}};
      if (key.ease != Ease::kLinear) entry["ease"] = EaseName(key.ease);
      keys.push_back(entry);
    }
    document[param.name] = keys;
  }
  return document;
}

}  // namespace app
