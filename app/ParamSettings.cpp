#include "app/ParamSettings.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/AppErrors.h"

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

}  // namespace

std::vector<ParamAssignment> ParseParamsJson(const std::string& text, const std::string& source,
                                             const ParamNameTable& names) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& error) {
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
  } catch (const UsageError& error) {
    throw UsageError(source + ": " + error.what());
  }
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

ParamAssignment ParseSetOption(const std::string& option, const ParamNameTable& names) {
  const size_t equals = option.find('=');
  if (equals == std::string::npos) {
    throw UsageError("--set '" + option + "': write NAME=VALUE, e.g. --set \"Line Width=35.5\"");
  }
  ParamAssignment assignment;
  assignment.param = &names.Find(option.substr(0, equals));
  assignment.value = ParseValueText(*assignment.param, option.substr(equals + 1));
  return assignment;
}

namespace {

UsageError FromSource(const ParamAssignment& assignment, const UsageError& error) {
  return assignment.source.empty() ? error : UsageError(assignment.source + ": " + error.what());
}

}  // namespace

void ApplyAssignments(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments,
                      long frame) {
  for (const ParamAssignment& assignment : assignments) {
    try {
      ApplyValue(params, *assignment.param, assignment.ValueAt(frame));
    } catch (const UsageError& error) {
      throw FromSource(assignment, error);
    }
  }
}

void CheckKeyframes(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments) {
  for (const ParamAssignment& assignment : assignments) {
    for (size_t i = 0; i < assignment.keys.size(); ++i) {
      try {
        ApplyValue(params, *assignment.param, assignment.keys[i].value);
      } catch (const UsageError& error) {
        throw FromSource(assignment, UsageError(KeyPosition(i + 1, assignment.keys[i].frame) + error.what()));
      }
    }
  }
}

}  // namespace app
