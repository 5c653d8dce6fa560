// Frames at 1/factor of their size, as a host hands the effect a downsampled
// layer: what `render --scale` renders and the studio previews. Each frame is
// first brought to the render's depth, then reduced (DownsampleLayer), so the
// reduced pixels do not depend on the input's own depth.
#pragma once

#include <memory>
#include <optional>

#include "app/media/FrameIo.h"
#include "app/session/FrameRenderer.h"

namespace app {

class ReducedSource : public FrameSource {
 public:
  // `inner` null: the built-in layer of the full shape, made once.
  ReducedSource(std::unique_ptr<FrameSource> inner, const LayerShape& full, int factor);

  // The reduced shape.
  LayerShape Shape() const;

  std::optional<long> FrameCount() const override;
  std::optional<Rational> Rate() const override;
  Layer ReadFrame(long frame) override;

 private:
  std::unique_ptr<FrameSource> inner_;
  LayerShape full_;
  int factor_;
  std::optional<Layer> built_in_;
};

}  // namespace app
