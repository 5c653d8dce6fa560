#include "render/ReadStrokeSettings.h"

#include "Common/PixelTraits.h"
#include "Common/ParamIndex.h"
#include "render/HostInfo.h"
#include "render/TransferModes.h"

namespace {

PF_Fixed Fixed(PF_ParamDef* params[], int index) { return params[index]->u.fd.value; }
PF_ParamValue Popup(PF_ParamDef* params[], int index) { return params[index]->u.pd.value; }
bool Checkbox(PF_ParamDef* params[], int index) { return params[index]->u.bd.value != 0; }

// Numerator signed, denominator unsigned, each quotient in double.
double Scale(const PF_RationalScale& s) {
  return static_cast<double>(s.num) / static_cast<double>(s.den);
}

// "Path Color" in the depth of the input layer; the other member stays zero.
void ReadPathColor(PF_ParamDef* params[], bool inputIsDeep, DepthColor& color) {
  const PF_Pixel path_color = params[param::kPathColor]->u.cd.value;
  if (inputIsDeep) {
    color.color16 = ConvertPixel8To16(path_color);
    color.is16 = true;
  } else {
    color.color8 = path_color;
    color.is16 = false;
  }
}

}  // namespace

StrokeSettings ReadStrokeSettings(const PF_InData* in_data, PF_ParamDef* params[],
                                  bool inputIsDeep) {
  // Value-initialised: every field a branch does not set reads zero.
  StrokeSettings s{};

  // Line widths follow the mean of the two downsample factors.
  const double scale = (Scale(in_data->downsample_x) + Scale(in_data->downsample_y)) * 0.5;
  s.halfWidth = Fixed(params, param::kLineWidth) / 65536.0 * 0.5 * scale;
  s.path = nullptr;
  s.gradient = nullptr;
  s.falloff = Fixed(params, param::kFalloff) / 65536.0 / 100.0;
  s.repeatStyle = Popup(params, param::kRepeatStyle) - 1;
  // Only the integer part counts: the upper 16 bits as a signed 16-bit number.
  s.repeats = static_cast<int16_t>(static_cast<uint32_t>(Fixed(params, param::kRepeats)) >> 16);
  s.interpolation = Popup(params, param::kGradientInterpolation) - 1;
  s.renderingStyle = Popup(params, param::kRenderingStyle) - 1;
  s.compositeAmount = Fixed(params, param::kCompositeWithOriginal) / 65536.0 * 0.01;
  s.transferMode = TransferModeFromPopup(Popup(params, param::kOriginalBlendTransfer) - 1);
  s.gradientMode = Popup(params, param::kGradientMode) - 1;
  s.gradientOffset = Fixed(params, param::kGradientOffset) / 65536.0 * 0.01;
  s.wrapGradient = Checkbox(params, param::kWrapGradient);
  s.endPointStyle = Popup(params, param::kEndPointStyle) - 1;
  // The mask layout has neither "Show Path?" nor "Path Color": no overlay.
  if (GetHostInfo().PathMode == PathLayout::kPoint) {
    s.showPath = Checkbox(params, param::kShowPath);
    ReadPathColor(params, inputIsDeep, s.pathColor);
  }
  return s;
}

ColorDot ReadColorDot(PF_ParamDef* params[], int headerIndex) {
  ColorDot dot{};
  dot.active = Checkbox(params, headerIndex + param::kDotActivate);
  dot.color = ConvertPixel8To16(params[headerIndex + param::kDotColor]->u.cd.value);
  // The dot's opacity replaces the colour's own alpha.
  const double opacity = Fixed(params, headerIndex + param::kDotOpacity) / 65536.0;
  dot.color.alpha = static_cast<A_u_short>(opacity * 0.01 * 32768.0);
  dot.position = Fixed(params, headerIndex + param::kDotPosition) / 65536.0 * 0.01;
  return dot;
}
