#include "app/media/ReducedSource.h"

#include <utility>

#include "app/session/BuiltInLayer.h"
#include "app/session/LayerReduction.h"

namespace app {

ReducedSource::ReducedSource(std::unique_ptr<FrameSource> inner, const LayerShape& full,
                             int factor)
    : inner_(std::move(inner)), full_(full), factor_(factor) {}

LayerShape ReducedSource::Shape() const {
  return {(full_.width + factor_ - 1) / factor_, (full_.height + factor_ - 1) / factor_,
          full_.deep};
}

std::optional<long> ReducedSource::FrameCount() const {
  return inner_ ? inner_->FrameCount() : std::nullopt;
}

std::optional<Rational> ReducedSource::Rate() const {
  return inner_ ? inner_->Rate() : std::nullopt;
}

Layer ReducedSource::ReadFrame(long frame) {
  if (!inner_) {
    if (!built_in_) {
      built_in_ = DownsampleLayer(BuiltInLayer(full_.width, full_.height, full_.deep), factor_);
    }
    return *built_in_;
  }
  Layer layer = inner_->ReadFrame(frame);
  Layer reduced = DownsampleLayer(ConvertLayerDepth(layer, full_.deep), factor_);
  inner_->GiveBack(std::move(layer));
  return reduced;
}

}  // namespace app
