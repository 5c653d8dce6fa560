// Video files out, through the FFmpeg libraries: encoded by the output's
// extension (see kVideoOutputHelp), carrying the input's audio along where the
// container takes it, written under a temporary name (AtomicFile.h) and
// renamed when finished.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/media/FrameIo.h"

namespace app {

// What each output extension is written as, for --help.
extern const char kVideoOutputHelp[];

// True when the path names a video output the command writes (.mov, .mkv, .mp4).
bool IsVideoOutputPath(const std::string& path);

struct VideoSinkSettings {
  std::string path;
  int width = 0;
  int height = 0;
  Rational rate{25, 1};
  // The frames of the run, in the order they go into the file; WriteFrame
  // may be called in any order, frames are encoded in this one.
  std::vector<long> frames;
  // A video file whose first audio stream is copied along (empty: none).
  // Only the stretch of the run's frames is carried, so the sound stays in
  // step with the pictures.
  std::string audio_from;
};

class VideoSink : public FrameSink {
 public:
  // Opens the encoder and a temporary file beside the output. Throws
  // UsageError naming the file and the cause (unknown extension, missing
  // encoder, a size the format cannot hold, an unwritable folder).
  explicit VideoSink(const VideoSinkSettings& settings);
  ~VideoSink() override;
  VideoSink(const VideoSink&) = delete;
  VideoSink& operator=(const VideoSink&) = delete;

  void WriteFrame(long frame, const PF_EffectWorld& world) override;
  // Flushes the encoder, writes the rest of the audio and the trailer, and
  // renames the temporary file to the output.
  void Finish() override;
  // Removes the temporary file; the output is left as it was.
  void Abandon() override;
  // The sound left out, said once: a codec the container cannot hold, or
  // frames that are not one stretch.
  std::vector<std::string> TakeWarnings() override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace app
