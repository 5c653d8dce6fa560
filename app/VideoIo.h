// Video files in and out, through the FFmpeg libraries.
//
// VideoSource decodes any file the libraries decode; frame numbers count the
// decoded frames from 0 and the rate is the file's. VideoSink encodes by the
// output's extension (see kVideoOutputHelp) and carries the input's audio
// along where the container takes it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FrameIo.h"

namespace app {

// What each output extension is written as, for --help.
extern const char kVideoOutputHelp[];

// True when the path names a video output the command writes (.mov, .mkv, .mp4).
bool IsVideoOutputPath(const std::string& path);

class VideoSource : public FrameSource {
 public:
  // depth 8 or 16 forces the layers' depth; 0 gives 16-bit layers for
  // sources deeper than 8 bits and 8-bit layers otherwise. Throws UsageError
  // naming the file and the cause when it cannot be read.
  VideoSource(const std::string& path, int depth);
  ~VideoSource() override;
  VideoSource(const VideoSource&) = delete;
  VideoSource& operator=(const VideoSource&) = delete;

  std::optional<long> FrameCount() const override;
  std::optional<Rational> Rate() const override;
  // Frames asked in increasing order are decoded once each; asking for an
  // earlier frame than the last starts decoding again from the beginning.
  Layer ReadFrame(long frame) override;
  void GiveBack(Layer layer) override;

  int Width() const;
  int Height() const;
  bool Deep() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

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

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace app
