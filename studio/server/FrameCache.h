// Finished preview frames kept for the page: keyed by what decides their
// pixels (document, frame, scale, view, sample size), least recently used
// evicted first once their bytes pass a cap.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace studio {

struct CachedFrame {
  int width = 0;
  int height = 0;
  std::string bytes;
};

class FrameCache {
 public:
  explicit FrameCache(size_t max_bytes) : max_bytes_(max_bytes) {}

  // Null when absent; a hit becomes the most recently used.
  std::shared_ptr<const CachedFrame> Find(const std::string& key);
  // A frame larger than the whole cap is not kept.
  void Insert(const std::string& key, std::shared_ptr<const CachedFrame> frame);
  size_t Bytes() const;

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<const CachedFrame> frame;
  };
  static size_t CostOf(const Entry& entry) { return entry.key.size() + entry.frame->bytes.size(); }

  mutable std::mutex mutex_;
  size_t max_bytes_;
  size_t bytes_ = 0;
  std::list<Entry> order_;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> index_;
};

}  // namespace studio
