// The operating system's lock behind AE_CriticalSection, on Windows: a slim
// reader/writer lock taken exclusively. Its free state is all zero
// (SRWLOCK_INIT), so it can be constant-initialised, which mingw's std::mutex
// cannot. It is kept here as the one pointer an SRWLOCK is, so that
// <windows.h> stays out of the effect's headers.
#pragma once

class NativeLock {
 public:
  constexpr NativeLock() noexcept = default;
  NativeLock(const NativeLock&) = delete;
  NativeLock& operator=(const NativeLock&) = delete;

  void Lock() noexcept;
  void Unlock() noexcept;

 private:
  void* srw_ = nullptr;
};
