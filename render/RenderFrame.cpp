#include "render/RenderFrame.h"

#include "Common/AEWorld.h"
#include "Common/PixelTraits.h"
#include "gradient/Gradient.h"
#include "path/AEObjectAutoPointer.h"
#include "path/AEpath.h"
#include "path/FakePath.h"
#include "Common/ParamIndex.h"
#include "path/PathObject.h"
#include "path/PathPoint.h"
#include "render/DrawStroke.h"
#include "render/GradientView.h"
#include "render/HostInfo.h"
#include "render/ReadStrokeSettings.h"

namespace {

// What differs between the two depths of the pipeline.
template <typename P>
struct FrameDepth;

template <>
struct FrameDepth<PF_Pixel> {
  static constexpr auto DrawStroke = DrawStroke8;
  static constexpr auto DrawGradientView = DrawGradientView8;
};

template <>
struct FrameDepth<PF_Pixel16> {
  static constexpr auto DrawStroke = DrawStroke16;
  static constexpr auto DrawGradientView = DrawGradientView16;
};

// Output pixel (W - 1 - y, x) := temporary pixel (x, y): a quarter turn clockwise.
template <typename P>
void RotateQuarterTurnInto(const PF_EffectWorld& turned, PF_EffectWorld& output) {
  const int32_t outWidth = output.width;
  for (int32_t y = 0; y < turned.height; ++y) {
    const P* row = PixelAt<P>(turned, 0, y);
    const int32_t column = outWidth - 1 - y;
    for (int32_t x = 0; x < turned.width; ++x) {
      *PixelAt<P>(output, column, x) = row[x];
    }
  }
}

template <typename P>
void DrawVerticalView(PF_InData* in_data, const StrokeSettings& settings, PF_EffectWorld& output) {
  AEWorld turned(in_data, output.height, output.width, PixelTraits<P>::kDeep);
  turned.CheckUsable();
  FrameDepth<P>::DrawGradientView(in_data, settings, turned.World());
  turned.CheckUsable();
  RotateQuarterTurnInto<P>(*turned.World(), output);
  turned.Release(false);
}

// The path source of the layout in force: the six point groups, or in the
// mask layout the mask chosen in the "Path" parameter.
PathObject* NewPathSource(PF_InData* in_data, PF_ParamDef* params[]) {
  if (GetHostInfo().PathMode == PathLayout::kMask) {
    return new AEpath(in_data, params, param::kMaskPath);
  }
  const bool open = params[param::kClosePath]->u.bd.value == 0;
  return new FakePath(ReadPathPoints(params), open);
}

template <typename P>
void DrawAlongPath(PF_InData* in_data, PF_ParamDef* params[], StrokeSettings& settings,
                   PF_EffectWorld& output) {
  AEObjectAutoPointer<PathObject> path(NewPathSource(in_data, params));
  settings.path = path.Get();
  FrameDepth<P>::DrawStroke(in_data, settings, &params[param::kInputLayer]->u.ld, &output);
  settings.path = nullptr;
}

template <typename P>
void RenderFrame(PF_InData* in_data, PF_ParamDef* params[], PF_LayerDef* output) {
  const bool inputIsDeep = IsDeep(params[param::kInputLayer]->u.ld);
  StrokeSettings settings = ReadStrokeSettings(in_data, params, inputIsDeep);
  Gradient gradient(&settings);
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    gradient.AddDot(ReadColorDot(params, param::ColorDotHeader(k)));
  }
  settings.gradient = &gradient;

  switch (params[param::kOutputView]->u.pd.value) {
    case param::kViewGradientHorizontal:
      FrameDepth<P>::DrawGradientView(in_data, settings, output);
      break;
    case param::kViewGradientVertical:
      DrawVerticalView<P>(in_data, settings, *output);
      break;
    default:
      DrawAlongPath<P>(in_data, params, settings, *output);
      break;
  }
}

}  // namespace

void RenderFrame8(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef* params[],
                  PF_LayerDef* output) {
  RenderFrame<PF_Pixel>(in_data, params, output);
}

void RenderFrame16(PF_InData* in_data, PF_OutData* /*out_data*/, PF_ParamDef* params[],
                   PF_LayerDef* output) {
  RenderFrame<PF_Pixel16>(in_data, params, output);
}
