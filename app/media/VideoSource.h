// Video files in, through the FFmpeg libraries: any file the libraries
// decode; frame numbers count the decoded frames from 0 and the rate is the
// file's.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/media/FrameIo.h"

namespace app {

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

  int Width() const;
  int Height() const;
  bool Deep() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace app
