#include "render/DrawStroke.h"

#include <optional>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/CommonTools.h"
#include "Common/PixelTraits.h"
#include "path/FakePath.h"
#include "path/PathObject.h"
#include "render/Background.h"
#include "render/Composite.h"
#include "render/PathOverlay.h"
#include "render/StrokeBands.h"
#include "stroke/CurveSampler.h"

namespace {

constexpr PF_Err kEffectError = 1;

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

bool SameShape(const PF_EffectWorld& a, const PF_EffectWorld& b) {
  return a.width == b.width && a.height == b.height && IsDeep(a) == IsDeep(b);
}

template <typename P>
void DrawStroke(PF_InData* in_data, const StrokeSettings& settings, PF_EffectWorld* input,
                PF_EffectWorld* output) {
  AEWorld target(in_data, output, false);
  target.CheckUsable();
  if (!SameShape(*input, *output)) {
    throw AEException(kEffectError, "DrawStroke: input and output differ in size or depth");
  }
  const Background<P> background(settings.renderingStyle, *input, *output);
  const auto ping = [&](int32_t x) { PingHost(in_data, x, input->width); };
  // The background is laid together with the stroke; a failure before the
  // stroke still leaves it.
  std::optional<CurveSampler<P>> sampler;
  try {
    if (settings.path->Checkout()) sampler.emplace(in_data, settings);
  } catch (...) {
    DrawStrokeInBands<P>(in_data, nullptr, background, ping);
    throw;
  }
  DrawStrokeInBands<P>(in_data, sampler ? &*sampler : nullptr, background, ping);
  if (!sampler) {
    return;
  }
  sampler.reset();
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
