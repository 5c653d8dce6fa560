// Drives the built module the way a host does: loads LustreStrand.so with
// dlopen through the embedded host's loader, sends global and parameter
// set-up, and prepares frames (input layer, output, parameter array) to render.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"
#include "host/embedded/ModuleLoader.h"
#include "host/embedded/ParamArray.h"

namespace harness {

// Positions of controls in the point layout that the tests drive.
constexpr int kShowPath = 1;
constexpr int kLineWidth = 5;
constexpr int kClosePath = 81;
constexpr int PointHeader(int k) { return 82 + 5 * (k - 1); }

inline long LiveHandles() { return embedded::HandleHeap::Instance().LiveHandles(); }

// One host session with the module: its own embedded host, set up.
class Session {
 public:
  explicit Session(embedded::ModuleLoader& module) : module_(module) {}

  embedded::EmbeddedHost& Host() { return host_; }
  PF_InData* InData() { return host_.InData(); }
  PF_OutData* OutData() { return host_.OutData(); }

  PF_Err Call(PF_Cmd cmd, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
              void* extra = nullptr) {
    return host_.Call(module_.Entry(), cmd, params, output, extra);
  }

  // Global set-up and parameter set-up, as a host does before anything else.
  void SetUp() {
    ASSERT_EQ(Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    ASSERT_EQ(Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
    ASSERT_EQ(host_.RegisteredParams().size(), 112u);
  }

  // An input layer with a pattern, an output world and the parameter array.
  void MakeFrame(A_long width, A_long height, bool deep) {
    input_ = host_.CreateWorld(width, height, deep, false);
    output_ = host_.CreateWorld(width, height, deep, true);
    FillPattern(input_);
    params_.emplace(host_.BuildParams(input_));
  }

  embedded::ParamArray& Params() { return *params_; }
  PF_EffectWorld* Input() { return input_; }
  PF_EffectWorld* Output() { return output_; }

  // Three points across the frame, in full-resolution pixels.
  void ActivateThreePoints() {
    const double w = input_->width;
    const double h = input_->height;
    ActivatePoint(1, 0.2 * w, 0.3 * h, 0.1 * w, 0.5 * h);
    ActivatePoint(2, 0.5 * w, 0.7 * h, 0.4 * w, 0.6 * h);
    ActivatePoint(3, 0.8 * w, 0.3 * h, 0.75 * w, 0.5 * h);
  }

  void ActivatePoint(int k, double x, double y, double hx, double hy) {
    params_->SetCheckbox(PointHeader(k) + 1, true);
    params_->SetPoint(PointHeader(k) + 2, x, y);
    params_->SetPoint(PointHeader(k) + 3, hx, hy);
  }

  PF_Err Render() { return Call(PF_Cmd_RENDER, params_->Get(), output_); }

  // The output's pixel bytes, row by row (padding left out).
  std::vector<unsigned char> OutputBytes() const { return WorldBytes(output_); }
  std::vector<unsigned char> InputBytes() const { return WorldBytes(input_); }

  static std::vector<unsigned char> WorldBytes(const PF_EffectWorld* world) {
    const bool deep = (world->world_flags & PF_WorldFlag_DEEP) != 0;
    const size_t rowLength = static_cast<size_t>(world->width) * (deep ? 8u : 4u);
    std::vector<unsigned char> bytes;
    for (A_long y = 0; y < world->height; ++y) {
      const auto* row = static_cast<const unsigned char*>(world->data) +
                        static_cast<size_t>(y) * static_cast<size_t>(world->rowbytes);
      bytes.insert(bytes.end(), row, row + rowLength);
    }
    return bytes;
  }

 private:
  // Every channel varies with the pixel's coordinates; alpha is opaque.
  static void FillPattern(PF_EffectWorld* world) {
    const bool deep = (world->world_flags & PF_WorldFlag_DEEP) != 0;
    for (A_long y = 0; y < world->height; ++y) {
      auto* row = static_cast<unsigned char*>(world->data) +
                  static_cast<size_t>(y) * static_cast<size_t>(world->rowbytes);
      for (A_long x = 0; x < world->width; ++x) {
        const auto r = static_cast<unsigned>(x * 5 % 256);
        const auto g = static_cast<unsigned>(y * 3 % 256);
        const auto b = static_cast<unsigned>((x + y) % 256);
        if (deep) {
          PF_Pixel16 p{32768, static_cast<A_u_short>(r * 128), static_cast<A_u_short>(g * 128),
                       static_cast<A_u_short>(b * 128)};
          std::memcpy(row + 8 * x, &p, sizeof p);
        } else {
          PF_Pixel p{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g),
                     static_cast<A_u_char>(b)};
          std::memcpy(row + 4 * x, &p, sizeof p);
        }
      }
    }
  }

  embedded::ModuleLoader& module_;
  embedded::EmbeddedHost host_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
  std::optional<embedded::ParamArray> params_;
};

// Each test loads the module afresh and closes it at the end.
class ModuleTest : public ::testing::Test {
 protected:
  ModuleTest() : module_(std::make_unique<embedded::ModuleLoader>(LUSTRE_MODULE_PATH)) {}

  void SetUp() override {
    embedded::HandleHeap::Instance().ResetCounters();
    handlesAtStart_ = LiveHandles();
  }
  void TearDown() override {
    embedded::HandleHeap::Instance().ResetCounters();
    EXPECT_EQ(LiveHandles(), handlesAtStart_) << "handles leaked by the module";
  }

  embedded::ModuleLoader& Module() { return *module_; }

  std::unique_ptr<embedded::ModuleLoader> module_;
  long handlesAtStart_ = 0;
};

}  // namespace harness
