// How the command ends: an exit status for each kind of failure, and the one
// line it prints on standard error, with the command-line help the library's
// messages leave to the front-end.
#pragma once

#include <functional>
#include <string>

#include "app/AppErrors.h"

namespace cli {

enum ExitStatus : int {
  kExitDone = 0,
  kExitBadInput = 2,
  kExitEffectError = 3,
  kExitCancelled = 130,
};

// The message of a UsageError with its hint in this command's terms
// ("; 'lustre-strand params' lists every name").
std::string WithHint(const app::UsageError& error);

// Prints "lustre-strand: MESSAGE" on standard error and returns `status`.
int Fail(int status, const std::string& message);

// Runs `command`; a failure is printed by Fail() with the status of its kind.
int RunReportingFailures(const std::function<void()>& command);

}  // namespace cli
