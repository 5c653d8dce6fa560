#include "app/params/ParamSettings.h"

#include "app/AppErrors.h"

namespace app {

ParamAssignment AssignText(const std::string& name, const std::string& text,
                           const ParamNameTable& names) {
  ParamAssignment assignment;
  assignment.param = &names.Find(name);
  assignment.value = ParseValueText(*assignment.param, text);
  return assignment;
}

namespace {

UsageError FromSource(const ParamAssignment& assignment, const UsageError& error) {
  return assignment.source.empty() ? error : error.Prefixed(assignment.source + ": ");
}

}  // namespace

void ApplyAssignments(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments,
                      long frame) {
  for (const ParamAssignment& assignment : assignments) {
    try {
      ApplyValue(params, *assignment.param, assignment.ValueAt(frame));
    } catch (const UsageError& error) { throw FromSource(assignment, error); }
  }
}

void CheckKeyframes(embedded::ParamArray& params, const std::vector<ParamAssignment>& assignments) {
  for (const ParamAssignment& assignment : assignments) {
    for (size_t i = 0; i < assignment.keys.size(); ++i) {
      try {
        ApplyValue(params, *assignment.param, assignment.keys[i].value);
      } catch (const UsageError& error) {
        throw FromSource(assignment, error.Prefixed(KeyPosition(i + 1, assignment.keys[i].frame)));
      }
    }
  }
}

}  // namespace app
