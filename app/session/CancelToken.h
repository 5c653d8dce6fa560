// A request to stop long work, polled by it: a view of a flag its owner sets
// (the command's signal handler, a server's cancel button). The flag must be
// lock-free, so that a signal handler may set it, and outlive every token.
// A default token never asks to stop.
#pragma once

#include <atomic>

namespace app {

class CancelToken {
 public:
  CancelToken() = default;
  explicit CancelToken(const std::atomic<bool>* flag) : flag_(flag) {}

  bool Requested() const { return flag_ != nullptr && flag_->load(); }

 private:
  const std::atomic<bool>* flag_ = nullptr;
};

}  // namespace app
