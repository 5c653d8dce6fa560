// The picture last sent to each stream of render requests (X-Studio-Client),
// so that the next one can go as the spans that changed. Every picture sent
// gets a number of its own; a request names the number of the picture its
// client holds, and only when that is still the one remembered for the
// stream is a patch against it sent -- a lost or refused reply can never
// leave the page patching the wrong picture.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "studio/server/FrameCache.h"

namespace studio {

class SentPictures {
 public:
  explicit SentPictures(size_t max_streams) : max_streams_(max_streams) {}

  // The picture numbered `number` if it is the last one sent to `stream`.
  std::shared_ptr<const CachedFrame> Held(const std::string& stream, uint64_t number) const;
  // Notes `frame` as sent to `stream` and returns its new number. Past
  // max_streams streams all are forgotten (their next picture goes whole).
  uint64_t Sent(const std::string& stream, std::shared_ptr<const CachedFrame> frame);

 private:
  struct Picture {
    uint64_t number = 0;
    std::shared_ptr<const CachedFrame> frame;
  };
  mutable std::mutex mutex_;
  size_t max_streams_;
  uint64_t last_number_ = 0;
  std::map<std::string, Picture> last_;
};

}  // namespace studio
