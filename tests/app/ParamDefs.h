// Parameter definitions built by hand for the tests, shaped like those the
// effect registers.
#pragma once

#include <cstring>

#include "host/sdk/AE_Effect.h"

namespace testdefs {

inline PF_ParamDef Named(PF_ParamType type, const char* name) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof def);
  def.param_type = type;
  std::strncpy(def.name, name, sizeof def.name - 1);
  return def;
}

inline PF_ParamDef Slider(const char* name, double lo, double hi, double dflt) {
  PF_ParamDef def = Named(PF_Param_FIX_SLIDER, name);
  def.u.fd.valid_min = def.u.fd.slider_min = static_cast<PF_Fixed>(lo * 65536);
  def.u.fd.valid_max = def.u.fd.slider_max = static_cast<PF_Fixed>(hi * 65536);
  def.u.fd.dephault = def.u.fd.value = static_cast<PF_Fixed>(dflt * 65536);
  return def;
}

inline PF_ParamDef Popup(const char* name, const char* choices, short count, short dflt) {
  PF_ParamDef def = Named(PF_Param_POPUP, name);
  def.u.pd.num_choices = count;
  def.u.pd.dephault = dflt;
  def.u.pd.value = dflt;
  def.u.pd.u.namesptr = choices;
  return def;
}

inline PF_ParamDef Checkbox(const char* name, bool on) {
  PF_ParamDef def = Named(PF_Param_CHECKBOX, name);
  def.u.bd.dephault = on ? 1 : 0;
  def.u.bd.value = on ? 1 : 0;
  def.u.bd.u.nameptr = "";
  return def;
}

inline PF_ParamDef Color(const char* name, PF_Pixel dflt) {
  PF_ParamDef def = Named(PF_Param_COLOR, name);
  def.u.cd.dephault = def.u.cd.value = dflt;
  return def;
}

inline PF_ParamDef Point(const char* name, int x_pct, int y_pct) {
  PF_ParamDef def = Named(PF_Param_POINT, name);
  def.u.td.x_dephault = def.u.td.x_value = x_pct * 65536;
  def.u.td.y_dephault = def.u.td.y_value = y_pct * 65536;
  return def;
}

inline PF_ParamDef GroupStart(const char* name) { return Named(PF_Param_GROUP_START, name); }
inline PF_ParamDef GroupEnd() { return Named(PF_Param_GROUP_END, ""); }

}  // namespace testdefs
