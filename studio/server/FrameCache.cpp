#include "studio/server/FrameCache.h"

namespace studio {

std::shared_ptr<const CachedFrame> FrameCache::Find(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = index_.find(key);
  if (found == index_.end()) return nullptr;
  order_.splice(order_.begin(), order_, found->second);
  return found->second->frame;
}

void FrameCache::Insert(const std::string& key, std::shared_ptr<const CachedFrame> frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry entry{key, std::move(frame)};
  if (CostOf(entry) > max_bytes_) return;
  const auto found = index_.find(key);
  if (found != index_.end()) {
    bytes_ -= CostOf(*found->second);
    order_.erase(found->second);
    index_.erase(found);
  }
  bytes_ += CostOf(entry);
  order_.push_front(std::move(entry));
  index_[key] = order_.begin();
  while (bytes_ > max_bytes_) {
    bytes_ -= CostOf(order_.back());
    index_.erase(order_.back().key);
    order_.pop_back();
  }
}

size_t FrameCache::Bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

}  // namespace studio
