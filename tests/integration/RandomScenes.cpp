#include "RandomScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "ModuleHarness.h"
#include "Common/ParamIndex.h"

namespace harness {
namespace {

// SplitMix64: a fixed, portable stream (the standard distributions are not
// the same on every library, so values are mapped by hand).
class SceneRandom {
 public:
  explicit SceneRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return double(Next() >> 11) * 0x1.0p-53; }
  // Uniform integer in [lo, hi].
  int Between(int lo, int hi) { return lo + int(Next() % uint64_t(hi - lo + 1)); }
  // Uniform in [lo, hi] with two decimals, as a user types a slider value.
  double Slider(double lo, double hi) {
    return std::round((lo + (hi - lo) * Unit()) * 100.0) / 100.0;
  }
  bool Chance(double p) { return Unit() < p; }
  PF_Pixel Color() { return PF_Pixel{255, A_u_char(Next()), A_u_char(Next()), A_u_char(Next())}; }

 private:
  uint64_t state_;
};

constexpr uint64_t kSeed = 0x4C75737472653133ull;

SceneRandom StreamOf(int index, uint64_t salt) {
  return SceneRandom(kSeed ^ (uint64_t(index) * 0x2545F4914F6CDD1Dull) ^ salt);
}

// A few 4K-sized scenes; the rest mostly small, some medium.
void DrawSize(SceneRandom& r, int index, SceneFrame& f) {
  if (index % 60 == 17) {
    f.width = r.Between(1920, 3840);
    f.height = r.Between(1080, 2160);
  } else if (r.Chance(0.25)) {
    f.width = r.Between(96, 420);
    f.height = r.Between(64, 320);
  } else {
    f.width = r.Between(1, 96);
    f.height = r.Between(1, 96);
  }
}

// Channels from the coordinates, scattered; alpha opaque, or varying with
// the coordinates in some scenes.
void FillInput(PF_EffectWorld* world, bool deep, bool varyingAlpha) {
  for (A_long y = 0; y < world->height; ++y) {
    auto* row = static_cast<unsigned char*>(world->data) + size_t(y) * size_t(world->rowbytes);
    for (A_long x = 0; x < world->width; ++x) {
      const uint32_t h = uint32_t(x) * 2654435761u ^ uint32_t(y) * 2246822519u;
      const unsigned a = varyingAlpha ? unsigned((x * 7 + y * 13) % 256) : 255u;
      const unsigned r = h & 0xFF, g = (h >> 8) & 0xFF, b = (h >> 16) & 0xFF;
      if (deep) {
        const PF_Pixel16 p{A_u_short(a * 32768 / 255), A_u_short(r * 128 + (h >> 24) % 128),
                           A_u_short(g * 128), A_u_short(b * 128)};
        std::memcpy(row + 8 * x, &p, 8);
      } else {
        const PF_Pixel p{A_u_char(a), A_u_char(r), A_u_char(g), A_u_char(b)};
        std::memcpy(row + 4 * x, &p, 4);
      }
    }
  }
}

double LineWidth(SceneRandom& r) {
  const double band = r.Unit();
  if (band < 0.6) return r.Slider(1, 30);
  if (band < 0.9) return r.Slider(30, 150);
  return r.Slider(150, 1000);
}

void DrawLineControls(SceneRandom& r, embedded::ParamArray& p) {
  p.SetCheckbox(param::kShowPath, r.Chance(0.3));
  const double view = r.Unit();
  p.SetPopup(param::kOutputView, view < 0.8 ? 1 : view < 0.9 ? 2 : 3);
  p.SetPopup(param::kRenderingStyle, r.Between(1, 3));
  p.SetFixed(param::kLineWidth, LineWidth(r));
  p.SetPopup(param::kEndPointStyle, r.Between(1, 2));
  p.SetFixed(param::kFalloff, r.Slider(0, 100));
  p.SetPopup(param::kRepeatStyle, r.Between(1, 2));
  p.SetFixed(param::kRepeats, r.Between(1, 10));
  p.SetFixed(param::kGradientOffset, r.Chance(0.5) ? 0.0 : r.Slider(-500, 500));
  p.SetPopup(param::kGradientInterpolation, r.Between(1, 3));
  p.SetCheckbox(param::kWrapGradient, r.Chance(0.5));
  p.SetPopup(param::kGradientMode, r.Between(1, 3));
}

void DrawDotsAndBlend(SceneRandom& r, embedded::ParamArray& p) {
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    const int h = param::ColorDotHeader(k);
    p.SetCheckbox(h + param::kDotActivate, r.Chance(0.4));
    p.SetColor(h + param::kDotColor, r.Color());
    p.SetFixed(h + param::kDotPosition, r.Slider(0, 100));
    p.SetFixed(h + param::kDotOpacity, r.Chance(0.6) ? 100.0 : r.Slider(0, 100));
  }
  const int modes = p.At(param::kOriginalBlendTransfer).u.pd.num_choices;
  p.SetPopup(param::kOriginalBlendTransfer, r.Chance(0.3) ? 1 : r.Between(1, modes));
  p.SetFixed(param::kCompositeWithOriginal, r.Chance(0.4) ? 0.0 : r.Slider(0, 100));
}

// Points anywhere in and around the layer (full-resolution pixels), handles
// near their points or far off; now and then fewer than two points.
void DrawPath(SceneRandom& r, embedded::ParamArray& p, double fullWidth, double fullHeight) {
  p.SetColor(param::kPathColor, r.Color());
  p.SetCheckbox(param::kClosePath, r.Chance(0.4));
  const int active = r.Chance(0.08) ? r.Between(0, 1) : r.Between(2, param::kPointCount);
  for (int k = 1; k <= param::kPointCount; ++k) {
    const int h = param::PointHeader(k);
    p.SetCheckbox(h + param::kPointActivate, k <= active);
    const double x = fullWidth * (1.6 * r.Unit() - 0.3), y = fullHeight * (1.6 * r.Unit() - 0.3);
    const double reach = r.Chance(0.2) ? 0.0 : r.Chance(0.7) ? 0.3 : 1.2;
    const double hx = x + fullWidth * reach * (2 * r.Unit() - 1),
                 hy = y + fullHeight * reach * (2 * r.Unit() - 1);
    p.SetPoint(h + param::kPointPosition, x, y);
    p.SetPoint(h + param::kPointHandle, hx, hy);
  }
}

}  // namespace

std::string SceneFrame::Describe() const {
  return "scene " + std::to_string(index) + ": " + std::to_string(width) + "x" +
         std::to_string(height) + (deep ? " deep" : " 8-bit") + (lowQuality ? " low" : " high") +
         " 1/" + std::to_string(downsampleX) + " x 1/" + std::to_string(downsampleY);
}

SceneFrame SceneFrameOf(int index) {
  SceneRandom r = StreamOf(index, 0);
  SceneFrame f;
  f.index = index;
  DrawSize(r, index, f);
  f.deep = r.Chance(0.5);
  f.lowQuality = r.Chance(0.3);
  if (r.Chance(0.3)) {
    f.downsampleX = r.Between(1, 4);
    f.downsampleY = r.Chance(0.7) ? f.downsampleX : r.Between(1, 4);
  }
  return f;
}

std::vector<unsigned char> RenderScene(const app::EffectModule& module, int index) {
  const SceneFrame f = SceneFrameOf(index);
  SceneRandom r = StreamOf(index, 1);
  embedded::EmbeddedHost host;
  host.SetTransferArithmetic(embedded::EmbeddedHost::TransferArithmetic::kReference);
  host.SetQuality(f.lowQuality ? PF_Quality_LO : PF_Quality_HI);
  host.SetDownsample({1, A_u_long(f.downsampleX)}, {1, A_u_long(f.downsampleY)});
  if (module.Call(host, PF_Cmd_GLOBAL_SETUP) != PF_Err_NONE ||
      module.Call(host, PF_Cmd_PARAMS_SETUP) != PF_Err_NONE) {
    ADD_FAILURE() << "set-up failed";
    return {};
  }
  PF_EffectWorld* input = host.CreateWorld(f.width, f.height, f.deep, false);
  PF_EffectWorld* output = host.CreateWorld(f.width, f.height, f.deep, true);
  FillInput(input, f.deep, r.Chance(0.3));
  embedded::ParamArray params = host.BuildParams(input);
  DrawLineControls(r, params);
  DrawDotsAndBlend(r, params);
  DrawPath(r, params, double(f.width) * f.downsampleX, double(f.height) * f.downsampleY);
  const PF_Err err = module.Call(host, PF_Cmd_RENDER, params.Get(), output);
  EXPECT_EQ(err, PF_Err_NONE);
  return WorldBytes(output);
}

}  // namespace harness
