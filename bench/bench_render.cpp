// Whole frames through render dispatch, as a host renders them.
#include <benchmark/benchmark.h>

#include <optional>
#include <stdexcept>

#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/ParamArray.h"
#include "shell/HostInfo.h"
#include "shell/ParamIndex.h"
#include "shell/ParamSetup.h"
#include "shell/RenderDispatch.h"

namespace {

// A host with the parameter set registered, a layer and an output.
class BenchFrame {
 public:
  BenchFrame(A_long width, A_long height, bool deep) : deep_(deep) {
    host_.MakeCurrent();
    host_.SetQuality(PF_Quality_HI);
    SetPathMode(PathLayout::kPoint);
    ProbeHost(host_.InData());
    host_.ClearRegisteredParams();
    if (ParamsSetup(host_.InData(), host_.OutData()) != PF_Err_NONE) {
      throw std::runtime_error("parameter set-up failed");
    }
    input_ = host_.CreateWorld(width, height, deep, false);
    output_ = host_.CreateWorld(width, height, deep, true);
    FillLayer();
    params_.emplace(host_.BuildParams(input_));
  }

  embedded::ParamArray& Params() { return *params_; }
  void ActivatePoints(int count) {
    for (int k = 1; k <= count; ++k) {
      params_->SetCheckbox(param::PointHeader(k) + param::kPointActivate, true);
    }
  }

  PF_Err Render() {
    return RenderDispatch(host_.InData(), host_.OutData(), params_->Get(), output_);
  }

 private:
  // A soft diagonal ramp, opaque.
  void FillLayer() {
    for (A_long y = 0; y < input_->height; ++y) {
      for (A_long x = 0; x < input_->width; ++x) {
        const auto r = static_cast<uint32_t>(x * 255 / input_->width);
        const auto g = static_cast<uint32_t>(y * 255 / input_->height);
        const PF_Pixel p{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g), 96};
        if (deep_) {
          *PixelAt<PF_Pixel16>(*input_, x, y) = ConvertPixel8To16(p);
        } else {
          *PixelAt<PF_Pixel>(*input_, x, y) = p;
        }
      }
    }
  }

  bool deep_;
  embedded::EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
  std::optional<embedded::ParamArray> params_;
};

void RunFrames(benchmark::State& state, BenchFrame& frame) {
  for (auto _ : state) {
    if (frame.Render() != PF_Err_NONE) {
      state.SkipWithError("render failed");
      break;
    }
  }
}

// (A) The walkthrough: points 1 to 3, everything else default, 8-bit.
void BM_A_Walkthrough_1920x1080_8bit(benchmark::State& state) {
  BenchFrame frame(1920, 1080, false);
  frame.ActivatePoints(3);
  RunFrames(state, frame);
}

// (B) Six points closed, "Inside Only", "HSL", "Line Width" 200, 16-bit.
void BM_B_ClosedInsideHsl_1920x1080_16bit(benchmark::State& state) {
  BenchFrame frame(1920, 1080, true);
  frame.ActivatePoints(6);
  frame.Params().SetCheckbox(param::kClosePath, true);
  frame.Params().SetPopup(param::kGradientMode, 2);
  frame.Params().SetPopup(param::kGradientInterpolation, 3);
  frame.Params().SetFixed(param::kLineWidth, 200);
  RunFrames(state, frame);
}

// (C) "Flat" ends, high quality, three points open, "Line Width" 100, 8-bit.
void BM_C_FlatEnds_1920x1080_8bit(benchmark::State& state) {
  BenchFrame frame(1920, 1080, false);
  frame.ActivatePoints(3);
  frame.Params().SetPopup(param::kEndPointStyle, 2);
  frame.Params().SetFixed(param::kLineWidth, 100);
  RunFrames(state, frame);
}

// (D) Row A at 3840 x 2160.
void BM_D_Walkthrough_3840x2160_8bit(benchmark::State& state) {
  BenchFrame frame(3840, 2160, false);
  frame.ActivatePoints(3);
  RunFrames(state, frame);
}

BENCHMARK(BM_A_Walkthrough_1920x1080_8bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_B_ClosedInsideHsl_1920x1080_16bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_C_FlatEnds_1920x1080_8bit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_D_Walkthrough_3840x2160_8bit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
