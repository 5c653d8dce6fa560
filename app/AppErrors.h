// Failures of the command, each carrying the exit status it ends the run with.
#pragma once

#include <stdexcept>
#include <string>

namespace app {

enum ExitStatus : int {
  kExitDone = 0,
  kExitBadInput = 2,
  kExitEffectError = 3,
  kExitCancelled = 130,
};

// Bad usage or bad input: the message names the file, parameter or value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The effect (or the host on its behalf) reported an error code.
class EffectError : public std::runtime_error {
 public:
  EffectError(int code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The user interrupted the render.
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("cancelled") {}
};

}  // namespace app
