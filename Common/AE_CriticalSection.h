// The memory lock: one mutual-exclusion section, entered and left by hand or
// through AE_CriticalSection::Scope. Constant-initialised, so a process-wide
// instance is usable before any dynamic initialiser of the module runs.
#pragma once

// The platform's lock; the build puts the folder of this platform's
// NativeLock.h (Common/platform/posix or Common/platform/windows) on the path.
#include "NativeLock.h"

class AE_CriticalSection {
 public:
  constexpr AE_CriticalSection() noexcept = default;
  virtual ~AE_CriticalSection() = default;
  AE_CriticalSection(const AE_CriticalSection&) = delete;
  AE_CriticalSection& operator=(const AE_CriticalSection&) = delete;

  void Enter();
  void Leave();

  // Holds the section for the lifetime of the scope, so every way out leaves it.
  class Scope {
   public:
    explicit Scope(AE_CriticalSection& section) : section_(section) { section_.Enter(); }
    ~Scope() { section_.Leave(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    AE_CriticalSection& section_;
  };

 private:
  NativeLock lock_;
};
