#include "render/Composite.h"

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/CommonTools.h"

namespace {

constexpr int32_t kTransferNormal = -1;

// The output's extent hint (right and bottom exclusive) as an inclusive rectangle.
WorldRect ExtentRect(const PF_EffectWorld& world) {
  const PF_Rect& e = world.extent_hint;
  return WorldRect{static_cast<int16_t>(e.top), static_cast<int16_t>(e.left),
                   static_cast<int16_t>(e.bottom - 1), static_cast<int16_t>(e.right - 1)};
}

void CrossFade(PF_InData* in_data, double amount, const PF_EffectWorld& input,
               PF_EffectWorld& output) {
  const PF_Err err = in_data->utils->blend(in_data->effect_ref, &output, &input,
                                           CompositeBlendRatio(amount), &output);
  if (err != PF_Err_NONE) {
    throw AEException(err, "Blend no worky!! :(");
  }
}

void TransferOverInput(PF_InData* in_data, double amount, PF_TransferMode mode,
                       const PF_EffectWorld& input, PF_EffectWorld& output) {
  AEWorld stroke(in_data);
  stroke.MakeCopyOf(&output);
  CopyWorld(input, output);
  const WorldRect rect = ExtentRect(output);
  Transfer(in_data, *stroke.World(), output, amount, mode, in_data->quality, &rect);
  stroke.Release(false);
}

}  // namespace

// Rounds half up before truncating, as stored projects expect: 50 % -> 32768.
PF_Fixed CompositeBlendRatio(double amount) {
  return static_cast<PF_Fixed>(amount * 65536.0 + 0.5);
}

void CompositeWithOriginal(PF_InData* in_data, const StrokeSettings& settings,
                           const PF_EffectWorld& input, PF_EffectWorld& output) {
  const double amount = settings.compositeAmount;
  if (settings.transferMode == kTransferNormal) {
    if (amount > 0.0) {
      CrossFade(in_data, amount, input, output);
    }
    return;
  }
  TransferOverInput(in_data, amount, settings.transferMode, input, output);
}
