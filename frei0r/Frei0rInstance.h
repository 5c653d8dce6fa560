// The frei0r plug-in's two halves below the f0r_* functions: the effect,
// loaded once per process and set up through an embedded host, and one
// instance per frei0r instance, which renders frames through a host of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/session/EffectSession.h"
#include "frei0r/Frei0rParams.h"
#include "host/embedded/EmbeddedHost.h"

namespace lustre_frei0r {

// What the time frei0r passes counts: ffmpeg passes milliseconds, MLT and
// GStreamer seconds (as frei0r says).
enum class TimeUnit { kSeconds, kMilliseconds };

// The frame time in the host's time fields: time_scale 1000, current_time
// the time in milliseconds, rounded (clamped to the field's range).
void SetFrameTime(PF_InData& in_data, double time, TimeUnit unit);

// The effect's session (the module loaded, its global and parameter set-up
// done) and the frei0r table of its parameters. Throws
// embedded::ModuleLoadError when the module cannot be loaded and
// app::EffectError when a set-up command fails.
class Frei0rEffect {
 public:
  explicit Frei0rEffect(const std::string& module_path);
  ~Frei0rEffect();
  Frei0rEffect(const Frei0rEffect&) = delete;
  Frei0rEffect& operator=(const Frei0rEffect&) = delete;

  const app::EffectModule& Module() const { return session_->Module(); }
  const std::vector<PF_ParamDef>& Registered() const { return session_->Registered(); }
  const Frei0rParamTable& Table() const { return *table_; }

 private:
  // The session (and its module) outlives the table, whose definitions point
  // at the module's text.
  std::unique_ptr<app::EffectSession> session_;
  std::unique_ptr<Frei0rParamTable> table_;
};

// One frei0r instance: a frame size, the current frei0r values, and a host
// of its own. Construction allocates no frame; the worlds are made at the
// first update and kept, since a host never resizes a live instance.
class Frei0rInstance {
 public:
  Frei0rInstance(std::shared_ptr<const Frei0rEffect> effect, unsigned width, unsigned height,
                 TimeUnit time_unit);

  // frei0r's f0r_param_t for the parameter's type: a double, an
  // f0r_param_color_t or a char*; an index outside the table is ignored.
  void SetParam(int index, const void* value);
  void GetParam(int index, void* value) const;

  // Renders `in` into `out` (frei0r RGBA8888: bytes R, G, B, A, straight
  // alpha, width x height pixels without padding). A failure leaves `out`
  // equal to `in`, is reported once on standard error, and throws nothing.
  void Update(double time, const uint32_t* in, uint32_t* out) noexcept;

  // The instance's host, for tests that inject faults.
  embedded::EmbeddedHost& Host() { return host_; }

 private:
  void Render(double time, const uint8_t* in, uint8_t* out);

  std::shared_ptr<const Frei0rEffect> effect_;
  int width_;
  int height_;
  TimeUnit time_unit_;
  std::vector<Frei0rValue> values_;
  embedded::EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
};

// Writes "lustre-strand frei0r plug-in: MESSAGE" on standard error the first
// time this process meets MESSAGE; later reports of it stay silent.
void ReportOnce(const std::string& message);

}  // namespace lustre_frei0r
