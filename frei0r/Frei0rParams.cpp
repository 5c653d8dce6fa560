#include "frei0r/Frei0rParams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/params/ParamText.h"
#include "app/params/ParamValues.h"

namespace lustre_frei0r {
namespace {

std::string FormatNumber(double value, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

// frei0r names drop the question marks of the effect's names ("Show Path?"),
// which GStreamer would turn into a trailing '-'.
std::string Frei0rName(const std::string& effect_name) {
  std::string name;
  for (char c : effect_name) {
    if (c != '?') name += c;
  }
  return name;
}

std::string JoinChoices(const std::vector<std::string>& choices, const char* separator) {
  std::string joined;
  for (size_t i = 0; i < choices.size(); ++i) joined += (i ? separator : "") + choices[i];
  return joined;
}

Frei0rParam Slider(const std::string& name, const PF_ParamDef& def) {
  Frei0rParam p;
  p.type = Frei0rType::kDouble;
  p.mapping = Mapping::kSlider;
  p.min = def.u.fd.valid_min / 65536.0;
  p.max = def.u.fd.valid_max / 65536.0;
  p.precision = def.u.fd.precision;
  p.default_value.number = SliderFrei0rValue(p, def.u.fd.dephault / 65536.0);
  const std::string offset = p.min == 0 ? "" : FormatNumber(p.min, 6) + " + ";
  p.explanation =
      name + " = " + offset + FormatNumber(p.max - p.min, 6) + " x value, " +
      (p.precision == 0 ? std::string("rounded to a whole number")
                        : "rounded to " + FormatNumber(std::pow(10.0, -p.precision), 6));
  return p;
}

Frei0rParam Popup(const std::string& name, const PF_ParamDef& def) {
  Frei0rParam p;
  p.type = Frei0rType::kString;
  p.mapping = Mapping::kPopup;
  p.choices = app::PopupChoices(def);
  const int d = def.u.pd.dephault;
  p.default_value.text = d >= 1 && d <= static_cast<int>(p.choices.size())
                             ? p.choices[static_cast<size_t>(d - 1)]
                             : std::to_string(d);
  p.explanation = name + ": one of " + JoinChoices(p.choices, "|") + ", or its number from 1";
  return p;
}

Frei0rParam Color(const std::string& name, const PF_ParamDef& def) {
  Frei0rParam p;
  p.type = Frei0rType::kColor;
  p.mapping = Mapping::kColor;
  const PF_Pixel& d = def.u.cd.dephault;
  p.default_value.color = {d.red / 255.0f, d.green / 255.0f, d.blue / 255.0f};
  p.explanation = name + ": each 8-bit channel round(255 x value)";
  return p;
}

Frei0rParam Checkbox(const std::string& name, const PF_ParamDef& def) {
  Frei0rParam p;
  p.type = Frei0rType::kBool;
  p.mapping = Mapping::kCheckbox;
  p.default_value.number = def.u.bd.dephault != 0 ? 1.0 : 0.0;
  p.explanation = name + ": on when the value is 0.5 or more";
  return p;
}

// A point's two frei0r values; defaults are the effect's percentages.
Frei0rParam PointCoordinate(const std::string& name, const PF_ParamDef& def, bool x) {
  Frei0rParam p;
  p.type = Frei0rType::kDouble;
  p.mapping = x ? Mapping::kPointX : Mapping::kPointY;
  p.default_value.number = (x ? def.u.td.x_dephault : def.u.td.y_dephault) / 65536.0 / 100.0;
  p.explanation = name + (x ? " x = value x frame width" : " y = value x frame height") +
                  ", in full-resolution pixels";
  return p;
}

A_u_char ColorChannel(float c) {
  if (!(c > 0.0f)) return 0;  // also NaN
  if (c >= 1.0f) return 255;
  return static_cast<A_u_char>(std::floor(static_cast<double>(c) * 255.0 + 0.5));
}

std::string FormatDefault(const Frei0rParam& p) {
  switch (p.type) {
    case Frei0rType::kBool: return p.default_value.number >= 0.5 ? "1" : "0";
    case Frei0rType::kDouble: return FormatNumber(p.default_value.number, 9);
    case Frei0rType::kString: return p.default_value.text;
    case Frei0rType::kColor: {
      const PF_Pixel c = ColorToPixel(p.default_value.color);
      char text[8];
      std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red, c.green, c.blue);
      return text;
    }
  }
  return "";
}

const char* TypeWord(Frei0rType type) {
  switch (type) {
    case Frei0rType::kBool: return "bool";
    case Frei0rType::kDouble: return "double";
    case Frei0rType::kColor: return "color";
    case Frei0rType::kString: return "string";
  }
  return "";
}

}  // namespace

double SliderNumber(const Frei0rParam& param, double v) {
  const double clamped = v >= 1.0 ? 1.0 : (v > 0.0 ? v : 0.0);  // NaN gives 0
  const double number = param.min + clamped * (param.max - param.min);
  // Rounded to the decimals the slider shows, so that a frei0r value typed
  // with a few digits more than needed lands on the number exactly (and in
  // range: the bounds are whole numbers of those decimals).
  const double scale = std::pow(10.0, param.precision);
  return std::round(number * scale) / scale;
}

double SliderFrei0rValue(const Frei0rParam& param, double number) {
  return (number - param.min) / (param.max - param.min);
}

PF_Pixel ColorToPixel(const Frei0rColor& color) {
  return {255, ColorChannel(color.r), ColorChannel(color.g), ColorChannel(color.b)};
}

int PopupChoice(const Frei0rParam& param, const std::string& text) {
  return app::NamedChoice(param.choices, text);
}

std::string GStreamerPropertyName(const std::string& frei0r_name) {
  std::string name = frei0r_name;
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '+';
    if (!kept) c = '-';
  }
  if (name.empty() || name[0] < 'a' || name[0] > 'z') name = "param-" + name;
  return name;
}

Frei0rParamTable::Frei0rParamTable(const app::ParamNameTable& names) {
  for (const app::NamedParam& entry : names.Entries()) {
    const PF_ParamDef& def = entry.def;
    const std::string& qualified = entry.name;
    const std::string name = Frei0rName(qualified);
    std::vector<Frei0rParam> made;
    switch (def.param_type) {
      case PF_Param_CHECKBOX: made.push_back(Checkbox(qualified, def)); break;
      case PF_Param_FIX_SLIDER: made.push_back(Slider(qualified, def)); break;
      case PF_Param_POPUP: made.push_back(Popup(qualified, def)); break;
      case PF_Param_COLOR: made.push_back(Color(qualified, def)); break;
      case PF_Param_POINT:
        made.push_back(PointCoordinate(qualified, def, true));
        made.push_back(PointCoordinate(qualified, def, false));
        made[0].name = name + " X";
        made[1].name = name + " Y";
        break;
      default: break;  // group starts and ends
    }
    for (Frei0rParam& p : made) {
      if (p.name.empty()) p.name = name;
      p.effect_index = entry.index;
      p.effect_name = qualified;
      params_.push_back(std::move(p));
    }
  }
}

std::vector<Frei0rValue> Frei0rParamTable::Defaults() const {
  std::vector<Frei0rValue> values;
  for (const Frei0rParam& p : params_) values.push_back(p.default_value);
  return values;
}

void Frei0rParamTable::Apply(const std::vector<Frei0rValue>& values, embedded::ParamArray& array,
                             int width, int height) const {
  for (size_t i = 0; i < params_.size(); ++i) {
    const Frei0rParam& p = params_[i];
    const Frei0rValue& v = values.at(i);
    switch (p.mapping) {
      case Mapping::kCheckbox: array.SetCheckbox(p.effect_index, v.number >= 0.5); break;
      case Mapping::kSlider: array.SetFixed(p.effect_index, SliderNumber(p, v.number)); break;
      case Mapping::kColor: array.SetColor(p.effect_index, ColorToPixel(v.color)); break;
      case Mapping::kPopup: {
        const int choice = PopupChoice(p, v.text);
        if (choice == 0) {
          throw std::invalid_argument("frei0r parameter \"" + p.name + "\": '" + v.text +
                                      "' is not a choice; choices are " +
                                      JoinChoices(p.choices, ", ") + " (or 1 to " +
                                      std::to_string(p.choices.size()) + ")");
        }
        array.SetPopup(p.effect_index, choice);
        break;
      }
      case Mapping::kPointX: {
        // X and Y are neighbours in the table; the pair is set at X.
        const Frei0rParam& py = params_.at(i + 1);
        const Frei0rValue& vy = values.at(i + 1);
        if (v.number == p.default_value.number && vy.number == py.default_value.number) break;
        array.SetPoint(p.effect_index, v.number * width, vy.number * height);
        break;
      }
      case Mapping::kPointY: break;
    }
  }
}

std::string FfmpegFilterParams(const Frei0rParamTable& table,
                               const std::vector<std::pair<std::string, std::string>>& given) {
  const std::vector<Frei0rParam>& params = table.Params();
  std::vector<std::string> fields;
  for (const Frei0rParam& p : params) {
    fields.push_back(p.type == Frei0rType::kBool ? (p.default_value.number >= 0.5 ? "y" : "n")
                                                 : FormatDefault(p));
  }
  size_t count = 0;
  for (const auto& name_value : given) {
    const std::string& name = name_value.first;
    const auto found = std::find_if(params.begin(), params.end(),
                                    [&name](const Frei0rParam& p) { return p.name == name; });
    if (found == params.end()) {
      throw std::invalid_argument("no frei0r parameter is called '" + name +
                                  "'; 'lustre-strand frei0r-params' lists them");
    }
    const size_t index = static_cast<size_t>(found - params.begin());
    fields[index] = name_value.second;
    count = std::max(count, index + 1);
  }
  std::string text;
  for (size_t i = 0; i < count; ++i) text += (i ? "|" : "") + fields[i];
  return text;
}

std::string MappingTableText(const Frei0rParamTable& table) {
  std::string text;
  char line[1024];
  std::snprintf(line, sizeof line, "%3s  %-30s %-30s %-6s %-18s %s\n", "#", "frei0r name",
                "GStreamer property", "type", "default", "sets");
  text += line;
  int index = 0;
  for (const Frei0rParam& p : table.Params()) {
    std::snprintf(line, sizeof line, "%3d  %-30s %-30s %-6s %-18s %s\n", index++, p.name.c_str(),
                  GStreamerPropertyName(p.name).c_str(), TypeWord(p.type), FormatDefault(p).c_str(),
                  p.explanation.c_str());
    text += line;
  }
  return text;
}

}  // namespace lustre_frei0r
