#include "studio/server/LayerSupply.h"

#include "app/AppErrors.h"
#include "app/media/FramePattern.h"
#include "app/media/ImageIo.h"
#include "app/media/ImageSequence.h"
#include "app/media/VideoSource.h"
#include "app/session/BuiltInLayer.h"
#include "host/embedded/WorldAllocator.h"
#include "studio/server/PreviewPixels.h"

namespace studio {
namespace {

// A frame pattern is a sequence, a file with an image reader's extension a
// still, anything else a video: the same rule as the command's.
std::unique_ptr<app::FrameSource> OpenSource(const std::string& input, int depth,
                                             const char** kind) {
  if (app::FramePattern(input).HasField()) {
    *kind = "sequence";
    return std::make_unique<app::ImageSequenceSource>(app::FramePattern(input));
  }
  if (app::IsImageFile(input)) {
    *kind = "still";
    return std::make_unique<app::StillSource>(app::ReadImage(input));
  }
  *kind = "video";
  return std::make_unique<app::VideoSource>(input, depth);
}

app::Layer PaintedBuiltInLayer(int width, int height, bool deep) {
  PF_EffectWorld world{};
  if (!embedded::AllocateWorldPixels(width, height, deep, 0, &world)) throw std::bad_alloc();
  app::PaintBuiltInLayer(world);
  app::Layer layer = LayerOfWorld(world);
  embedded::FreeWorldPixels(&world);
  return layer;
}

}  // namespace

LayerSupply::LayerSupply(const LayerSupplySettings& settings) {
  if (settings.input.empty()) {
    width_ = settings.width;
    height_ = settings.height;
    deep_ = settings.depth == 16;
    return;
  }
  source_ = OpenSource(settings.input, settings.depth, &kind_);
  if (const auto* video = dynamic_cast<const app::VideoSource*>(source_.get())) {
    width_ = video->Width();
    height_ = video->Height();
    deep_ = video->Deep();
  } else {
    const app::Layer first = source_->ReadFrame(settings.first_frame);
    width_ = first.width;
    height_ = first.height;
    deep_ = first.deep;
  }
  if (settings.depth != 0) deep_ = settings.depth == 16;
}

LayerSupply::~LayerSupply() = default;

std::optional<long> LayerSupply::FrameCount() const {
  return source_ ? source_->FrameCount() : std::nullopt;
}

std::optional<app::Rational> LayerSupply::Rate() const {
  return source_ ? source_->Rate() : std::nullopt;
}

app::Layer LayerSupply::FullLayer(long frame) {
  if (!source_) {
    if (!built_in_) built_in_ = PaintedBuiltInLayer(width_, height_, deep_);
    return *built_in_;
  }
  app::Layer layer = source_->ReadFrame(frame);
  if (layer.width != width_ || layer.height != height_) {
    throw app::UsageError("frame " + std::to_string(frame) + " of the input is " +
                          std::to_string(layer.width) + "x" + std::to_string(layer.height) +
                          " but the session is " + std::to_string(width_) + "x" +
                          std::to_string(height_) + " (every frame must have one size)");
  }
  return app::ConvertLayerDepth(layer, deep_);
}

const app::Layer& LayerSupply::LayerAt(long frame, int scale) {
  if (frame != cached_frame_) {
    cached_.clear();
    cached_frame_ = -1;
    cached_.emplace(1, FullLayer(frame));
    cached_frame_ = frame;
  }
  auto found = cached_.find(scale);
  if (found == cached_.end()) {
    found = cached_.emplace(scale, DownsampleLayer(cached_.at(1), scale)).first;
  }
  return found->second;
}

}  // namespace studio
