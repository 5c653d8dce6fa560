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

// The plug-in's exported functions, resolved from the built file.
struct Plugin {
  Plugin() : handle(dlopen(LUSTRE_FREI0R_PLUGIN, RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) throw std::runtime_error(dlerror());
    init = reinterpret_cast<decltype(init)>(Symbol("f0r_init"));
    deinit = reinterpret_cast<decltype(deinit)>(Symbol("f0r_deinit"));
    param_info = reinterpret_cast<decltype(param_info)>(Symbol("f0r_get_param_info"));
    plugin_info = reinterpret_cast<decltype(plugin_info)>(Symbol("f0r_get_plugin_info"));
    construct = reinterpret_cast<decltype(construct)>(Symbol("f0r_construct"));
    destruct = reinterpret_cast<decltype(destruct)>(Symbol("f0r_destruct"));
    set = reinterpret_cast<decltype(set)>(Symbol("f0r_set_param_value"));
    get = reinterpret_cast<decltype(get)>(Symbol("f0r_get_param_value"));
    update = reinterpret_cast<decltype(update)>(Symbol("f0r_update"));
  }
  ~Plugin() { dlclose(handle); }
  void* Symbol(const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("missing ") + name);
    return symbol;
  }
  int Index(const std::string& name) {
    f0r_plugin_info_t info{};
    plugin_info(&info);
    for (int i = 0; i < info.num_params; ++i) {
      f0r_param_info_t p{};
      param_info(&p, i);
      if (name == p.name) return i;
    }
    throw std::runtime_error("no parameter " + name);
  }

  void* handle;
  int (*init)();
  void (*deinit)();
  void (*param_info)(f0r_param_info_t*, int);
  void (*plugin_info)(f0r_plugin_info_t*);
  f0r_instance_t (*construct)(unsigned, unsigned);
  void (*destruct)(f0r_instance_t);
  void (*set)(f0r_instance_t, f0r_param_t, int);
  void (*get)(f0r_instance_t, f0r_param_t, int);
  void (*update)(f0r_instance_t, double, const uint32_t*, uint32_t*);
};

constexpr unsigned kW = 80, kH = 60;

std::vector<uint32_t> PatternFrame() {
  const std::vector<uint32_t> samples = PatternSamples(kW, kH);
  std::vector<uint32_t> frame(kW * kH);
  std::memcpy(frame.data(), std::vector<uint8_t>(samples.begin(), samples.end()).data(), frame.size() * 4);
  return frame;
}

// Frame k of a little animation: line width and a point move with k.
void SetFrameParams(Plugin& plugin, f0r_instance_t instance, int k) {
  double on = 1, width = 0.004 + 0.002 * k, x = 0.2 + 0.05 * k;
  for (const char* name : {"Point 1/Activate", "Point 2/Activate", "Point 3/Activate"}) {
    plugin.set(instance, &on, plugin.Index(name));
  }
  plugin.set(instance, &width, plugin.Index("Line Width"));
  plugin.set(instance, &x, plugin.Index("Point 1/Point X"));
  const char* style = k % 2 ? "Flat" : "Round";
  plugin.set(instance, &style, plugin.Index("End Point Style"));
}

// MLT's parallel rendering: one instance per thread, frames spread over
// them. Every thread's frames equal one instance's, byte for byte.
TEST(Frei0rInstances, SeveralOnSeveralThreadsGiveThePixelsOfOne) {
  Plugin plugin;
  ASSERT_EQ(plugin.init(), 1);
  const std::vector<uint32_t> in = PatternFrame();
  constexpr int kFrames = 6, kThreads = 4;
  std::vector<std::vector<uint32_t>> expected(kFrames, std::vector<uint32_t>(in.size()));
  {
    f0r_instance_t one = plugin.construct(kW, kH);
    for (int k = 0; k < kFrames; ++k) {
      SetFrameParams(plugin, one, k);
      plugin.update(one, k / 25.0, in.data(), expected[static_cast<size_t>(k)].data());
    }
    plugin.destruct(one);
  }
  EXPECT_NE(expected[0], in);
  EXPECT_NE(expected[0], expected[1]);

  std::vector<std::vector<std::vector<uint32_t>>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      f0r_instance_t instance = plugin.construct(kW, kH);
      got[static_cast<size_t>(t)].resize(kFrames);
      // Every thread renders every frame, in its own order.
      for (int i = 0; i < kFrames; ++i) {
        const int k = (i + t) % kFrames;
        std::vector<uint32_t> out(in.size());
        SetFrameParams(plugin, instance, k);
        plugin.update(instance, k / 25.0, in.data(), out.data());
        got[static_cast<size_t>(t)][static_cast<size_t>(k)] = std::move(out);
      }
      plugin.destruct(instance);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kFrames; ++k) {
      EXPECT_EQ(got[static_cast<size_t>(t)][static_cast<size_t>(k)], expected[static_cast<size_t>(k)])
          << "thread " << t << " frame " << k;
    }
  }
  plugin.deinit();
}

// What a host reads back is what it set; strings stay readable until set again.
TEST(Frei0rInstances, GiveBackTheValuesTheyWereGiven) {
  Plugin plugin;
  ASSERT_EQ(plugin.init(), 1);
  f0r_instance_t instance = plugin.construct(640, 480);  // as GStreamer does at registration
  for (const char* name : {"Show Path", "Line Width", "Point 6/Handle Y"}) {  // first, any, last
    double value = 0.123456789, got = 0;
    plugin.set(instance, &value, plugin.Index(name));
    plugin.get(instance, &got, plugin.Index(name));
    EXPECT_EQ(got, value) << name;
  }
  // Indexes outside the table are ignored, and leave what they are given as it was.
  f0r_plugin_info_t info{};
  plugin.plugin_info(&info);
  for (int outside : {-1, info.num_params}) {
    double value = 0.5, got = -7;
    plugin.set(instance, &value, outside);
    plugin.get(instance, &got, outside);
    EXPECT_EQ(got, -7) << outside;
    f0r_param_info_t param{nullptr, -7, nullptr};
    plugin.param_info(&param, outside);
    EXPECT_EQ(param.name, nullptr) << outside;
    EXPECT_EQ(param.type, -7) << outside;
  }
  f0r_param_color_t color{0.25f, 0.5f, 2.0f}, got_color{};
  plugin.set(instance, &color, plugin.Index("Path Color"));
  plugin.get(instance, &got_color, plugin.Index("Path Color"));
  EXPECT_EQ(std::vector<float>({got_color.r, got_color.g, got_color.b}), std::vector<float>({0.25f, 0.5f, 2.0f}));
  const char* style = nullptr;
  plugin.get(instance, &style, plugin.Index("Rendering Style"));
  EXPECT_STREQ(style, "Draw on Image");  // the effect's default
  plugin.destruct(instance);
  plugin.deinit();
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
       [](lustre_frei0r::Frei0rInstance& i) { i.Host().AbortAfterProgressCalls(0, PF_Err_OUT_OF_MEMORY); },
       "the effect failed during render with error 4"},
      {"a popup text names no choice", kW, kH,
       [&](lustre_frei0r::Frei0rInstance& i) {
         const char* text = "Squiggly";
         i.SetParam(index("End Point Style"), &text);
       },
       "frei0r parameter \"End Point Style\": 'Squiggly' is not a choice"},
      {"a frame wider than the host allows", 30001, 1, [](lustre_frei0r::Frei0rInstance&) {}, "30000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    lustre_frei0r::Frei0rInstance instance(effect, row.width, row.height, lustre_frei0r::TimeUnit::kSeconds);
    double on = 1;
    for (const char* name : {"Point 1/Activate", "Point 2/Activate"}) instance.SetParam(index(name), &on);
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
