#include "studio/server/SentPictures.h"

#include <utility>

namespace studio {

std::shared_ptr<const CachedFrame> SentPictures::Held(const std::string& stream,
                                                      uint64_t number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = last_.find(stream);
  if (found == last_.end() || found->second.number != number) return nullptr;
  return found->second.frame;
}

uint64_t SentPictures::Sent(const std::string& stream, std::shared_ptr<const CachedFrame> frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (last_.size() >= max_streams_ && !last_.count(stream)) last_.clear();
  last_[stream] = {++last_number_, std::move(frame)};
  return last_number_;
}

}  // namespace studio
