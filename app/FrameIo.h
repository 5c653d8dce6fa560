// Where the frames of a render come from and where they go. The frame loop of
// `lustre-strand render` reads layers from a FrameSource and hands finished
// output worlds to a FrameSink; stills, image sequences and video files are
// implementations of these two interfaces.
#pragma once

#include <optional>

#include "app/Layer.h"
#include "host/sdk/EffectTypes.h"

namespace app {

// A frame rate or a time base as a fraction (30000/1001).
struct Rational {
  long num = 0;
  long den = 1;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The number of frames, counted from 0; nullopt for a still that serves
  // every frame.
  virtual std::optional<long> FrameCount() const = 0;
  // The source's own frame rate when it has one (video), else nullopt.
  virtual std::optional<Rational> Rate() const { return std::nullopt; }
  // The layer of one frame. Throws UsageError naming the file and the frame
  // when it cannot be read.
  virtual Layer ReadFrame(long frame) = 0;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // True when the frame is already finished on disk (for --skip-existing).
  virtual bool Exists(long /*frame*/) const { return false; }
  // Writes one finished frame; every file appears under its final name only
  // when complete.
  virtual void WriteFrame(long frame, const PF_EffectWorld& world) = 0;
  // The run is over and every frame was written: make the output final.
  virtual void Finish() {}
  // The run stopped early (an error or Ctrl-C): leave no partial output
  // behind; frames of a sequence already written stay.
  virtual void Abandon() {}
};

}  // namespace app
