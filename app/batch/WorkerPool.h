// Jobs run on worker processes forked from this one: each worker takes the
// next job number from a counter they share, and reports each job done or
// failed through a pipe to this process, which alone talks to the user.
#pragma once

#include <functional>

#include "app/session/CancelToken.h"

namespace app {

struct WorkerPoolEvents {
  std::function<void()> worker_start;  // in each worker, before its first job
  std::function<void(long job)> done;  // in this process, as reports arrive
};

// Runs job(0) ... job(count - 1) on `workers` processes (at least 2), each
// job once. A job's failure (UsageError, EffectError, Cancelled) stops the
// others from starting new jobs; once every worker has ended, the first
// failure reported is rethrown here with its type and message. A cancel
// seen here is passed on to every worker (SIGTERM) and ends in Cancelled;
// workers poll the token too, as their copy of the flag may be set first
// (Ctrl-C on a terminal reaches the whole process group).
void RunOnWorkerProcesses(long count, int workers, const std::function<void(long job)>& job,
                          const WorkerPoolEvents& events, CancelToken cancel = {});

}  // namespace app
