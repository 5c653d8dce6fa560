// Instances: the built plug-in loaded as a host loads it, several instances
// on several threads giving the pixels of one; and failures that leave the
// frame as it came, said once on standard error.
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

#include "Frei0rTestSupport.h"
#include "frei0r/Frei0rInstance.h"

extern "C" {
#include <frei0r.h>
}

namespace frei0r_test {
namespace {

template <typename F>
F Resolve(void* handle, const char* name) {
  void* symbol = handle != nullptr ? dlsym(handle, name) : nullptr;
  if (symbol == nullptr) throw std::runtime_error(std::string("cannot resolve ") + name);
  return reinterpret_cast<F>(symbol);
}

// The plug-in's exported functions, resolved from the built file with the
// signatures frei0r.h declares.
#define LUSTRE_RESOLVE(f) decltype(&::f) f = Resolve<decltype(&::f)>(handle, #f)
struct Plugin {
  ~Plugin() { dlclose(handle); }
  int Index(const std::string& name) {
    f0r_plugin_info_t info{};
    f0r_get_plugin_info(&info);
    for (int i = 0; i < info.num_params; ++i) {
      f0r_param_info_t p{};
      f0r_get_param_info(&p, i);
      if (name == p.name) return i;
    }
    throw std::runtime_error("no parameter " + name);
  }

  void* handle = dlopen(LUSTRE_FREI0R_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  LUSTRE_RESOLVE(f0r_init);
  LUSTRE_RESOLVE(f0r_deinit);
  LUSTRE_RESOLVE(f0r_get_plugin_info);
  LUSTRE_RESOLVE(f0r_get_param_info);
  LUSTRE_RESOLVE(f0r_construct);
  LUSTRE_RESOLVE(f0r_destruct);
  LUSTRE_RESOLVE(f0r_set_param_value);
  LUSTRE_RESOLVE(f0r_get_param_value);
  LUSTRE_RESOLVE(f0r_update);
};
#undef LUSTRE_RESOLVE

constexpr unsigned kW = 80, kH = 60;

std::vector<uint32_t> PatternFrame() {
  const std::vector<uint32_t> samples = PatternSamples(kW, kH);
  std::vector<uint32_t> frame(kW * kH);
  std::memcpy(frame.data(), std::vector<uint8_t>(samples.begin(), samples.end()).data(),
              frame.size() * 4);
  return frame;
}

// Frame k of a little animation: line width and a point move with k.
void SetFrameParams(Plugin& plugin, f0r_instance_t instance, int k) {
  double on = 1, width = 0.004 + 0.002 * k, x = 0.2 + 0.05 * k;
  for (const char* name : {"Point 1/Activate", "Point 2/Activate", "Point 3/Activate"}) {
    plugin.f0r_set_param_value(instance, &on, plugin.Index(name));
  }
  plugin.f0r_set_param_value(instance, &width, plugin.Index("Line Width"));
  plugin.f0r_set_param_value(instance, &x, plugin.Index("Point 1/Point X"));
  const char* style = k % 2 ? "Flat" : "Round";
  plugin.f0r_set_param_value(instance, &style, plugin.Index("End Point Style"));
}

// MLT's parallel rendering: one instance per thread, frames spread over
// them. Every thread's frames equal one instance's, byte for byte.
TEST(Frei0rInstances, SeveralOnSeveralThreadsGiveThePixelsOfOne) {
  Plugin plugin;
  ASSERT_EQ(plugin.f0r_init(), 1);
  const std::vector<uint32_t> in = PatternFrame();
  constexpr int kFrames = 6, kThreads = 4;
  std::vector<std::vector<uint32_t>> expected(kFrames, std::vector<uint32_t>(in.size()));
  {
    f0r_instance_t one = plugin.f0r_construct(kW, kH);
    for (int k = 0; k < kFrames; ++k) {
      SetFrameParams(plugin, one, k);
      plugin.f0r_update(one, k / 25.0, in.data(), expected[static_cast<size_t>(k)].data());
    }
    plugin.f0r_destruct(one);
  }
  EXPECT_NE(expected[0], in);
  EXPECT_NE(expected[0], expected[1]);

  std::vector<std::vector<std::vector<uint32_t>>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      f0r_instance_t instance = plugin.f0r_construct(kW, kH);
      got[static_cast<size_t>(t)].resize(kFrames);
      // Every thread renders every frame, in its own order.
      for (int i = 0; i < kFrames; ++i) {
        const int k = (i + t) % kFrames;
        std::vector<uint32_t> out(in.size());
        SetFrameParams(plugin, instance, k);
        plugin.f0r_update(instance, k / 25.0, in.data(), out.data());
        got[static_cast<size_t>(t)][static_cast<size_t>(k)] = std::move(out);
      }
      plugin.f0r_destruct(instance);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kFrames; ++k) {
      EXPECT_EQ(got[static_cast<size_t>(t)][static_cast<size_t>(k)],
                expected[static_cast<size_t>(k)])
          << "thread " << t << " frame " << k;
    }
  }
  plugin.f0r_deinit();
}

// What a host reads back is what it set; strings stay readable until set again.
TEST(Frei0rInstances, GiveBackTheValuesTheyWereGiven) {
  Plugin plugin;
  ASSERT_EQ(plugin.f0r_init(), 1);
  f0r_instance_t instance = plugin.f0r_construct(640, 480);  // as GStreamer does at registration
  for (const char* name : {"Show Path", "Line Width", "Point 6/Handle Y"}) {  // first, any, last
    double value = 0.123456789, got = 0;
    plugin.f0r_set_param_value(instance, &value, plugin.Index(name));
    plugin.f0r_get_param_value(instance, &got, plugin.Index(name));
    EXPECT_EQ(got, value) << name;
  }
  // Indexes outside the table are ignored, and leave what they are given as it was.
  f0r_plugin_info_t info{};
  plugin.f0r_get_plugin_info(&info);
  for (int outside : {-1, info.num_params}) {
    double value = 0.5, got = -7;
    plugin.f0r_set_param_value(instance, &value, outside);
    plugin.f0r_get_param_value(instance, &got, outside);
    EXPECT_EQ(got, -7) << outside;
    f0r_param_info_t param{nullptr, -7, nullptr};
    plugin.f0r_get_param_info(&param, outside);
    EXPECT_EQ(param.name, nullptr) << outside;
    EXPECT_EQ(param.type, -7) << outside;
  }
  f0r_param_color_t color{0.25f, 0.5f, 2.0f}, got_color{};
  plugin.f0r_set_param_value(instance, &color, plugin.Index("Path Color"));
  plugin.f0r_get_param_value(instance, &got_color, plugin.Index("Path Color"));
  EXPECT_EQ(std::vector<float>({got_color.r, got_color.g, got_color.b}),
            std::vector<float>({0.25f, 0.5f, 2.0f}));
  const char* style = nullptr;
  plugin.f0r_get_param_value(instance, &style, plugin.Index("Rendering Style"));
  EXPECT_STREQ(style, "Draw on Image");  // the effect's default
  plugin.f0r_destruct(instance);
  plugin.f0r_deinit();
}

// A failure leaves the frame as it came, reports once, and throws nothing.
TEST(Frei0rInstances, FailureLeavesTheFrameUnchangedAndIsReportedOnce) {
  auto effect = std::make_shared<const lustre_frei0r::Frei0rEffect>(LUSTRE_MODULE_PATH);
  const auto index = [&](const std::string& name) {
    for (int i = 0; i < effect->Table().Size(); ++i) {
      if (effect->Table().Params()[static_cast<size_t>(i)].name == name) return i;
    }
    throw std::runtime_error("no parameter " + name);
  };
  const struct {
    const char* what;
    unsigned width, height;
    std::function<void(lustre_frei0r::Frei0rInstance&)> arrange;
    const char* reported;
  } rows[] = {
      {"the effect returns an error", kW, kH,
       [](lustre_frei0r::Frei0rInstance& i) {
         i.Host().Faults().AbortAfterProgressCalls(0, PF_Err_OUT_OF_MEMORY);
       },
       "the effect failed during render with error 4"},
      {"a popup text names no choice", kW, kH,
       [&](lustre_frei0r::Frei0rInstance& i) {
         const char* text = "Squiggly";
         i.SetParam(index("End Point Style"), &text);
       },
       "frei0r parameter \"End Point Style\": 'Squiggly' is not a choice"},
      {"a frame wider than the host allows", 30001, 1, [](lustre_frei0r::Frei0rInstance&) {},
       "30000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    lustre_frei0r::Frei0rInstance instance(effect, row.width, row.height,
                                           lustre_frei0r::TimeUnit::kSeconds);
    double on = 1;
    for (const char* name : {"Point 1/Activate", "Point 2/Activate"})
      instance.SetParam(index(name), &on);
    row.arrange(instance);
    std::vector<uint32_t> in(size_t{row.width} * row.height);
    for (size_t p = 0; p < in.size(); ++p) in[p] = static_cast<uint32_t>(p * 2654435761u);
    ::testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame) {
      std::vector<uint32_t> out(in.size(), 0xDEADBEEF);
      instance.Update(frame / 25.0, in.data(), out.data());
      EXPECT_EQ(out, in) << "frame " << frame;
    }
    instance.Update(0, in.data(), nullptr);  // no frame to write: nothing happens
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(row.reported), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

}  // namespace
}  // namespace frei0r_test
