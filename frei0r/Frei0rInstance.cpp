#include "frei0r/Frei0rInstance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>

// Debian's frei0r.h declares C functions without a guard of its own.
extern "C" {
#include <frei0r.h>
}

namespace lustre_frei0r {
namespace {

PF_Pixel* WorldRow(PF_EffectWorld* world, int y) {
  return reinterpret_cast<PF_Pixel*>(static_cast<char*>(world->data) +
                                     static_cast<std::ptrdiff_t>(y) * world->rowbytes);
}

}  // namespace

void SetFrameTime(PF_InData& in_data, double time, TimeUnit unit) {
  const double ms = unit == TimeUnit::kMilliseconds ? time : time * 1000.0;
  constexpr double lo = std::numeric_limits<A_long>::min();
  constexpr double hi = std::numeric_limits<A_long>::max();
  double rounded = std::round(ms);
  if (std::isnan(rounded)) rounded = 0;
  in_data.current_time = static_cast<A_long>(std::clamp(rounded, lo, hi));
  in_data.time_scale = 1000;
}

void ReportOnce(const std::string& message) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> lock(mutex);
  if (reported.insert(message).second) {
    std::fprintf(stderr, "lustre-strand frei0r plug-in: %s\n", message.c_str());
  }
}

// ---- The effect ---------------------------------------------------------------------

Frei0rEffect::Frei0rEffect(const std::string& module_path)
    : session_(std::make_unique<app::EffectSession>(
          std::make_shared<const app::EffectModule>(module_path), app::HostSettings{})),
      table_(std::make_unique<Frei0rParamTable>(session_->Names())) {}

Frei0rEffect::~Frei0rEffect() = default;

// ---- An instance --------------------------------------------------------------------

Frei0rInstance::Frei0rInstance(std::shared_ptr<const Frei0rEffect> effect, unsigned width,
                               unsigned height, TimeUnit time_unit)
    : effect_(std::move(effect)),
      width_(static_cast<int>(std::min<unsigned>(width, std::numeric_limits<int>::max()))),
      height_(static_cast<int>(std::min<unsigned>(height, std::numeric_limits<int>::max()))),
      time_unit_(time_unit),
      values_(effect_->Table().Defaults()) {}

void Frei0rInstance::SetParam(int index, const void* value) {
  if (index < 0 || index >= effect_->Table().Size() || value == nullptr) return;
  Frei0rValue& v = values_[static_cast<size_t>(index)];
  switch (effect_->Table().Params()[static_cast<size_t>(index)].type) {
    case Frei0rType::kBool:
    case Frei0rType::kDouble: v.number = *static_cast<const double*>(value); break;
    case Frei0rType::kColor: {
      const auto* c = static_cast<const f0r_param_color_t*>(value);
      v.color = {c->r, c->g, c->b};
      break;
    }
    case Frei0rType::kString: {
      const char* text = *static_cast<const char* const*>(value);
      if (text != nullptr) v.text = text;
      break;
    }
  }
}

void Frei0rInstance::GetParam(int index, void* value) const {
  if (index < 0 || index >= effect_->Table().Size() || value == nullptr) return;
  const Frei0rValue& v = values_[static_cast<size_t>(index)];
  switch (effect_->Table().Params()[static_cast<size_t>(index)].type) {
    case Frei0rType::kBool:
    case Frei0rType::kDouble: *static_cast<double*>(value) = v.number; break;
    case Frei0rType::kColor:
      *static_cast<f0r_param_color_t*>(value) = {v.color.r, v.color.g, v.color.b};
      break;
    // The text stays valid until the parameter is set again.
    case Frei0rType::kString: *static_cast<const char**>(value) = v.text.c_str(); break;
  }
}

void Frei0rInstance::Update(double time, const uint32_t* in, uint32_t* out) noexcept {
  if (in == nullptr || out == nullptr) return;
  std::string failure;
  try {
    Render(time, reinterpret_cast<const uint8_t*>(in), reinterpret_cast<uint8_t*>(out));
    return;
  } catch (const std::bad_alloc&) {
    failure = "out of memory";
  } catch (const std::exception& error) { failure = error.what(); } catch (...) {
    failure = "an unknown failure";
  }
  try {
    ReportOnce(failure + "; such frames pass through unchanged");
  } catch (...) {}
  if (out != in) {
    std::memmove(out, in, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  }
}

void Frei0rInstance::Render(double time, const uint8_t* in, uint8_t* out) {
  if (input_ == nullptr) {
    // Sizes the host cannot hold are refused here, naming the limit.
    input_ = host_.CreateWorld(width_, height_, false, false);
    output_ = host_.CreateWorld(width_, height_, false, true);
  }
  // frei0r's R, G, B, A bytes into the host's alpha, red, green, blue pixels.
  const size_t row_bytes = static_cast<size_t>(width_) * 4;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = in + static_cast<size_t>(y) * row_bytes;
    PF_Pixel* dst = WorldRow(input_, y);
    for (int x = 0; x < width_; ++x, src += 4) dst[x] = {src[3], src[0], src[1], src[2]};
  }

  PF_InData& in_data = *host_.InData();
  in_data.width = width_;
  in_data.height = height_;
  in_data.extent_hint = {0, 0, width_, height_};
  SetFrameTime(in_data, time, time_unit_);
  embedded::ParamArray params(&in_data, input_, effect_->Registered());
  effect_->Table().Apply(values_, params, width_, height_);

  app::ClearMessage(host_);
  const PF_Err err = effect_->Module().Call(host_, PF_Cmd_RENDER, params.Get(), output_);
  if (err != PF_Err_NONE) throw app::CallFailure(host_, err, "render");

  for (int y = 0; y < height_; ++y) {
    const PF_Pixel* src = WorldRow(output_, y);
    uint8_t* dst = out + static_cast<size_t>(y) * row_bytes;
    for (int x = 0; x < width_; ++x, dst += 4) {
      dst[0] = src[x].red;
      dst[1] = src[x].green;
      dst[2] = src[x].blue;
      dst[3] = src[x].alpha;
    }
  }
}

}  // namespace lustre_frei0r
