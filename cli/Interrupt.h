// Ctrl-C and termination requests: the handlers only set a flag, which the
// render polls through a cancel token (the host's abort and progress
// callbacks report it to the effect as a cancel). Forked workers inherit the
// handlers and have a flag of their own.
#pragma once

#include "app/session/CancelToken.h"

namespace cli {

// Installs handlers for SIGINT and SIGTERM.
void InstallInterruptHandlers();

// A token over the flag the handlers set.
app::CancelToken InterruptToken();

}  // namespace cli
