#include "app/ParamNames.h"

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
      throw UsageError("'" + name + "' is a group of parameters, not a parameter; " +
                       "'lustre-strand params' lists the names of its members");
    }
  }
  std::string hint;
  for (const NamedParam& entry : entries_) {
    if (!IsGroupEntry(entry.def) && Lowercase(entry.name) == Lowercase(name)) {
      hint = "; did you mean '" + entry.name + "'?";
    }
  }
  if (hint.empty()) hint = "; 'lustre-strand params' lists every name";
  throw UsageError("unknown parameter '" + name + "'" + hint);
}

}  // namespace app
