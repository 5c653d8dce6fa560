// The frei0r entry points. The plug-in is a host: it loads LustreStrand.so
// from its own folder and drives it through the embedded host, so nothing of
// the effect (its allocator above all) enters the process that loads us.
// Every function forwards to Frei0rEffect / Frei0rInstance and lets no
// exception out into the C caller.
#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>

#include "app/session/ModuleLocation.h"
#include "frei0r/Frei0rInstance.h"
#include "host/embedded/HandleHeap.h"

// Debian's frei0r.h declares C functions without a guard of its own.
extern "C" {
#include <frei0r.h>
}

#define F0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using lustre_frei0r::Frei0rEffect;
using lustre_frei0r::Frei0rInstance;
using lustre_frei0r::TimeUnit;

struct PluginState {
  std::mutex mutex;
  std::shared_ptr<const Frei0rEffect> effect;
  // The effect last loaded, while f0r_init or an instance still holds it.
  std::weak_ptr<const Frei0rEffect> loaded;
  TimeUnit time_unit = TimeUnit::kSeconds;
  int init_count = 0;
  bool load_failed = false;
};

// Not destroyed with the plug-in's other statics: instances keep the effect
// alive by their own reference, and no module is unloaded while the process
// exits. ReleaseOnUnload frees it.
PluginState& State() {
  static PluginState* state = new PluginState;
  return *state;
}

// Unloading the plug-in (a host's dlclose, or the process's exit) frees what
// it keeps for the process once the effect's module is gone (after the last
// f0r_deinit and f0r_destruct), since nothing can reach the handle heap
// then: a host that loads and unloads plug-ins loses no memory to us. A host
// that ends with the effect still loaded keeps it all, as the module may
// still release handles while the process exits.
struct ReleaseOnUnload {
  ~ReleaseOnUnload() {
    PluginState& state = State();
    if (!state.loaded.expired()) return;
    delete &state;
    embedded::HandleHeap::ReleaseInstanceIfUnused();
  }
} release_on_unload;

// ffmpeg's frei0r filter passes milliseconds, MLT and GStreamer seconds, as
// frei0r says. ffmpeg is recognised by its filter library being in the
// process without MLT's or GStreamer's (both may load FFmpeg's libraries).
TimeUnit DetectTimeUnit() {
  const bool ffmpeg_filters = dlsym(RTLD_DEFAULT, "avfilter_version") != nullptr;
  const bool mlt = dlsym(RTLD_DEFAULT, "mlt_factory_init") != nullptr;
  const bool gstreamer = dlsym(RTLD_DEFAULT, "gst_init") != nullptr;
  return ffmpeg_filters && !mlt && !gstreamer ? TimeUnit::kMilliseconds : TimeUnit::kSeconds;
}

// The effect, loaded on first need; null when it cannot be (reported once).
std::shared_ptr<const Frei0rEffect> LoadedEffect() {
  PluginState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.effect && !state.load_failed) {
    const std::string path =
        app::ModuleBesideObjectOf(reinterpret_cast<const void*>(&DetectTimeUnit));
    try {
      state.effect = std::make_shared<const Frei0rEffect>(path);
      state.loaded = state.effect;
      state.time_unit = DetectTimeUnit();
    } catch (const std::exception& error) {
      state.load_failed = true;
      lustre_frei0r::ReportOnce(std::string("cannot load the effect (") + error.what() +
                                "); LustreStrand.so belongs in the plug-in's folder");
    }
  }
  return state.effect;
}

Frei0rInstance* AsInstance(f0r_instance_t instance) {
  return static_cast<Frei0rInstance*>(instance);
}

}  // namespace

F0R_EXPORT int f0r_init() {
  try {
    if (!LoadedEffect()) return 0;
    std::lock_guard<std::mutex> lock(State().mutex);
    ++State().init_count;
    return 1;
  } catch (...) { return 0; }
}

// The last deinit lets the module go once no instance holds it; a later init
// loads it again.
F0R_EXPORT void f0r_deinit() {
  PluginState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.init_count > 0 && --state.init_count == 0) {
    state.effect.reset();
    state.load_failed = false;
  }
}

F0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (info == nullptr) return;
  std::shared_ptr<const Frei0rEffect> effect;
  try {
    effect = LoadedEffect();
  } catch (...) {}
  info->name = LUSTRE_FREI0R_NAME;
  info->author = "Ironbrook";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = LUSTRE_VERSION_MAJOR;
  info->minor_version = LUSTRE_VERSION_MINOR;
  info->num_params = effect ? effect->Table().Size() : 0;
  info->explanation =
      "Lustre Strand: a thick, smooth stroke along up to six points, coloured with a gradient "
      "across the stroke";
}

F0R_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
  if (info == nullptr) return;
  std::shared_ptr<const Frei0rEffect> effect;
  try {
    effect = LoadedEffect();
  } catch (...) {}
  if (!effect || param_index < 0 || param_index >= effect->Table().Size()) return;
  const lustre_frei0r::Frei0rParam& param =
      effect->Table().Params()[static_cast<size_t>(param_index)];
  info->name = param.name.c_str();
  info->type = static_cast<int>(param.type);
  info->explanation = param.explanation.c_str();
}

F0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    std::shared_ptr<const Frei0rEffect> effect = LoadedEffect();
    if (!effect) return nullptr;
    TimeUnit unit;
    {
      std::lock_guard<std::mutex> lock(State().mutex);
      unit = State().time_unit;
    }
    return new Frei0rInstance(std::move(effect), width, height, unit);
  } catch (...) { return nullptr; }
}

F0R_EXPORT void f0r_destruct(f0r_instance_t instance) { delete AsInstance(instance); }

F0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (instance == nullptr) return;
  try {
    AsInstance(instance)->SetParam(param_index, param);
  } catch (...) { lustre_frei0r::ReportOnce("a parameter value could not be stored"); }
}

F0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (instance != nullptr) AsInstance(instance)->GetParam(param_index, param);
}

F0R_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe,
                           uint32_t* outframe) {
  if (instance != nullptr) AsInstance(instance)->Update(time, inframe, outframe);
}

F0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                            const uint32_t* /*inframe2*/, const uint32_t* /*inframe3*/,
                            uint32_t* outframe) {
  f0r_update(instance, time, inframe1, outframe);
}
