// Whole frames through render dispatch, as a host renders them, each on one
// thread and on every core (the argument: host threads, 0 for the default),
// beside the baseline a user would reach for instead: cairo stroking 32
// nested round-capped lines of stepping colour along the same path.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HostThreads.h"
#include "host/embedded/ParamArray.h"
#include "Common/ParamIndex.h"
#include "path/PathPoint.h"
#include "render/HostInfo.h"
#include "shell/ParamSetup.h"
#include "shell/RenderDispatch.h"

namespace {

// A host with the parameter set registered, a layer and an output.
class BenchFrame {
 public:
  // A layer of width x height (full-resolution) pixels, rendered at 1/scale.
  BenchFrame(A_long width, A_long height, bool deep, A_long scale = 1) : deep_(deep) {
    host_.MakeCurrent();
    host_.SetQuality(PF_Quality_HI);
    host_.SetDownsample({1, static_cast<A_u_long>(scale)}, {1, static_cast<A_u_long>(scale)});
    width /= scale;
    height /= scale;
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

  // The active points' vertices, in full-resolution pixels.
  std::vector<PF_PathVertex> ActiveVertices() {
    std::vector<PF_PathVertex> vertices;
    for (const PathPoint& point : ReadPathPoints(params_->Get())) {
      if (point.active) vertices.push_back(point.vertex);
    }
    return vertices;
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
  embedded::SetHostThreadCount(static_cast<int>(state.range(0)));
  state.counters["threads"] = embedded::HostThreadCount();
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

// Row D's frame without a stroke: only the work that grows with the frame.
void BM_D0_NoPoints_3840x2160_8bit(benchmark::State& state) {
  BenchFrame frame(3840, 2160, false);
  RunFrames(state, frame);
}

// The studio's drag: points 1 to 4, "Line Width" 60, 8-bit, rendered at
// 1/arg(1) while point 2 goes round a circle of radius 60 pixels about its
// place, one step of 10 degrees per frame.
void BM_Drag_1920x1080_8bit(benchmark::State& state) {
  const auto scale = static_cast<A_long>(state.range(1));
  BenchFrame frame(1920, 1080, false, scale);
  frame.ActivatePoints(4);
  frame.Params().SetFixed(param::kLineWidth, 60);
  const PF_PathVertex home = frame.ActiveVertices()[1];
  const double homeX = home.x * static_cast<double>(scale), homeY = home.y * static_cast<double>(scale);
  embedded::SetHostThreadCount(static_cast<int>(state.range(0)));
  state.counters["threads"] = embedded::HostThreadCount();
  int step = 0;
  for (auto _ : state) {
    const double angle = (step++ % 36) * (M_PI / 18.0);
    frame.Params().SetPoint(param::PointHeader(2) + param::kPointPosition,
                            homeX + 60.0 * std::cos(angle), homeY + 60.0 * std::sin(angle));
    if (frame.Render() != PF_Err_NONE) {
      state.SkipWithError("render failed");
      break;
    }
  }
}

// The baseline: cairo strokes the default three-point path 32 times, widths
// w (32 - i) / 32 for i = 0..31, round caps and joins, colour stepping from
// the outside in, on a cleared 1920 x 1080 ARGB32 surface.
void BM_Cairo32NestedStrokes_1920x1080(benchmark::State& state) {
  BenchFrame frame(1920, 1080, false);
  frame.ActivatePoints(3);
  const std::vector<PF_PathVertex> v = frame.ActiveVertices();
  const double width = static_cast<double>(state.range(0));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1920, 1080);
  cairo_t* cr = cairo_create(surface);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (auto _ : state) {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    for (int i = 0; i < 32; ++i) {
      cairo_move_to(cr, v[0].x, v[0].y);
      for (size_t k = 1; k < v.size(); ++k) {
        cairo_curve_to(cr, v[k - 1].tan_out_x, v[k - 1].tan_out_y, v[k].tan_in_x, v[k].tan_in_y, v[k].x, v[k].y);
      }
      const double step = i / 31.0;
      cairo_set_source_rgb(cr, step, 0.5 * step, 1.0 - step);
      cairo_set_line_width(cr, width * (32 - i) / 32.0);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// Arg: host threads (1, or 0 for every core).
BENCHMARK(BM_A_Walkthrough_1920x1080_8bit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_B_ClosedInsideHsl_1920x1080_16bit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_C_FlatEnds_1920x1080_8bit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_D_Walkthrough_3840x2160_8bit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_D0_NoPoints_3840x2160_8bit)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
// Args: host threads, downsampling (1 full, 2 half).
BENCHMARK(BM_Drag_1920x1080_8bit)->Args({1, 1})->Args({0, 1})->Args({1, 2})->Args({0, 2})->Unit(benchmark::kMillisecond)->UseRealTime();
// Arg: the outermost stroke's width.
BENCHMARK(BM_Cairo32NestedStrokes_1920x1080)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
