// Stills and image sequences as frame sources and sinks: a still serves
// every frame; a sequence is a file per frame named by a FramePattern.
#pragma once

#include "app/media/FrameIo.h"
#include "app/media/FramePattern.h"
#include "app/media/ImageIo.h"

namespace app {

// One image for every frame, read once.
class StillSource : public FrameSource {
 public:
  explicit StillSource(Layer layer) : layer_(std::move(layer)) {}
  std::optional<long> FrameCount() const override { return std::nullopt; }
  Layer ReadFrame(long) override { return layer_; }

 private:
  Layer layer_;
};

// The file of each frame read when it is asked for.
class ImageSequenceSource : public FrameSource {
 public:
  explicit ImageSequenceSource(FramePattern pattern) : pattern_(std::move(pattern)) {}
  std::optional<long> FrameCount() const override { return std::nullopt; }
  Layer ReadFrame(long frame) override { return ReadImage(pattern_.FileFor(frame)); }

 private:
  FramePattern pattern_;
};

// Each frame written to its own file, atomically; a pattern without a field
// names one file (a single frame).
class ImageSequenceSink : public FrameSink {
 public:
  ImageSequenceSink(FramePattern pattern, const ImageWriteOptions& options)
      : pattern_(std::move(pattern)), options_(options) {}
  // A regular file under the frame's final name; temporary files of an
  // interrupted run have other names and never count.
  bool Exists(long frame) const override;
  void WriteFrame(long frame, const PF_EffectWorld& world) override {
    WriteImage(pattern_.FileFor(frame), world, options_);
  }

 private:
  FramePattern pattern_;
  ImageWriteOptions options_;
};

}  // namespace app
