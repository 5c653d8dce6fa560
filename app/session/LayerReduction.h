// Smaller layers for reduced renders: the studio's preview scales and
// `render --scale` hand the effect the same reduced layer.
#pragma once

#include "app/session/Layer.h"

namespace app {

// The layer reduced to 1/factor in x and y, ceil(width / factor) by
// ceil(height / factor) pixels, as a host hands the effect a downsampled
// layer. Each pixel is the mean of the factor x factor block it covers (fewer
// pixels at the right and bottom edges), per channel, rounded to nearest: a box
// filter keeps the preview's mean colours those of the full frame and never
// invents values, where point sampling would alias the fine texture of a
// layer. Channels are averaged as stored (straight alpha), as the layer itself
// is handed to the effect. Factor 1 returns the layer unchanged.
Layer DownsampleLayer(const Layer& layer, int factor);

}  // namespace app
