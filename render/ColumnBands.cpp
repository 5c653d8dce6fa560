#include "render/ColumnBands.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <vector>

#include "Common/AEException.h"
#include "Common/SuiteCache.h"

namespace column_bands {
namespace {

// The first failure of one party (a band, or the calling thread's pings) and
// the column it happened at.
struct Failure {
  int32_t column = INT32_MAX;
  std::exception_ptr error;
};

class BandRun {
 public:
  BandRun(int32_t first, int32_t last, const std::function<void(int32_t, int32_t)>& shade,
          const std::function<void(int32_t)>& ping, int32_t sideJobs,
          const std::function<void(int32_t)>& side)
      : first_(first),
        last_(last),
        bands_(BandCount(first, last)),
        sideJobs_(sideJobs),
        shade_(shade),
        ping_(ping),
        side_(side),
        done_(new std::atomic<bool>[static_cast<size_t>(std::max(0, last - first + 1))]()),
        bandFailures_(static_cast<size_t>(bands_)),
        sideFailures_(static_cast<size_t>(sideJobs_)),
        nextPing_(first) {}

  int32_t Jobs() const { return bands_ + sideJobs_; }

  // The host's call for job i; thread 0 is the calling thread.
  static PF_Err Call(void* refcon, A_long threadIndex, A_long job, A_long /*jobs*/) {
    static_cast<BandRun*>(refcon)->RunJob(job, threadIndex == 0);
    return PF_Err_NONE;
  }

  // Jobs alternate band, side job, band, ... until one kind runs out.
  void RunJob(int32_t job, bool onCallingThread) {
    const int32_t paired = 2 * std::min(bands_, sideJobs_);
    if (job < paired ? job % 2 == 0 : bands_ > sideJobs_) {
      RunBand(job < paired ? job / 2 : job - sideJobs_, onCallingThread);
    } else {
      RunSideJob(job < paired ? job / 2 : job - bands_);
      if (onCallingThread) PingShadedColumns();
    }
  }

  // Nothing unwinds out of a job into the host: a side job's failure is kept
  // and rethrown after the jobs, like a band's.
  void RunSideJob(int32_t job) {
    try {
      side_(job);
    } catch (...) {
      sideFailures_[static_cast<size_t>(job)] = std::current_exception();
      stop_.store(true);
    }
  }

  void RunBand(int32_t band, bool onCallingThread) {
    const int32_t begin = first_ + band * kBandColumns;
    const int32_t end = std::min(last_, begin + kBandColumns - 1);
    for (int32_t x = begin; x <= end; ++x) {
      if (stop_.load(std::memory_order_relaxed)) return;
      try {
        shade_(band, x);
      } catch (...) {
        bandFailures_[static_cast<size_t>(band)] = Failure{x, std::current_exception()};
        stop_.store(true);
        return;
      }
      done_[static_cast<size_t>(x - first_)].store(true, std::memory_order_release);
      if (onCallingThread) PingShadedColumns();
    }
  }

  // Calling thread only: pings the shaded columns that follow the last one
  // pinged, in order.
  void PingShadedColumns() {
    while (nextPing_ <= last_ && !stop_.load(std::memory_order_relaxed) &&
           done_[static_cast<size_t>(nextPing_ - first_)].load(std::memory_order_acquire)) {
      try {
        ping_(nextPing_);
      } catch (...) {
        pingFailure_ = Failure{nextPing_, std::current_exception()};
        stop_.store(true);
        return;
      }
      ++nextPing_;
    }
  }

  // Rethrows the failure of the lowest column, if any.
  void RethrowFirstFailure() const {
    const Failure* first = &pingFailure_;
    for (const Failure& f : bandFailures_) {
      if (f.error && f.column < first->column) first = &f;
    }
    if (first->error) std::rethrow_exception(first->error);
    for (const std::exception_ptr& failure : sideFailures_) {
      if (failure) std::rethrow_exception(failure);
    }
  }

 private:
  const int32_t first_;
  const int32_t last_;
  const int32_t bands_;
  const int32_t sideJobs_;
  const std::function<void(int32_t, int32_t)>& shade_;
  const std::function<void(int32_t)>& ping_;
  const std::function<void(int32_t)>& side_;
  std::unique_ptr<std::atomic<bool>[]> done_;  // per column: shaded
  std::atomic<bool> stop_{false};
  std::vector<Failure> bandFailures_;  // each written by its band's thread only
  std::vector<std::exception_ptr> sideFailures_;  // likewise, one per side job
  Failure pingFailure_;
  int32_t nextPing_;
};

// The host's parallel iteration, or null when it offers none.
const PF_IterateGenericSuite1* HostIteration(SuiteCache& suites) {
  try {
    return suites.IterateGenericSuite();
  } catch (const SuiteNotFound&) {
    return nullptr;
  }
}

}  // namespace

int32_t BandCount(int32_t first, int32_t last) {
  return first > last ? 0 : (last - first) / kBandColumns + 1;
}

void Run(PF_InData* in_data, int32_t first, int32_t last,
         const std::function<void(int32_t band, int32_t column)>& shade,
         const std::function<void(int32_t column)>& ping, int32_t sideJobs,
         const std::function<void(int32_t job)>& side) {
  BandRun run(first, last, shade, ping, sideJobs, side);
  const int32_t jobs = run.Jobs();
  if (jobs == 0) return;
  const PF_IterateGenericSuite1* iteration = nullptr;
  std::unique_ptr<SuiteCache> suites;
  if (in_data->pica_basicP != nullptr && jobs > 1) {
    suites = std::make_unique<SuiteCache>(in_data->pica_basicP);
    iteration = HostIteration(*suites);
  }
  if (iteration != nullptr) {
    const PF_Err err = iteration->iterate_generic(jobs, &run, BandRun::Call);
    if (err != PF_Err_NONE) throw AEException(err, "Iterate: host error");
  } else {
    for (int32_t job = 0; job < jobs; ++job) run.RunJob(job, true);
  }
  run.PingShadedColumns();
  run.RethrowFirstFailure();
}

void RunJobs(PF_InData* in_data, int32_t count, const std::function<void(int32_t job)>& job) {
  Run(in_data, 0, -1, [](int32_t, int32_t) {}, [](int32_t) {}, count, job);
}

}  // namespace column_bands
