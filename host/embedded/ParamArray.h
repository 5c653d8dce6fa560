// The parameter array of one render: entry 0 the input layer, entries 1..n
// copies of the registered definitions holding their current values. Values
// are set as a user gives them (slider numbers, popup choices, points in
// full-resolution pixels) and delivered in the host's encodings; a value the
// parameter does not accept is refused with std::invalid_argument naming the
// parameter and what it accepts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/sdk/EffectCallbacks.h"

namespace embedded {

class ParamArray {
 public:
  // in_data gives the downsample factors in force when a point is set; it
  // must outlive the array. Point defaults are delivered for the input world.
  ParamArray(const PF_InData* in_data, PF_EffectWorld* input,
             const std::vector<PF_ParamDef>& registered);

  ParamArray(ParamArray&&) = default;
  ParamArray& operator=(ParamArray&&) = default;
  ParamArray(const ParamArray&) = delete;
  ParamArray& operator=(const ParamArray&) = delete;

  // The host's params[]: pointers stay valid for the array's life.
  PF_ParamDef** Get() { return pointers_.data(); }
  PF_ParamDef& At(int index);
  int Size() const { return static_cast<int>(defs_.size()); }

  void SetCheckbox(int index, bool on);
  void SetPopup(int index, int value);  // 1-based choice
  void SetFixed(int index, double value);
  void SetColor(int index, PF_Pixel color);
  void SetPoint(int index, double x, double y);  // full-resolution pixels
  void SetPathId(int index, PF_PathID id);

  // The name a user knows the parameter by: its own name, qualified by its
  // group's name ("Color Dot 3/Opacity") when other parameters share it.
  void DisplayName(int index, char* out, size_t size) const;

 private:
  PF_ParamDef& Checked(int index, PF_ParamType type);
  [[noreturn]] void Refuse(int index, const char* what) const;

  const PF_InData* in_data_;
  std::vector<PF_ParamDef> defs_;
  std::vector<PF_ParamDef*> pointers_;
};

// The choices of a popup definition, first choice first: its names split at '|'.
std::vector<std::string> PopupChoiceNames(const PF_ParamDef& def);

// Point defaults are 16.16 percentages; delivered as trunc(pct * size / 100)
// in 64-bit integers, giving 16.16 pixels of the world.
PF_Fixed PointDefaultToPixels(PF_Fixed percent, A_long size);
// A full-resolution pixel coordinate delivered at downsample num/den:
// floor(v * num/den * 65536 + 0.5).
PF_Fixed PointValueToFixed(double v, const PF_RationalScale& downsample);

}  // namespace embedded
