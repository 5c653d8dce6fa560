// Speed of the per-pixel gradient lookup in each interpolation mode and of
// the embedded host's transfer_rect over a full HD frame, its reference and
// its fast arithmetic side by side.
#include <benchmark/benchmark.h>

#include "gradient/Gradient.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HostThreads.h"
#include "host/embedded/transfer/TransferRect.h"

namespace {

// The default three dots plus two more, as a busy frame might have.
void AddDots(Gradient& g) {
  g.AddDot(ColorDot{true, {32768, 32768, 0, 0}, 0.2});
  g.AddDot(ColorDot{true, {32768, 0, 32768, 0}, 0.5});
  g.AddDot(ColorDot{true, {32768, 0, 0, 32768}, 0.8});
  g.AddDot(ColorDot{true, {20000, 30000, 30000, 1000}, 0.1});
  g.AddDot(ColorDot{true, {32768, 4000, 9000, 20000}, 0.95});
}

void BM_ColorAt(benchmark::State& state) {
  StrokeSettings settings{};
  settings.interpolation = static_cast<int32_t>(state.range(0));
  settings.wrapGradient = state.range(1) != 0;
  Gradient g(&settings);
  AddDots(g);
  double p = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(g.ColorAt(p));
    p += 0.000123;
    if (p > 1.0) p -= 1.0;
  }
  state.SetItemsProcessed(state.iterations());
}
// Arguments: interpolation (0 linear, 1 preserve lum, 2 HSL), wrap.
BENCHMARK(BM_ColorAt)
    ->ArgNames({"mode", "wrap"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Args({2, 1});

// Arguments: the transfer mode, the arithmetic (0 the reference, 1 the fast
// routine) and the host's thread count (0 every core; the reference uses one).
template <bool kDeep>
void BM_TransferRect(benchmark::State& state) {
  embedded::EmbeddedHost host;
  host.SetTransferArithmetic(state.range(1) != 0
                                 ? embedded::EmbeddedHost::TransferArithmetic::kFast
                                 : embedded::EmbeddedHost::TransferArithmetic::kReference);
  embedded::SetHostThreadCount(static_cast<int>(state.range(2)));
  constexpr A_long kW = 1920, kH = 1080;
  PF_EffectWorld* src = host.CreateWorld(kW, kH, kDeep, true);
  PF_EffectWorld* dst = host.CreateWorld(kW, kH, kDeep, true);
  // A horizontal ramp with partial alpha over an opaque vertical ramp.
  for (A_long y = 0; y < kH; ++y) {
    for (A_long x = 0; x < kW; ++x) {
      char* s = static_cast<char*>(src->data) + y * src->rowbytes;
      char* d = static_cast<char*>(dst->data) + y * dst->rowbytes;
      if (kDeep) {
        const auto v = static_cast<A_u_short>(x * 32768 / kW);
        const auto w = static_cast<A_u_short>(y * 32768 / kH);
        reinterpret_cast<PF_Pixel16*>(s)[x] = PF_Pixel16{24000, v, w, 9000};
        reinterpret_cast<PF_Pixel16*>(d)[x] = PF_Pixel16{32768, w, 12000, v};
      } else {
        const auto v = static_cast<A_u_char>(x * 255 / kW);
        const auto w = static_cast<A_u_char>(y * 255 / kH);
        reinterpret_cast<PF_Pixel*>(s)[x] = PF_Pixel{190, v, w, 70};
        reinterpret_cast<PF_Pixel*>(d)[x] = PF_Pixel{255, w, 90, v};
      }
    }
  }
  PF_CompositeMode comp{};
  comp.xfer = static_cast<PF_TransferMode>(state.range(0));
  comp.opacity = 200;
  comp.opacitySu = 25000;
  for (auto _ : state) {
    const PF_Err err = embedded::HostTransferRect(host.InData()->effect_ref, PF_Quality_HI,
                                                  PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr,
                                                  src, &comp, nullptr, 0, 0, dst);
    if (err != PF_Err_NONE) {
      state.SkipWithError("transfer_rect failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  embedded::SetHostThreadCount(0);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

// Every mode: the reference, then the fast routine on one thread and on all.
void EveryMode(benchmark::internal::Benchmark* b) {
  b->ArgNames({"mode", "fast", "threads"});
  for (int mode : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 22, 23, 24, 25, 26,
                   27, 28, 31, 32, 33}) {
    b->Args({mode, 0, 1})->Args({mode, 1, 1})->Args({mode, 1, 0});
  }
}

BENCHMARK(BM_TransferRect<false>)
    ->Name("BM_TransferRect8")
    ->Apply(EveryMode)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransferRect<true>)
    ->Name("BM_TransferRect16")
    ->Apply(EveryMode)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
