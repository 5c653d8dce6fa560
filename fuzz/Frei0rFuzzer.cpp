// The frei0r plug-in as a frei0r host drives it, loaded with dlopen: the input
// bytes give a frame size and a run of f0r_set_param_value calls (any index,
// and any value of the parameter's type: doubles of every bit pattern, colour
// channels and positions far outside [0, 1], strings of any bytes), each read
// back with f0r_get_param_value, then two f0r_update calls at one time, which
// must give the same frame. No crash and no sanitizer report.
#include <dlfcn.h>
#include <frei0r.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Plugin {
  decltype(&f0r_get_param_info) get_param_info;
  decltype(&f0r_construct) construct;
  decltype(&f0r_destruct) destruct;
  decltype(&f0r_set_param_value) set_param_value;
  decltype(&f0r_get_param_value) get_param_value;
  decltype(&f0r_update) update;
  int param_count;
};

Plugin g_plugin;

template <typename F>
void Resolve(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  if (function == nullptr) {
    std::fprintf(stderr, "fuzz_frei0r: %s is missing\n", name);
    std::abort();
  }
}

// Any double: a number from the fuzzer or a raw bit pattern (NaN, infinity).
double AnyDouble(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return in.ConsumeFloatingPoint<double>();
  const uint64_t bits = in.ConsumeIntegral<uint64_t>();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void SetAndReadBack(FuzzedDataProvider& in, f0r_instance_t instance) {
  const int index = in.ConsumeIntegralInRange(-2, g_plugin.param_count + 1);
  f0r_param_info_t info{"", F0R_PARAM_DOUBLE, ""};
  if (index >= 0 && index < g_plugin.param_count) g_plugin.get_param_info(&info, index);
  double number = AnyDouble(in);
  f0r_param_color_t color{float(AnyDouble(in)), float(AnyDouble(in)), float(AnyDouble(in))};
  f0r_param_position_t position{AnyDouble(in), AnyDouble(in)};
  std::string text = in.ConsumeRandomLengthString(80);
  char* text_pointer = text.data();
  void* value = &number;
  if (info.type == F0R_PARAM_COLOR) value = &color;
  if (info.type == F0R_PARAM_POSITION) value = &position;
  if (info.type == F0R_PARAM_STRING) value = &text_pointer;
  g_plugin.set_param_value(instance, value, index);

  union {
    double number;
    f0r_param_color_t color;
    f0r_param_position_t position;
    char* text;
  } back{};
  g_plugin.get_param_value(instance, &back, index);
  // A string read back is read whole, so the sanitizer checks that the
  // instance still holds it and that it ends.
  if (info.type == F0R_PARAM_STRING && index >= 0 && index < g_plugin.param_count) {
    volatile size_t length = std::strlen(back.text);
    (void)length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // One thread per instance: the fuzzer runs many short inputs.
  setenv("LUSTRE_STRAND_THREADS", "1", 1);
  void* library = dlopen(LUSTRE_FREI0R_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "fuzz_frei0r: %s\n", dlerror());
    std::abort();
  }
  decltype(&f0r_init) init;
  decltype(&f0r_get_plugin_info) get_plugin_info;
  Resolve(library, "f0r_init", init);
  Resolve(library, "f0r_get_plugin_info", get_plugin_info);
  Resolve(library, "f0r_get_param_info", g_plugin.get_param_info);
  Resolve(library, "f0r_construct", g_plugin.construct);
  Resolve(library, "f0r_destruct", g_plugin.destruct);
  Resolve(library, "f0r_set_param_value", g_plugin.set_param_value);
  Resolve(library, "f0r_get_param_value", g_plugin.get_param_value);
  Resolve(library, "f0r_update", g_plugin.update);
  if (init() != 1) std::abort();
  f0r_plugin_info_t info{};
  get_plugin_info(&info);
  g_plugin.param_count = info.num_params;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  // frei0r frames are multiples of 8 pixels wide and high.
  const unsigned width = 8 * in.ConsumeIntegralInRange(1u, 8u),
                 height = 8 * in.ConsumeIntegralInRange(1u, 8u);
  f0r_instance_t instance = g_plugin.construct(width, height);
  if (instance == nullptr) std::abort();
  const int calls = in.ConsumeIntegralInRange(0, 40);
  for (int i = 0; i < calls && in.remaining_bytes() > 0; ++i) SetAndReadBack(in, instance);
  const double time = AnyDouble(in);
  std::vector<uint32_t> input(size_t(width) * height, in.ConsumeIntegral<uint32_t>()),
      first(input.size()), second(input.size());
  g_plugin.update(instance, time, input.data(), first.data());
  g_plugin.update(instance, time, input.data(), second.data());
  if (first != second) {
    std::fprintf(stderr, "fuzz_frei0r: the same values and time gave two different frames\n");
    std::abort();
  }
  g_plugin.destruct(instance);
  return 0;
}
