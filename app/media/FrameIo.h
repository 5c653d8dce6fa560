// Where the frames of a render come from and where they go. The frame loop
// reads layers from a FrameSource and hands finished output worlds to a
// FrameSink; stills, image sequences and video files are implementations of
// these two interfaces.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/session/Layer.h"
#include "app/session/SessionTypes.h"
#include "host/sdk/EffectTypes.h"

namespace app {

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
  // The run stopped early (an error or a cancel): leave no partial output
  // behind; frames of a sequence already written stay.
  virtual void Abandon() {}
  // What the sink had to leave out and the user should know (a video's
  // sound its container cannot hold), each said once; taking them clears them.
  virtual std::vector<std::string> TakeWarnings() { return {}; }
};

}  // namespace app
