// Shades the stroke and lays the background around it in one run of the
// host's bands, so that laying the background (memory-bound, in proportion
// to the frame) and shading (compute-bound, in proportion to the stroke)
// overlap on different threads. Their writes never meet: each band of
// columns owns the runs of rows its columns' row spans cover and writes every
// pixel of them, shaded or background; bands of rows lay the background
// everywhere else. The background of a pixel is read from its source, never
// from the output, so the order of the two does not matter.
#pragma once

#include <cstdint>
#include <functional>

#include "host/sdk/EffectCallbacks.h"
#include "render/Background.h"
#include "stroke/CurveSampler.h"

// Lays the whole background, and shades the stroke of `sampler` when it is
// non-null, calling ping(x) on the calling thread after each stroke column in
// order. A failure leaves the columns shaded so far and the background
// everywhere else, and is rethrown.
template <typename P>
void DrawStrokeInBands(PF_InData* in_data, CurveSampler<P>* sampler, const Background<P>& background,
                       const std::function<void(int32_t column)>& ping);
