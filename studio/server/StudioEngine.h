// The effect side of the studio: one loaded effect, the layers, and a
// renderer per preview scale, all used under one lock so that any number of
// requests (several tabs) can ask at once. Documents are parameter documents
// in the form of params files; a bad one is refused with the messages
// `render` gives.
#pragma once

#include <atomic>
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
// Frames one curve request may ask for.
constexpr long kMaxCurveFrames = 10000;
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
  // "still", "sequence" or "video"; null for the built-in layer.
  const char* InputKind() const { return layers_.Kind(); }
  // Frames the effect has drawn for previews so far.
  long RenderCount() const { return render_count_.load(); }
  // The session's own options in `render`'s terms (input or size, rate,
  // depth, module and host), so that the command renders what the studio shows.
  std::vector<std::string> RenderArgs() const;

  // The document's assignments; UsageError naming what is wrong, after
  // `source` (what the message calls the document).
  std::vector<app::ParamAssignment> ParseDocument(const nlohmann::json& doc,
                                                  const std::string& source = "document") const;
  // The same, and every value and key set once in the effect's controls, so
  // that a value the host refuses is refused now, as `render` refuses it.
  void CheckDocument(const nlohmann::json& doc, const std::string& source = "document");

  // The frame at 1/scale (1, 2 or 4), after or before the effect. Throws
  // UsageError (bad document, frame or scale) or EffectError.
  app::Layer Render(const nlohmann::json& doc, long frame, int scale, View view);

  // What decides the picture Render gives: the view, scale and frame (the
  // effect is told the frame's time, and the input's frame is read at it)
  // and, after the effect, every assigned value as it is at that frame. Two
  // documents that differ only in keys outside the frame's segment give the
  // same key. Throws UsageError for a bad document.
  std::string FrameKey(const nlohmann::json& doc, long frame, int scale, View view) const;

  // {"frames": [first..last], "values": [value of `name` at each frame]},
  // as `render` evaluates the document. UsageError for a bad document, name
  // or range (at most kMaxCurveFrames frames).
  nlohmann::json Curve(const nlohmann::json& doc, const std::string& name, long first,
                       long last) const;

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
  std::atomic<long> render_count_{0};
};

}  // namespace studio
