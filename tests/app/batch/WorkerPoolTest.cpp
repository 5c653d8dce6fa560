// Jobs on forked worker processes: every job runs once and is reported back,
// a worker's failure comes back with its kind and message, and a cancel ends
// the run as cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "app/batch/WorkerPool.h"

namespace {

// What RunOnWorkerProcesses threw: "done", or the kind and the message.
std::string Outcome(const std::function<void(long)>& job, app::CancelToken cancel,
                    std::vector<long>* done) {
  app::WorkerPoolEvents events;
  events.done = [done](long n) { done->push_back(n); };
  try {
    app::RunOnWorkerProcesses(12, 3, job, events, cancel);
    return "done";
  } catch (const app::UsageError& e) {
    return std::string("usage: ") + e.what();
  } catch (const app::EffectError& e) {
    return std::string("effect: ") + e.what();
  } catch (const app::Cancelled&) { return "cancelled"; }
}

TEST(WorkerPool, ReportsEveryJobOrTheFirstFailureByKind) {
  std::atomic<bool> stop{true};
  // clang-format off
  const struct { const char* name; std::function<void(long)> job; app::CancelToken cancel;
                 std::string outcome; } cases[] = {
      {"all succeed", [](long) {}, {}, "done"},
      {"bad input", [](long n) { if (n == 7) throw app::UsageError("frame 7: unreadable"); }, {},
       "usage: frame 7: unreadable"},
      {"the effect fails",
       [](long n) { if (n == 4) throw app::EffectError(5, "frame 4: error 5"); }, {},
       "effect: frame 4: error 5"},
      {"a job cancels", [](long n) { if (n == 2) throw app::Cancelled(); }, {}, "cancelled"},
      {"cancelled before the start", [](long) {}, app::CancelToken(&stop), "cancelled"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<long> done;
    EXPECT_EQ(Outcome(c.job, c.cancel, &done), c.outcome);
    std::sort(done.begin(), done.end());
    EXPECT_TRUE(std::adjacent_find(done.begin(), done.end()) == done.end())
        << "a job was reported twice";
    if (c.outcome == "done") { EXPECT_EQ(done.size(), 12u); }
  }
}

}  // namespace
