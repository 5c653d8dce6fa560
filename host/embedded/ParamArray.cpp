#include "host/embedded/ParamArray.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace embedded {

namespace {

const char* TypeName(PF_ParamType type) {
  switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_FIX_SLIDER: return "slider";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_PATH: return "path";
    case PF_Param_GROUP_START: return "group start";
    case PF_Param_GROUP_END: return "group end";
    default: return "other";
  }
}

// Formats a slider bound without trailing zeros ("1", "-500", "0.5").
void FormatNumber(double v, char* out, size_t size) { std::snprintf(out, size, "%.6g", v); }

}  // namespace

std::vector<std::string> PopupChoiceNames(const PF_ParamDef& def) {
  std::vector<std::string> choices;
  std::string current;
  for (const char* p = def.u.pd.u.namesptr != nullptr ? def.u.pd.u.namesptr : "";; ++p) {
    if (*p == '|' || *p == '\0') {
      choices.push_back(current);
      current.clear();
      if (*p == '\0') break;
    } else {
      current += *p;
    }
  }
  return choices;
}

PF_Fixed PointDefaultToPixels(PF_Fixed percent, A_long size) {
  // Integer division truncates toward zero, as the host delivers defaults.
  return static_cast<PF_Fixed>(static_cast<int64_t>(percent) * static_cast<int64_t>(size) / 100);
}

PF_Fixed PointValueToFixed(double v, const PF_RationalScale& downsample) {
  const double scale = static_cast<double>(downsample.num) / static_cast<double>(downsample.den);
  return static_cast<PF_Fixed>(std::floor(v * scale * 65536.0 + 0.5));
}

ParamArray::ParamArray(const PF_InData* in_data, PF_EffectWorld* input,
                       const std::vector<PF_ParamDef>& registered)
    : in_data_(in_data) {
  defs_.resize(registered.size() + 1);
  PF_ParamDef& layer = defs_[0];
  std::memset(&layer, 0, sizeof layer);
  layer.param_type = PF_Param_LAYER;
  if (input != nullptr) { layer.u.ld = *input; }
  const A_long width = input != nullptr ? input->width : 0;
  const A_long height = input != nullptr ? input->height : 0;
  for (size_t i = 0; i < registered.size(); ++i) {
    PF_ParamDef& def = defs_[i + 1];
    def = registered[i];
    switch (def.param_type) {
      case PF_Param_FIX_SLIDER: def.u.fd.value = def.u.fd.dephault; break;
      case PF_Param_CHECKBOX: def.u.bd.value = def.u.bd.dephault; break;
      case PF_Param_POPUP: def.u.pd.value = def.u.pd.dephault; break;
      case PF_Param_COLOR: def.u.cd.value = def.u.cd.dephault; break;
      case PF_Param_PATH: def.u.path_d.path_id = def.u.path_d.dephault; break;
      case PF_Param_POINT:
        def.u.td.x_value = PointDefaultToPixels(def.u.td.x_dephault, width);
        def.u.td.y_value = PointDefaultToPixels(def.u.td.y_dephault, height);
        break;
      default: break;
    }
  }
  pointers_.reserve(defs_.size());
  for (PF_ParamDef& def : defs_) { pointers_.push_back(&def); }
}

PF_ParamDef& ParamArray::At(int index) {
  if (index < 0 || index >= Size()) {
    char msg[96];
    std::snprintf(msg, sizeof msg, "parameter index %d is outside 0..%d", index, Size() - 1);
    throw std::out_of_range(msg);
  }
  return defs_[static_cast<size_t>(index)];
}

void ParamArray::DisplayName(int index, char* out, size_t size) const {
  const PF_ParamDef& def = defs_[static_cast<size_t>(index)];
  int same_name = 0;
  for (const PF_ParamDef& other : defs_) {
    if (std::strcmp(other.name, def.name) == 0) { ++same_name; }
  }
  // The nearest group start above that is still open.
  int depth = 0;
  const char* group = nullptr;
  for (int i = index - 1; i > 0; --i) {
    const PF_ParamDef& above = defs_[static_cast<size_t>(i)];
    if (above.param_type == PF_Param_GROUP_END) {
      ++depth;
    } else if (above.param_type == PF_Param_GROUP_START) {
      if (depth == 0) {
        group = above.name;
        break;
      }
      --depth;
    }
  }
  if (same_name > 1 && group != nullptr) {
    std::snprintf(out, size, "%s/%s", group, def.name);
  } else {
    std::snprintf(out, size, "%s", def.name);
  }
}

void ParamArray::Refuse(int index, const char* what) const {
  char name[80];
  DisplayName(index, name, sizeof name);
  char msg[512];
  std::snprintf(msg, sizeof msg, "parameter \"%s\" (index %d): %s", name, index, what);
  throw std::invalid_argument(msg);
}

PF_ParamDef& ParamArray::Checked(int index, PF_ParamType type) {
  PF_ParamDef& def = At(index);
  if (def.param_type != type) {
    char what[96];
    std::snprintf(what, sizeof what, "is a %s, not a %s", TypeName(def.param_type), TypeName(type));
    Refuse(index, what);
  }
  return def;
}

void ParamArray::SetCheckbox(int index, bool on) {
  Checked(index, PF_Param_CHECKBOX).u.bd.value = on ? 1 : 0;
}

void ParamArray::SetPopup(int index, int value) {
  PF_ParamDef& def = Checked(index, PF_Param_POPUP);
  if (value < 1 || value > def.u.pd.num_choices) {
    char what[400];
    std::snprintf(what, sizeof what, "%d is not a choice; choices are 1 to %d (%s)", value,
                  def.u.pd.num_choices, def.u.pd.u.namesptr != nullptr ? def.u.pd.u.namesptr : "");
    Refuse(index, what);
  }
  def.u.pd.value = value;
}

void ParamArray::SetFixed(int index, double value) {
  PF_ParamDef& def = Checked(index, PF_Param_FIX_SLIDER);
  // Checked as the number given, before the 16.16 conversion.
  const double lo = def.u.fd.valid_min / 65536.0;
  const double hi = def.u.fd.valid_max / 65536.0;
  if (!(value >= lo && value <= hi)) {
    char lo_text[32];
    char hi_text[32];
    char v_text[32];
    FormatNumber(lo, lo_text, sizeof lo_text);
    FormatNumber(hi, hi_text, sizeof hi_text);
    FormatNumber(value, v_text, sizeof v_text);
    char what[160];
    std::snprintf(what, sizeof what, "%s is outside the range %s to %s", v_text, lo_text, hi_text);
    Refuse(index, what);
  }
  def.u.fd.value = static_cast<PF_Fixed>(std::floor(value * 65536.0 + 0.5));
}

void ParamArray::SetColor(int index, PF_Pixel color) {
  Checked(index, PF_Param_COLOR).u.cd.value = color;
}

void ParamArray::SetPoint(int index, double x, double y) {
  PF_ParamDef& def = Checked(index, PF_Param_POINT);
  // The 16.16 result must fit: |v * scale| below 32768 pixels.
  const double limit = 32767.0;
  const double sx = x * in_data_->downsample_x.num / in_data_->downsample_x.den;
  const double sy = y * in_data_->downsample_y.num / in_data_->downsample_y.den;
  if (!std::isfinite(sx) || !std::isfinite(sy) || std::fabs(sx) > limit || std::fabs(sy) > limit) {
    Refuse(index, "coordinates must be finite and within -32767 to 32767 pixels");
  }
  def.u.td.x_value = PointValueToFixed(x, in_data_->downsample_x);
  def.u.td.y_value = PointValueToFixed(y, in_data_->downsample_y);
}

void ParamArray::SetPathId(int index, PF_PathID id) {
  Checked(index, PF_Param_PATH).u.path_d.path_id = id;
}

}  // namespace embedded
