// Shades the columns of a frame in bands on the host's threads, when the host
// offers parallel iteration, and otherwise on the calling thread in column
// order. A band's columns follow from its number alone, so every column has
// one owner and the image cannot depend on which thread ran what. Only the
// calling thread talks to the host: it pings for every column in ascending
// order, each after that column is shaded; workers only read a stop flag.
// Other work that writes pixels of its own (side jobs) can share the run, so
// that memory-bound and compute-bound work overlap on different threads.
#pragma once

#include <cstdint>
#include <functional>

#include "host/sdk/EffectCallbacks.h"

namespace column_bands {

constexpr int32_t kBandColumns = 8;

// Bands over columns [first, last] (none when first > last).
int32_t BandCount(int32_t first, int32_t last);

// Runs shade(band, x) for every column x of [first, last], band being x's
// band, and ping(x) on the calling thread for every column in order once x is
// shaded. An exception from either stops the work; after every band has
// returned, the one of the lowest column is rethrown on the calling thread.
// Work already done is kept. shade must be safe to run for different bands
// at once. side(k) runs for k in [0, sideJobs) in the same run, alternating
// with the bands; side jobs are never stopped, must not throw, and must be
// safe to run at once with each other and with the bands.
void Run(PF_InData* in_data, int32_t first, int32_t last,
         const std::function<void(int32_t band, int32_t column)>& shade,
         const std::function<void(int32_t column)>& ping, int32_t sideJobs = 0,
         const std::function<void(int32_t job)>& side = {});

// Runs job(j) for every j in [0, count) on the host's threads, or in order on
// the calling thread; the jobs are side jobs of a run without columns.
void RunJobs(PF_InData* in_data, int32_t count, const std::function<void(int32_t job)>& job);

}  // namespace column_bands
