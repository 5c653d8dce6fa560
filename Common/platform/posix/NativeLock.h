// The operating system's lock behind AE_CriticalSection, on POSIX systems: a
// std::mutex, which can be constant-initialised there.
#pragma once

#include <mutex>

class NativeLock {
 public:
  constexpr NativeLock() noexcept = default;
  NativeLock(const NativeLock&) = delete;
  NativeLock& operator=(const NativeLock&) = delete;

  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};
