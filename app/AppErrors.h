// The failures of the library, by kind: bad input, an error of the effect, a
// cancelled run. A front-end turns each kind into its own report (the command
// into an exit status); the messages name the file, parameter or value.
#pragma once

#include <stdexcept>
#include <string>

namespace app {

// Help a front-end may add to a message in its own terms (the command names
// its options and subcommands); the library says only which help applies.
enum class Hint {
  kNone,
  kModuleLocation,  // the effect module was not found where it was looked for
  kParameterList,   // a parameter name is unknown: the list of names helps
  kGroupMembers,    // a group was named where one of its members was meant
};

// Bad usage or bad input: the message names the file, parameter or value.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message, Hint hint = Hint::kNone)
      : std::runtime_error(message), hint_(hint) {}
  Hint hint() const { return hint_; }
  // The same failure with `prefix` before its message ("params file 'F': ").
  UsageError Prefixed(const std::string& prefix) const {
    return UsageError(prefix + what(), hint_);
  }

 private:
  Hint hint_;
};

// The effect (or the host on its behalf) reported an error code.
class EffectError : public std::runtime_error {
 public:
  EffectError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// The run was cancelled (CancelToken).
class Cancelled : public std::runtime_error {
 public:
  Cancelled() : std::runtime_error("cancelled") {}
};

}  // namespace app
