// Ctrl-C and termination requests: the handlers only set a flag, which the
// host's abort and progress callbacks report to the effect as a cancel.
#pragma once

namespace app {

// Installs handlers for SIGINT and SIGTERM.
void InstallInterruptHandlers();

bool InterruptRequested();

}  // namespace app
