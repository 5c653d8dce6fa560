// A frame ready to render through the embedded host: the parameter set
// registered through the host's add_param, an input layer and an output of
// the same size and depth, and the parameter array at its defaults.
#pragma once

#include <optional>
#include <stdexcept>

#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/ParamArray.h"
#include "shell/HostInfo.h"
#include "shell/ParamIndex.h"
#include "shell/ParamSetup.h"
#include "shell/RenderDispatch.h"

namespace harness {

class Frame {
 public:
  Frame(A_long width, A_long height, bool deep) {
    host_.MakeCurrent();
    SetPathMode(PathLayout::kPoint);
    ProbeHost(host_.InData());
    host_.ClearRegisteredParams();
    if (ParamsSetup(host_.InData(), host_.OutData()) != PF_Err_NONE) {
      throw std::runtime_error("parameter set-up failed");
    }
    input_ = host_.CreateWorld(width, height, deep, false);
    output_ = host_.CreateWorld(width, height, deep, true);
    params_.emplace(host_.BuildParams(input_));
  }

  embedded::EmbeddedHost& Host() { return host_; }
  PF_InData* InData() { return host_.InData(); }
  PF_OutData* OutData() { return host_.OutData(); }
  embedded::ParamArray& Params() { return *params_; }
  PF_EffectWorld* Input() { return input_; }
  PF_EffectWorld* Output() { return output_; }

  void ActivatePoint(int k, double x, double y, double handleX, double handleY) {
    const int base = param::PointHeader(k);
    params_->SetCheckbox(base + param::kPointActivate, true);
    params_->SetPoint(base + param::kPointPosition, x, y);
    params_->SetPoint(base + param::kPointHandle, handleX, handleY);
  }
  PF_Err Render() { return RenderDispatch(InData(), OutData(), params_->Get(), output_); }

 private:
  embedded::EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
  std::optional<embedded::ParamArray> params_;
};

// A layer with structure in every channel, alpha included.
template <typename P>
void FillPattern(PF_EffectWorld* world) {
  using C = typename PixelTraits<P>::Channel;
  const uint32_t full = PixelTraits<P>::kMax;
  for (A_long y = 0; y < world->height; ++y) {
    for (A_long x = 0; x < world->width; ++x) {
      const auto v = static_cast<uint32_t>(x * 7 + y * 13);
      *PixelAt<P>(*world, x, y) = P{static_cast<C>(full - v % (full / 2)), static_cast<C>(v % full),
                                    static_cast<C>((v * 5u) % full), static_cast<C>((v * 3u) % full)};
    }
  }
}

template <typename P>
bool SamePixel(const P& a, const P& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

}  // namespace harness
