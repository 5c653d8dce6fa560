// The layers the studio renders over: the input (a still, an image sequence
// or a video) or the built-in layer, at the render's depth and at each
// preview scale. The latest frame's layers are kept, since a drag asks for the
// same frame again and again.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/media/FrameIo.h"
#include "app/session/Layer.h"

namespace studio {

struct LayerSupplySettings {
  std::string input;  // a file or a frame pattern; empty: the built-in layer
  int width = 1920;   // of the built-in layer
  int height = 1080;
  int depth = 0;         // 8 or 16; 0: the input's (8 for the built-in layer)
  long first_frame = 0;  // the frame whose layer sets the shape
};

class LayerSupply {
 public:
  // Opens the input and reads what sets the shape. Throws UsageError naming
  // the file when it cannot be read.
  explicit LayerSupply(const LayerSupplySettings& settings);
  ~LayerSupply();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Deep() const { return deep_; }
  // The source's own frame count and rate, when it has them (a video).
  std::optional<long> FrameCount() const;
  std::optional<app::Rational> Rate() const;
  // "still", "sequence" or "video"; null for the built-in layer.
  const char* Kind() const { return kind_; }

  // The layer of `frame` at the render's depth, reduced by `scale`
  // (DownsampleLayer). Not thread-safe: the caller holds its lock.
  const app::Layer& LayerAt(long frame, int scale);

 private:
  app::Layer FullLayer(long frame);

  std::unique_ptr<app::FrameSource> source_;  // null: the built-in layer
  const char* kind_ = nullptr;
  std::optional<app::Layer> built_in_;
  int width_ = 0;
  int height_ = 0;
  bool deep_ = false;
  long cached_frame_ = -1;
  std::map<int, app::Layer> cached_;  // scale -> layer of cached_frame_
};

}  // namespace studio
