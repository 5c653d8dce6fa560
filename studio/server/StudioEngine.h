// The effect side of the studio: one loaded effect, the layers, and a
// renderer per preview scale, all used under one lock so that any number of
// requests (several tabs) can ask at once. Documents are parameter documents
// in the form of params files; a bad one is refused with the messages
// `render` gives.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/params/ParamSettings.h"
#include "app/session/EffectSession.h"
#include "app/session/FrameRenderer.h"
#include "app/session/Layer.h"
#include "app/session/SessionTypes.h"
#include "studio/server/LayerSupply.h"

namespace studio {

struct EngineSettings {
  LayerSupplySettings layer;
  std::optional<app::FrameRange> frames;  // none: a video's frames, else 0 to kDefaultLastFrame
  std::optional<app::Rational> fps;       // none: the input's rate, else 24
  std::string module_path;
  app::HostSettings host;
};

// Without a video or --frames the timeline runs from 0 to this frame (five
// seconds at 24 frames a second).
constexpr long kDefaultLastFrame = 119;

enum class View { kAfter, kBefore };

// The finest and coarsest preview reduction.
constexpr int kMaxScale = 4;
// Widths of the gradient row.
constexpr int kMinGradientWidth = 16;
constexpr int kMaxGradientWidth = 2048;

class StudioEngine {
 public:
  // Throws UsageError (bad input or options) or EffectError (set-up failed).
  explicit StudioEngine(const EngineSettings& settings);
  ~StudioEngine();

  int Width() const { return shape_.width; }
  int Height() const { return shape_.height; }
  bool Deep() const { return shape_.deep; }
  const app::FrameRange& Frames() const { return frames_; }
  const app::Rational& Rate() const { return timeline_.fps; }
  const app::ParamNameTable& Names() const { return session_->Names(); }

  // The document's assignments; UsageError naming what is wrong.
  std::vector<app::ParamAssignment> ParseDocument(const nlohmann::json& doc) const;

  // The frame at 1/scale (1, 2 or 4), after or before the effect. Throws
  // UsageError (bad document, frame or scale) or EffectError.
  app::Layer Render(const nlohmann::json& doc, long frame, int scale, View view);

  // {"values": {name: value at the frame}, "ui": {name: {"enabled", "visible"}}}.
  nlohmann::json State(const nlohmann::json& doc, long frame);

  // One row of `width` pixels, the gradient from the stroke's centre (left)
  // to its edge (right), cut from the effect's own gradient view.
  app::Layer GradientRow(const nlohmann::json& doc, long frame, int width);

 private:
  struct SideSession;
  void CheckFrame(long frame) const;
  app::FrameRenderer& RendererFor(int scale);
  SideSession& Side(int gradient_width);

  EngineSettings settings_;
  std::mutex mutex_;  // every call into the module, and the layers
  LayerSupply layers_;
  app::LayerShape shape_;
  app::FrameRange frames_;
  app::Timeline timeline_;
  std::unique_ptr<app::EffectSession> session_;
  std::map<int, std::unique_ptr<app::FrameRenderer>> renderers_;  // by scale
  std::unique_ptr<SideSession> side_;
};

}  // namespace studio
