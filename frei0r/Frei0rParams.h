// The effect's parameters as frei0r parameters: one table, built from the
// definitions the effect registers, that says for each frei0r parameter its
// name, its type and how its value (frei0r's units: doubles in [0, 1], colour
// channels in [0, 1], strings) becomes a value of the effect's parameter. The
// plug-in sets values through it; `lustre-strand frei0r-params` prints it.
//
//   checkbox  -> BOOL     on when the value is 0.5 or more
//   slider    -> DOUBLE   min + v x (max - min), v clamped to [0, 1], rounded to
//                         the slider's shown decimals (so a value typed with a
//                         few more digits than needed gives the number exactly)
//   popup     -> STRING   a choice's text (any case) or its 1-based number
//   colour    -> COLOR    each channel round(255 x c), c clamped to [0, 1]
//   point     -> 2 DOUBLE x and y as fractions of the frame's width and height,
//                         delivered as full-resolution pixels; a point whose two
//                         values are its defaults is delivered as the host
//                         delivers a default
//
// Names are the command's names ("Line Width", "Color Dot 3/Color") without
// question marks; a point's two values add " X" and " Y".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/params/ParamNames.h"
#include "host/embedded/ParamArray.h"
#include "host/sdk/EffectTypes.h"

namespace lustre_frei0r {

// frei0r's parameter types, with the interface's numbers (F0R_PARAM_*).
enum class Frei0rType : int { kBool = 0, kDouble = 1, kColor = 2, kString = 4 };

// What a frei0r parameter sets in the effect.
enum class Mapping { kCheckbox, kSlider, kPopup, kColor, kPointX, kPointY };

struct Frei0rColor {
  float r = 0, g = 0, b = 0;
};

// The value a host holds for one frei0r parameter, in frei0r's units.
struct Frei0rValue {
  double number = 0;  // BOOL and DOUBLE
  Frei0rColor color;  // COLOR
  std::string text;   // STRING
};

struct Frei0rParam {
  std::string name;  // frei0r's name for it
  Frei0rType type = Frei0rType::kDouble;
  Mapping mapping = Mapping::kSlider;
  int effect_index = 0;              // position in the effect's parameter array
  std::string effect_name;           // the name the command knows the parameter by
  double min = 0, max = 0;           // slider range
  int precision = 0;                 // slider decimals
  std::vector<std::string> choices;  // popup, first choice first
  Frei0rValue default_value;
  std::string explanation;  // how the value maps, as frei0r hosts show it
};

class Frei0rParamTable {
 public:
  // Built from the effect's parameters as a user names them; groups become
  // no parameter.
  explicit Frei0rParamTable(const app::ParamNameTable& names);

  const std::vector<Frei0rParam>& Params() const { return params_; }
  int Size() const { return static_cast<int>(params_.size()); }
  std::vector<Frei0rValue> Defaults() const;

  // Sets every value into the parameter array of a width x height frame.
  // A popup text that names no choice throws std::invalid_argument naming
  // the parameter and its choices.
  void Apply(const std::vector<Frei0rValue>& values, embedded::ParamArray& array, int width,
             int height) const;

 private:
  std::vector<Frei0rParam> params_;
};

// The slider's number for frei0r value v.
double SliderNumber(const Frei0rParam& param, double v);
// The frei0r value whose slider number is `number` (exact up to rounding).
double SliderFrei0rValue(const Frei0rParam& param, double number);
// An opaque 8-bit colour from frei0r's channels.
PF_Pixel ColorToPixel(const Frei0rColor& color);
// The 1-based choice a popup text names, or 0 when it names none.
int PopupChoice(const Frei0rParam& param, const std::string& text);

// The property name GStreamer's frei0r element makes of a frei0r name:
// lower case, every character but a-z, 0-9, '-' and '+' turned into '-',
// and "param-" put in front of a name that does not start with a letter.
std::string GStreamerPropertyName(const std::string& frei0r_name);

// ffmpeg's filter_params, which gives frei0r values by position: every
// parameter up to the last one in `given`, the others at their defaults,
// separated by '|'. `given` holds (frei0r name, value as ffmpeg takes it:
// y/n, a number, #rrggbb, a choice's text); an unknown name throws
// std::invalid_argument.
std::string FfmpegFilterParams(const Frei0rParamTable& table,
                               const std::vector<std::pair<std::string, std::string>>& given);

// The table as `lustre-strand frei0r-params` prints it: frei0r index (the
// position in ffmpeg's filter_params and MLT's index), frei0r name, GStreamer
// property, type, default in frei0r's units, effect parameter, how it maps.
std::string MappingTableText(const Frei0rParamTable& table);

}  // namespace lustre_frei0r
