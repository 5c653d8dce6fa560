#include "shell/ParamSetup.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Common/ParamIndex.h"
#include "render/HostInfo.h"
#include "render/TransferModes.h"

namespace {

// The host's flag sets, as the controls use them.
constexpr PF_ParamFlags kStatic = PF_ParamFlag_CANNOT_TIME_VARY | PF_ParamFlag_CANNOT_INTERP;
constexpr PF_ParamFlags kTwirl = PF_ParamFlag_COLLAPSE_TWIRLY;
constexpr PF_ParamFlags kWatch =
    PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_INTERP | PF_ParamFlag_CANNOT_TIME_VARY;

constexpr const char* kOutputViewChoices = "Normal|Gradient View (hoz)|Gradient View (vert)";
constexpr const char* kRenderingStyleChoices = "Draw on Black|Draw on Image|Draw on Clear";
constexpr const char* kEndPointStyleChoices = "Round|Flat";
constexpr const char* kRepeatStyleChoices = "Repeat|Reflect";
constexpr const char* kInterpolationChoices = "RGB (linear)|RGB (preserve lum)|HSL";
constexpr const char* kGradientModeChoices = "Normal|Inside Only|Outside Only";

constexpr PF_Fixed ToFixed(int whole) { return static_cast<PF_Fixed>(whole * 65536); }

struct DotDefault {
  bool active;
  A_u_char red, green, blue;
  double position;  // 0..1
};

constexpr DotDefault kDotDefaults[param::kColorDotCount] = {
    {true, 255, 0, 0, 0.2},  {true, 0, 255, 0, 0.5},  {true, 0, 0, 255, 0.8},
    {false, 0, 0, 0, 0.0},   {false, 0, 0, 0, 0.0},   {false, 0, 0, 0, 0.0},
    {false, 0, 0, 0, 0.0},   {false, 0, 0, 0, 0.0},   {false, 0, 0, 0, 0.0},
    {false, 0, 0, 0, 0.0},
};

// Appends definitions through add_param; after the first failure nothing more
// reaches the host and the failure's code is kept.
class ParamRegistrar {
 public:
  explicit ParamRegistrar(PF_InData* in_data) : in_data_(in_data) {}

  PF_Err Result() const { return err_; }

  void GroupStart(A_long id, const char* name) {
    PF_ParamDef def = Blank(PF_Param_GROUP_START, id, name);
    Add(def);
  }

  void GroupEnd(A_long id) {
    PF_ParamDef def = Blank(PF_Param_GROUP_END, id, nullptr);
    Add(def);
  }

  void Checkbox(A_long id, const char* name, bool on, PF_ParamFlags flags) {
    PF_ParamDef def = Blank(PF_Param_CHECKBOX, id, name);
    def.flags = flags;
    def.u.bd.value = on ? 1 : 0;
    def.u.bd.dephault = on ? 1 : 0;
    def.u.bd.u.nameptr = "";
    Add(def);
  }

  void Popup(A_long id, const char* name, A_short choices, const char* texts, A_short dflt) {
    PF_ParamDef def = Blank(PF_Param_POPUP, id, name);
    def.flags = kStatic;
    def.u.pd.value = dflt;
    def.u.pd.num_choices = choices;
    def.u.pd.dephault = dflt;
    def.u.pd.u.namesptr = texts;
    Add(def);
  }

  void FixedSlider(A_long id, const char* name, PF_Fixed lo, PF_Fixed hi, PF_Fixed dflt,
                   A_short precision, PF_ValueDisplayFlags display) {
    PF_ParamDef def = Blank(PF_Param_FIX_SLIDER, id, name);
    def.flags = kTwirl;
    def.u.fd.value = dflt;
    def.u.fd.valid_min = lo;
    def.u.fd.slider_min = lo;
    def.u.fd.valid_max = hi;
    def.u.fd.slider_max = hi;
    def.u.fd.dephault = dflt;
    def.u.fd.precision = precision;
    def.u.fd.display_flags = display;
    Add(def);
  }

  void Color(A_long id, const char* name, PF_Pixel dflt) {
    PF_ParamDef def = Blank(PF_Param_COLOR, id, name);
    def.flags = kTwirl;
    def.u.cd.value = dflt;
    def.u.cd.dephault = dflt;
    Add(def);
  }

  // x and y in the unit square; stored as whole percent in 16.16.
  void Point(A_long id, const char* name, double x, double y) {
    PF_ParamDef def = Blank(PF_Param_POINT, id, name);
    def.ui_flags = PF_PUI_DISABLED;
    def.u.td.restrict_bounds = 0;
    def.u.td.x_dephault = ToFixed(static_cast<int>(100.0 * x));  // truncates toward zero
    def.u.td.y_dephault = ToFixed(static_cast<int>(100.0 * y));
    def.u.td.x_value = def.u.td.x_dephault;
    def.u.td.y_value = def.u.td.y_dephault;
    Add(def);
  }

  void Path(A_long id, const char* name) {
    PF_ParamDef def = Blank(PF_Param_PATH, id, name);
    def.u.path_d.path_id = 0;
    def.u.path_d.dephault = 0;
    Add(def);
  }

 private:
  PF_ParamDef Blank(PF_ParamType type, A_long id, const char* name) const {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = type;
    def.uu.id = id;
    if (name != nullptr) {
      in_data_->utils->ansi.strcpy(def.name, name);
    }
    return def;
  }

  void Add(PF_ParamDef& def) {
    if (err_ != PF_Err_NONE) {
      return;
    }
    err_ = in_data_->inter.add_param(in_data_->effect_ref, -1, &def);
  }

  PF_InData* in_data_;
  PF_Err err_ = PF_Err_NONE;
};

constexpr const char* kDotNames[param::kColorDotCount] = {
    "Color Dot 1", "Color Dot 2", "Color Dot 3", "Color Dot 4", "Color Dot 5",
    "Color Dot 6", "Color Dot 7", "Color Dot 8", "Color Dot 9", "Color Dot 10",
};

constexpr const char* kPointNames[param::kPointCount] = {
    "Point 1", "Point 2", "Point 3", "Point 4", "Point 5", "Point 6",
};

// Indexes 2 to 78, the same in both layouts.
void RegisterCommonControls(ParamRegistrar& reg) {
  reg.Popup(2, "Output View", 3, kOutputViewChoices, 1);
  reg.Popup(3, "Rendering Style", 3, kRenderingStyleChoices, 2);

  reg.GroupStart(4, "Line Rendering");
  reg.FixedSlider(5, "Line Width", ToFixed(1), ToFixed(1000), ToFixed(20), 2, 0);
  // Identifiers 78 and 77 were added later; stored projects keep them.
  reg.Popup(78, "End Point Style", 2, kEndPointStyleChoices, 1);
  reg.FixedSlider(6, "Falloff", ToFixed(0), ToFixed(100), ToFixed(20), 2, 0);
  reg.Popup(7, "Repeat Style", 2, kRepeatStyleChoices, 1);
  reg.FixedSlider(8, "Repeats", ToFixed(1), ToFixed(10), ToFixed(1), 0, 0);
  reg.FixedSlider(9, "Gradient Offset", ToFixed(-500), ToFixed(500), ToFixed(0), 2, 0);
  reg.Popup(10, "Gradient Interpolation", 3, kInterpolationChoices, 2);
  reg.Checkbox(77, "Wrap Gradient Around?", false, kStatic);
  reg.Popup(11, "Gradient Mode", 3, kGradientModeChoices, 1);
  reg.GroupEnd(12);

  reg.GroupStart(13, "Gradient Color Dots");
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    const DotDefault& dot = kDotDefaults[k - 1];
    const A_long id = param::ColorDotHeader(k) - 2;
    reg.GroupStart(id, kDotNames[k - 1]);
    reg.Checkbox(id + 1, "Activate", dot.active, 0);
    reg.Color(id + 2, "Color", PF_Pixel{255, dot.red, dot.green, dot.blue});
    const PF_Fixed position = static_cast<PF_Fixed>(dot.position * 100.0 * 65536.0);
    reg.FixedSlider(id + 3, "Gradient Position", ToFixed(0), ToFixed(100), position, 2, 0);
    reg.FixedSlider(id + 4, "Opacity", ToFixed(0), ToFixed(100), ToFixed(100), 2, 0);
    reg.GroupEnd(id + 5);
  }
  reg.GroupEnd(74);

  reg.Popup(75, "Original Blend Transfer", static_cast<A_short>(TransferModeCount()),
            TransferModeList(), 1);
  reg.FixedSlider(76, "Composite with Original", ToFixed(0), ToFixed(100), ToFixed(0), 2,
                  PF_ValueDisplayFlag_PERCENT);
}

void RegisterPointControls(ParamRegistrar& reg) {
  reg.GroupStart(79, "Path Points");
  reg.Color(80, "Path Color", PF_Pixel{255, 255, 255, 255});
  reg.Checkbox(81, "Close Path?", false, kStatic);
  for (int k = 1; k <= param::kPointCount; ++k) {
    const A_long p = param::PointHeader(k);
    const PointDefaultPair d = PointDefaultPosition(k);
    reg.GroupStart(p, kPointNames[k - 1]);
    reg.Checkbox(p + 1, "Activate", false, kWatch);
    reg.Point(p + 2, "Point", d.pointX, d.pointY);
    reg.Point(p + 3, "Handle", d.handleX, d.handleY);
    reg.GroupEnd(p + 4);
  }
  reg.GroupEnd(112);
}

constexpr double kDegreesToRadians = 0.017453292519943295;

// Rotation about (cx, cy), each step rounded to double.
void Rotate(double& x, double& y, double degrees, double cx, double cy) {
  const double theta = degrees * kDegreesToRadians;
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  const double dx = x - cx;
  const double dy = y - cy;
  const double rx = dx * c - dy * s;
  const double ry = dx * s + dy * c;
  x = rx + cx;
  y = ry + cy;
}

constexpr A_long kMaskLayoutParamCount = 79;

}  // namespace

PointDefaultPair PointDefaultPosition(int k) {
  // Six points on a circle of radius 0.25 around the centre, 60 degrees apart,
  // the first 30 degrees clockwise from straight up; handles 15 degrees behind.
  // Repeated rotation is kept (not a closed form) because stored projects
  // expect the truncated percentages it gives.
  double px = 0.5, py = 0.25;
  double hx = 0.5, hy = 0.25;
  Rotate(px, py, 30.0, 0.5, 0.5);
  Rotate(hx, hy, 15.0, 0.5, 0.5);
  for (int i = 1; i < k; ++i) {
    Rotate(px, py, 60.0, 0.5, 0.5);
    Rotate(hx, hy, 60.0, 0.5, 0.5);
  }
  return {px, py, hx, hy};
}

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
  ParamRegistrar reg(in_data);
  const bool mask_layout = GetHostInfo().PathMode == PathLayout::kMask;
  if (mask_layout) {
    reg.Path(1, "Path");
  } else {
    reg.Checkbox(1, "Show Path?", true, kStatic);
  }
  RegisterCommonControls(reg);
  if (!mask_layout) {
    RegisterPointControls(reg);
  }
  if (reg.Result() != PF_Err_NONE) {
    return reg.Result();
  }
  out_data->num_params = mask_layout ? kMaskLayoutParamCount : param::kCount;
  return PF_Err_NONE;
}
