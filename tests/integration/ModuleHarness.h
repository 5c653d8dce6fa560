// Drives the built module the way a host does: loads LustreStrand.so and
// calls it as every host of this program does (app::EffectModule), sends
// global and parameter set-up, and prepares frames (input layer, output,
// parameter array) to render.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session/EffectModule.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "host/embedded/ParamArray.h"

namespace harness {

// Positions of controls in the point layout that the tests drive.
constexpr int kShowPath = 1, kLineWidth = 5, kClosePath = 81;
constexpr int PointHeader(int k) { return 82 + 5 * (k - 1); }

inline long LiveHandles() { return embedded::HandleHeap::Instance().LiveHandles(); }

// The pixel bytes of a world, row by row (padding left out).
inline std::vector<unsigned char> WorldBytes(const PF_EffectWorld* world) {
  const size_t row_length =
      size_t(world->width) * ((world->world_flags & PF_WorldFlag_DEEP) ? 8u : 4u);
  std::vector<unsigned char> bytes;
  for (A_long y = 0; y < world->height; ++y) {
    const auto* row =
        static_cast<const unsigned char*>(world->data) + size_t(y) * size_t(world->rowbytes);
    bytes.insert(bytes.end(), row, row + row_length);
  }
  return bytes;
}

// One host session with the module: its own embedded host.
class Session {
 public:
  explicit Session(const app::EffectModule& module) : module_(module) {}

  embedded::EmbeddedHost& Host() { return host_; }
  PF_InData* InData() { return host_.InData(); }
  PF_OutData* OutData() { return host_.OutData(); }
  PF_Err Call(PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
              void* extra = nullptr) {
    return module_.Call(host_, cmd, params, output, extra);
  }

  // Global set-up and parameter set-up, as a host does before anything else.
  void SetUp() {
    ASSERT_EQ(Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    ASSERT_EQ(host_.RegisteredParams().size(), 112u);
  }

  // An input layer whose every channel varies with the pixel's coordinates
  // (alpha opaque), an output world and the parameter array.
  void MakeFrame(A_long width, A_long height, bool deep) {
    input_ = host_.CreateWorld(width, height, deep, false);
    output_ = host_.CreateWorld(width, height, deep, true);
    for (A_long y = 0; y < height; ++y) {
      auto* row = static_cast<unsigned char*>(input_->data) + size_t(y) * size_t(input_->rowbytes);
      for (A_long x = 0; x < width; ++x) {
        const unsigned r = unsigned(x * 5 % 256), g = unsigned(y * 3 % 256),
                       b = unsigned((x + y) % 256);
        const PF_Pixel16 p16{32768, A_u_short(r * 128), A_u_short(g * 128), A_u_short(b * 128)};
        const PF_Pixel p8{255, A_u_char(r), A_u_char(g), A_u_char(b)};
        deep ? std::memcpy(row + 8 * x, &p16, 8) : std::memcpy(row + 4 * x, &p8, 4);
      }
    }
    params_.emplace(host_.BuildParams(input_));
  }

  embedded::ParamArray& Params() { return *params_; }
  std::vector<unsigned char> InputBytes() const { return WorldBytes(input_); }
  std::vector<unsigned char> OutputBytes() const { return WorldBytes(output_); }

  void ActivatePoint(int k, double x, double y, double hx, double hy) {
    params_->SetCheckbox(PointHeader(k) + 1, true);
    params_->SetPoint(PointHeader(k) + 2, x, y);
    params_->SetPoint(PointHeader(k) + 3, hx, hy);
  }
  // Three points across the frame, in full-resolution pixels.
  void ActivateThreePoints() {
    const double w = input_->width, h = input_->height;
    ActivatePoint(1, 0.2 * w, 0.3 * h, 0.1 * w, 0.5 * h);
    ActivatePoint(2, 0.5 * w, 0.7 * h, 0.4 * w, 0.6 * h);
    ActivatePoint(3, 0.8 * w, 0.3 * h, 0.75 * w, 0.5 * h);
  }

  // Set up, with a frame and three points across it.
  void Ready(A_long width, A_long height, bool deep) {
    SetUp();
    MakeFrame(width, height, deep);
    ActivateThreePoints();
  }

  PF_Err Render() { return Call(PF_Cmd_RENDER, params_->Get(), output_); }

 private:
  const app::EffectModule& module_;
  embedded::EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
  std::optional<embedded::ParamArray> params_;
};

// Each test loads the module afresh, closes it at the end, and finds no
// handle left behind.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    embedded::HandleHeap::Instance().ResetCounters();
    handles_at_start_ = LiveHandles();
  }
  void TearDown() override {
    embedded::HandleHeap::Instance().ResetCounters();
    EXPECT_EQ(LiveHandles(), handles_at_start_) << "handles leaked by the module";
  }
  const app::EffectModule& Module() { return *module_; }

  std::unique_ptr<app::EffectModule> module_ =
      std::make_unique<app::EffectModule>(LUSTRE_MODULE_PATH);
  long handles_at_start_ = 0;
};

}  // namespace harness
