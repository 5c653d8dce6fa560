#include "render/DrawStroke.h"

#include <algorithm>
#include <vector>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/CommonTools.h"
#include "Common/PixelTraits.h"
#include "path/FakePath.h"
#include "path/PathObject.h"
#include "render/ColumnBands.h"
#include "render/Composite.h"
#include "render/PathOverlay.h"
#include "stroke/CurveSampler.h"

namespace {

constexpr int32_t kDrawOnBlack = 0;
constexpr int32_t kDrawOnClear = 2;

template <typename P>
DepthColor BackgroundFill(bool opaque) {
  using Channel = typename PixelTraits<P>::Channel;
  return DepthColor::From(P{static_cast<Channel>(opaque ? PixelTraits<P>::kMax : 0), 0, 0, 0});
}

template <typename P>
void LayBackground(AEWorld& output, int32_t renderingStyle, const PF_EffectWorld& input) {
  if (renderingStyle == kDrawOnBlack) {
    FillWorld(output, BackgroundFill<P>(true), nullptr);
  } else if (renderingStyle == kDrawOnClear) {
    FillWorld(output, BackgroundFill<P>(false), nullptr);
  } else {
    CopyInto(output, input, 0, 0);
  }
}

// Asks the host whether to stop, then reports the column done.
void PingHost(PF_InData* in_data, int32_t column, int32_t total) {
  PF_Err err = in_data->inter.abort(in_data->effect_ref);
  if (err == PF_Err_NONE) {
    err = in_data->inter.progress(in_data->effect_ref, column, total);
  }
  if (err != PF_Err_NONE) {
    throw AEException(err, "UI Ping: Error or user Abort.");
  }
}

template <typename P>
void ShadeColumns(PF_InData* in_data, CurveSampler<P>& sampler, const PF_EffectWorld& input,
                  PF_EffectWorld& output) {
  const BBox bounds = sampler.Geometry().StrokeBounds();
  const int32_t firstColumn = std::max(0, bounds.xMin);
  const int32_t lastColumn = std::min(input.width - 1, bounds.xMax);
  const int32_t firstRow = std::max(0, bounds.yMin);
  const int32_t lastRow = std::min(input.height - 1, bounds.yMax);
  // Bands may run at once: what the sampler builds on first use is built
  // now, and each band has its own span buffer.
  sampler.BuildSharedParts();
  std::vector<std::vector<StrokeReach::RowSpan>> bandSpans(
      static_cast<size_t>(column_bands::BandCount(firstColumn, lastColumn)));
  const auto shadeColumn = [&](int32_t band, int32_t x) {
    std::vector<StrokeReach::RowSpan>& spans = bandSpans[static_cast<size_t>(band)];
    // Rows outside the spans would come back unchanged from the sampler.
    sampler.ColumnSpans(x, spans);
    for (const StrokeReach::RowSpan& span : spans) {
      const int32_t top = std::max(firstRow, span.first);
      const int32_t bottom = std::min(lastRow, span.last);
      for (int32_t y = top; y <= bottom; ++y) {
        P* pixel = PixelAt<P>(output, x, y);
        *pixel = sampler.ShadePixel(x, y, *pixel);
      }
    }
  };
  column_bands::Run(in_data, firstColumn, lastColumn, shadeColumn,
                    [&](int32_t x) { PingHost(in_data, x, input.width); });
}

template <typename P>
void DrawStroke(PF_InData* in_data, const StrokeSettings& settings, PF_EffectWorld* input,
                PF_EffectWorld* output) {
  AEWorld target(in_data, output, false);
  LayBackground<P>(target, settings.renderingStyle, *input);
  if (!settings.path->Checkout()) {
    return;
  }
  {
    CurveSampler<P> sampler(in_data, settings);
    ShadeColumns(in_data, sampler, *input, *output);
  }
  CompositeWithOriginal(in_data, settings, *input, *output);
  if (settings.showPath) {
    if (auto* points = dynamic_cast<FakePath*>(settings.path)) {
      DrawPathOverlay(*points, target, settings.pathColor);
    }
  }
}

}  // namespace

void DrawStroke8(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* input,
                 PF_EffectWorld* output) {
  DrawStroke<PF_Pixel>(in_data, settings, input, output);
}

void DrawStroke16(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* input,
                  PF_EffectWorld* output) {
  DrawStroke<PF_Pixel16>(in_data, settings, input, output);
}
