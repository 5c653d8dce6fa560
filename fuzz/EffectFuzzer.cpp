// The effect through the loaded module, the way a host drives it: the input
// bytes choose what the host reports (version, application, quality,
// downsampling, which suites it offers), the frame (size up to 512x512, depth),
// every parameter value (points anywhere in 16.16, including on top of each
// other, on one line and far outside the frame) and one handle request to
// refuse. The run must end without a crash or sanitizer report, with no handle
// alive after global set-down, and an undisturbed render must give the same
// pixels twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/session/EffectModule.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "host/embedded/HostThreads.h"
#include "host/embedded/ParamArray.h"

namespace {

app::EffectModule* g_module = nullptr;

[[noreturn]] void Fail(const char* what, long a = 0, long b = 0) {
  std::fprintf(stderr, "fuzz_effect: %s (%ld, %ld)\n", what, a, b);
  std::abort();
}

std::vector<unsigned char> Pixels(const PF_EffectWorld* world) {
  const size_t row = size_t(world->width) * ((world->world_flags & PF_WorldFlag_DEEP) ? 8 : 4);
  std::vector<unsigned char> bytes;
  for (A_long y = 0; y < world->height; ++y) {
    const auto* start =
        static_cast<const unsigned char*>(world->data) + size_t(y) * size_t(world->rowbytes);
    bytes.insert(bytes.end(), start, start + row);
  }
  return bytes;
}

void FillWorld(PF_EffectWorld* world, unsigned char pattern) {
  for (A_long y = 0; y < world->height; ++y) {
    std::memset(static_cast<char*>(world->data) + size_t(y) * size_t(world->rowbytes), pattern,
                size_t(world->rowbytes));
  }
}

// An input layer of one grey level (alpha included), valid at either depth:
// 16-bit channels never exceed 32768.
void FillInput(PF_EffectWorld* world, unsigned char level) {
  const bool deep = world->world_flags & PF_WorldFlag_DEEP;
  for (A_long y = 0; y < world->height; ++y) {
    char* row = static_cast<char*>(world->data) + size_t(y) * size_t(world->rowbytes);
    if (!deep) {
      std::memset(row, level, size_t(world->width) * 4);
      continue;
    }
    const A_u_short value = A_u_short(level * 32768 / 255);
    for (A_long i = 0; i < world->width * 4; ++i) std::memcpy(row + 2 * i, &value, 2);
  }
}

// A point in 16.16 pixels: inside the frame, far outside it, on an earlier
// point, on the line through the two previous points, or any 32-bit value.
PF_Fixed PointCoordinate(FuzzedDataProvider& in, A_long size,
                         const std::vector<PF_Fixed>& earlier) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return PF_Fixed(in.ConsumeIntegralInRange<int64_t>(0, int64_t(size) << 16));
    case 1:
      return in.ConsumeBool() ? INT32_MAX - in.ConsumeIntegralInRange(0, 1 << 20)
                              : INT32_MIN + in.ConsumeIntegralInRange(0, 1 << 20);
    case 2:
      if (!earlier.empty())
        return earlier[in.ConsumeIntegralInRange<size_t>(0, earlier.size() - 1)];
      return 0;
    case 3:
      if (earlier.size() >= 2) {
        // Extends the last two coordinates by the same step (collinear points).
        const int64_t a = earlier[earlier.size() - 2], b = earlier.back();
        const int64_t c = b + (b - a) * in.ConsumeIntegralInRange(-2, 2);
        return PF_Fixed(c < INT32_MIN ? INT32_MIN : (c > INT32_MAX ? INT32_MAX : c));
      }
      return 0;
    default: return in.ConsumeIntegral<PF_Fixed>();
  }
}

void SetParameters(FuzzedDataProvider& in, embedded::ParamArray& params, A_long width,
                   A_long height) {
  std::vector<PF_Fixed> xs, ys;
  for (int i = 1; i < params.Size(); ++i) {
    PF_ParamDef& def = params.At(i);
    switch (def.param_type) {
      case PF_Param_CHECKBOX: params.SetCheckbox(i, in.ConsumeBool()); break;
      case PF_Param_POPUP:
        params.SetPopup(i, in.ConsumeIntegralInRange<int>(1, def.u.pd.num_choices));
        break;
      case PF_Param_FIX_SLIDER:
        // Any 16.16 value inside the range the host enforces, ends included.
        def.u.fd.value = in.ConsumeIntegralInRange(def.u.fd.valid_min, def.u.fd.valid_max);
        break;
      case PF_Param_COLOR:
        params.SetColor(
            i, PF_Pixel{255, in.ConsumeIntegral<A_u_char>(), in.ConsumeIntegral<A_u_char>(),
                        in.ConsumeIntegral<A_u_char>()});
        break;
      case PF_Param_POINT:
        if (in.ConsumeBool()) {  // otherwise the default, as the host delivers it
          def.u.td.x_value = PointCoordinate(in, width, xs);
          def.u.td.y_value = PointCoordinate(in, height, ys);
        }
        xs.push_back(def.u.td.x_value);
        ys.push_back(def.u.td.y_value);
        break;
      default: break;
    }
  }
}

// With LUSTRE_FUZZ_DUMP set, an input's frame and its changed values are
// printed, to turn a finding into an ordinary test.
void Dump(embedded::ParamArray& params, embedded::EmbeddedHost& host, A_long width, A_long height,
          bool deep) {
  if (std::getenv("LUSTRE_FUZZ_DUMP") == nullptr) return;
  const PF_InData& in = *host.InData();
  std::fprintf(stderr, "frame %dx%d %s, host %d.%d app %08x quality %d downsample %d/%u %d/%u\n",
               int(width), int(height), deep ? "16-bit" : "8-bit", in.version.major,
               in.version.minor, unsigned(in.appl_id), int(in.quality), int(in.downsample_x.num),
               unsigned(in.downsample_x.den), int(in.downsample_y.num),
               unsigned(in.downsample_y.den));
  for (int i = 1; i < params.Size(); ++i) {
    const PF_ParamDef& def = params.At(i);
    const PF_ParamDef& registered = host.RegisteredParams()[size_t(i - 1)];
    if (std::memcmp(&def.u, &registered.u, sizeof def.u) == 0) continue;
    const auto& u = def.u;
    std::fprintf(stderr, "  %3d %-24s", i, def.name);
    switch (def.param_type) {
      case PF_Param_CHECKBOX: std::fprintf(stderr, " %d\n", int(u.bd.value)); break;
      case PF_Param_POPUP: std::fprintf(stderr, " %d\n", int(u.pd.value)); break;
      case PF_Param_FIX_SLIDER: std::fprintf(stderr, " %.6f\n", u.fd.value / 65536.0); break;
      case PF_Param_COLOR:
        std::fprintf(stderr, " %d %d %d\n", u.cd.value.red, u.cd.value.green, u.cd.value.blue);
        break;
      case PF_Param_POINT:
        std::fprintf(stderr, " %.6f, %.6f\n", u.td.x_value / 65536.0, u.td.y_value / 65536.0);
        break;
      default: std::fprintf(stderr, "\n"); break;
    }
  }
}

// A closed path limited to its inside or outside classifies a grid of cells
// from the frame's corner to the path's far edge, so points tens of thousands
// of pixels out cost minutes a frame under the sanitizers (by design: the
// grid must not be cut to the frame, or boundary cells would change). There
// the harness keeps points within 4096 pixels of the origin.
void KeepInsideTestsAffordable(embedded::ParamArray& params) {
  bool closed = false, limited = false;
  for (int i = 1; i < params.Size(); ++i) {
    const PF_ParamDef& def = params.At(i);
    if (std::strcmp(def.name, "Close Path?") == 0) closed = def.u.bd.value != 0;
    if (std::strcmp(def.name, "Gradient Mode") == 0) limited = def.u.pd.value != 1;
  }
  if (!closed || !limited) return;
  const auto clamp = [](PF_Fixed& v) { v = std::clamp<PF_Fixed>(v, -(4096 << 16), 4096 << 16); };
  for (int i = 1; i < params.Size(); ++i) {
    PF_ParamDef& def = params.At(i);
    if (def.param_type == PF_Param_POINT) {
      clamp(def.u.td.x_value);
      clamp(def.u.td.y_value);
    }
  }
}

struct Frame {
  PF_EffectWorld* input;
  PF_EffectWorld* output;
};

void Run(FuzzedDataProvider& in) {
  embedded::HandleHeap& heap = embedded::HandleHeap::Instance();
  heap.ResetCounters();
  const long handles_before = heap.LiveHandles();
  {
    embedded::EmbeddedHost host;
    host.SetVersion(in.ConsumeIntegralInRange<A_short>(8, 16),
                    in.ConsumeIntegralInRange<A_short>(0, 40));
    host.SetAppId(in.ConsumeBool() ? 0x4B657947 /* 'KeyG' */ : in.ConsumeIntegral<A_long>());
    host.SetQuality(in.ConsumeBool() ? PF_Quality_HI : PF_Quality_LO);
    const A_long den_x = in.ConsumeIntegralInRange(1, 8), den_y = in.ConsumeIntegralInRange(1, 8);
    host.SetDownsample({in.ConsumeIntegralInRange<A_long>(1, den_x), A_u_long(den_x)},
                       {in.ConsumeIntegralInRange<A_long>(1, den_y), A_u_long(den_y)});
    for (const char* suite : {"PF Param Utils Suite", "AEGP File Import Manager Suite",
                              "PF Path Query Suite", "PF Path Data Suite"}) {
      host.SetSuiteAnswer(suite,
                          static_cast<embedded::SuiteAnswer>(in.ConsumeIntegralInRange(0, 2)));
    }
    // Which command meets a refused handle request, and which request it is.
    const int failing_command = in.ConsumeIntegralInRange(0, 3);  // 3: none
    const long failing_request = in.ConsumeIntegralInRange(1, 400);
    const auto arm = [&](int command) {
      if (command == failing_command) heap.FailNthRequest(failing_request);
    };

    const auto call = [&](PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
                          void* extra = nullptr) {
      return g_module->Call(host, cmd, params, output, extra);
    };
    arm(0);
    PF_Err err = call(PF_Cmd_GLOBAL_SETUP);
    if (err == PF_Err_NONE) err = call(PF_Cmd_PARAMS_SETUP);
    heap.FailNthRequest(0);
    if (err != PF_Err_NONE && !(failing_command == 0 && err == PF_Err_OUT_OF_MEMORY)) {
      Fail("set-up failed", err);
    }
    if (err == PF_Err_NONE) {
      // Mostly small frames, so that many inputs run in the time given; one in
      // four up to 512 x 512.
      const A_long side = in.ConsumeIntegralInRange(0, 3) == 3 ? 512 : 64;
      const A_long width = in.ConsumeIntegralInRange(1, side),
                   height = in.ConsumeIntegralInRange(1, side);
      const bool deep = in.ConsumeBool();
      Frame frame{host.CreateWorld(width, height, deep, false),
                  host.CreateWorld(width, height, deep, true)};
      FillInput(frame.input, in.ConsumeIntegral<unsigned char>());
      embedded::ParamArray params = host.BuildParams(frame.input);
      SetParameters(in, params, width, height);
      KeepInsideTestsAffordable(params);
      Dump(params, host, width, height, deep);

      // UI updates swallow every failure, a refused suite or handle included.
      arm(1);
      err = call(PF_Cmd_UPDATE_PARAMS_UI, params.Get());
      if (err != PF_Err_NONE) Fail("parameter UI update failed", err);
      PF_UserChangedParamExtra changed{in.ConsumeIntegralInRange<PF_ParamIndex>(-1, params.Size())};
      err = call(PF_Cmd_USER_CHANGED_PARAM, params.Get(), nullptr, &changed);
      heap.FailNthRequest(0);
      if (err != PF_Err_NONE)
        Fail("user-changed-parameter update failed", err, changed.param_index);

      FillWorld(frame.output, 0xA5);
      arm(2);
      err = call(PF_Cmd_RENDER, params.Get(), frame.output);
      heap.FailNthRequest(0);
      if (err != PF_Err_NONE && !(failing_command == 2 && err == PF_Err_OUT_OF_MEMORY)) {
        Fail("render failed", err);
      }
      if (failing_command != 2) {
        // Nothing disturbed this render: a second one gives the same pixels.
        const std::vector<unsigned char> first = Pixels(frame.output);
        FillWorld(frame.output, 0xA5);
        if (call(PF_Cmd_RENDER, params.Get(), frame.output) != PF_Err_NONE)
          Fail("second render failed");
        if (Pixels(frame.output) != first)
          Fail("the same parameters gave different pixels", width, height);
      }
    }
    call(PF_Cmd_GLOBAL_SETDOWN);
  }
  heap.FailNthRequest(0);
  if (heap.LiveHandles() != handles_before) {
    Fail("handles alive after global set-down", heap.LiveHandles(), handles_before);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // One thread: the fuzzer runs many short inputs, and band results do not
  // depend on the thread count.
  embedded::SetHostThreadCount(1);
  g_module = new app::EffectModule(LUSTRE_MODULE_PATH);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  Run(in);
  return 0;
}
