// The names a user gives parameters by, learnt from the definitions the module
// registered. A name shared by several controls (every colour dot's "Color",
// every point's "Activate") is qualified by its group: "Color Dot 3/Color",
// "Point 2/Activate"; a name that occurs once stands alone ("Line Width").
#pragma once

#include <string>
#include <vector>

#include "host/sdk/EffectTypes.h"

namespace app {

struct NamedParam {
  std::string name;   // the name a user types, qualified when needed
  int index = 0;      // position in the parameter array (0 is the input layer)
  PF_ParamDef def{};  // the definition as registered
};

class ParamNameTable {
 public:
  // `registered` holds the definitions in registration order; the first is
  // index 1 of the parameter array.
  explicit ParamNameTable(const std::vector<PF_ParamDef>& registered);

  // Every registered entry, group starts and ends included, in index order.
  const std::vector<NamedParam>& Entries() const { return entries_; }

  // The control a user means by `name`; throws UsageError for a name that is
  // unknown (suggesting a name that differs only in case) or that names a group.
  const NamedParam& Find(const std::string& name) const;

  static bool IsGroupEntry(const PF_ParamDef& def);

 private:
  std::vector<NamedParam> entries_;
};

}  // namespace app
