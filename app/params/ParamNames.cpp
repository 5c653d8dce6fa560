#include "app/params/ParamNames.h"

#include <algorithm>
#include <cctype>

#include "app/AppErrors.h"
#include "host/embedded/ParamArray.h"

namespace app {
namespace {

std::string Lowercase(const std::string& text) {
  std::string out = text;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

bool ParamNameTable::IsGroupEntry(const PF_ParamDef& def) {
  return def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END;
}

ParamNameTable::ParamNameTable(const std::vector<PF_ParamDef>& registered) {
  // The embedded host knows how a user names each parameter; ask it rather
  // than keep a second rule here.
  const PF_InData no_render{};
  embedded::ParamArray array(&no_render, nullptr, registered);
  for (int index = 1; index < array.Size(); ++index) {
    NamedParam entry;
    entry.def = array.At(index);
    entry.index = index;
    if (entry.def.param_type != PF_Param_GROUP_END) {
      char name[2 * PF_MAX_PARAM_NAME_LEN + 4];
      array.DisplayName(index, name, sizeof name);
      entry.name = name;
    }
    entries_.push_back(entry);
  }
}

const NamedParam& ParamNameTable::Find(const std::string& name) const {
  for (const NamedParam& entry : entries_) {
    if (!IsGroupEntry(entry.def) && entry.name == name) return entry;
  }
  for (const NamedParam& entry : entries_) {
    if (IsGroupEntry(entry.def) && !entry.name.empty() && entry.name == name) {
      throw UsageError("'" + name + "' is a group of parameters, not a parameter",
                       Hint::kGroupMembers);
    }
  }
  const NamedParam* same_but_case = nullptr;
  for (const NamedParam& entry : entries_) {
    if (!IsGroupEntry(entry.def) && Lowercase(entry.name) == Lowercase(name))
      same_but_case = &entry;
  }
  if (same_but_case != nullptr) {
    throw UsageError("unknown parameter '" + name + "'; did you mean '" + same_but_case->name +
                     "'?");
  }
  throw UsageError("unknown parameter '" + name + "'", Hint::kParameterList);
}

}  // namespace app
