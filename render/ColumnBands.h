// Shades the columns of a frame in bands on the host's threads, when the host
// offers parallel iteration, and otherwise on the calling thread in column
// order. A band's columns follow from its number alone, so every column has
// one owner and the image cannot depend on which thread ran what. Only the
// calling thread talks to the host: it pings for every column in ascending
// order, each after that column is shaded; workers only read a stop flag.
#pragma once

#include <cstdint>
#include <functional>

#include "host/sdk/AE_EffectCB.h"

namespace column_bands {

constexpr int32_t kBandColumns = 8;

// Bands over columns [first, last] (none when first > last).
int32_t BandCount(int32_t first, int32_t last);

// Runs shade(band, x) for every column x of [first, last], band being x's
// band, and ping(x) on the calling thread for every column in order once x is
// shaded. An exception from either stops the work; after every band has
// returned, the one of the lowest column is rethrown on the calling thread.
// Work already done is kept. shade must be safe to run for different bands
// at once.
void Run(PF_InData* in_data, int32_t first, int32_t last,
         const std::function<void(int32_t band, int32_t column)>& shade,
         const std::function<void(int32_t column)>& ping);

}  // namespace column_bands
