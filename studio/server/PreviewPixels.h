// Pixels as the studio sends them to the page, and the smaller layers of its
// preview scales.
#pragma once

#include <cstdint>
#include <string>

#include "app/session/Layer.h"
#include "host/sdk/EffectTypes.h"

namespace studio {

// The layer of a world, copied out at the world's depth.
app::Layer LayerOfWorld(const PF_EffectWorld& world);

// RGBA, one byte a channel, rows top to bottom without padding. A 16-bit
// layer goes through the effect's own 16-to-8 rule first.
std::string Rgba8Bytes(const app::Layer& layer);

// RGBA, little-endian 16-bit samples of 0..32768; an 8-bit layer goes
// through the effect's own 8-to-16 rule first.
std::string Rgba16Bytes(const app::Layer& layer);

// The layer reduced to 1/factor in x and y, ceil(width / factor) by
// ceil(height / factor) pixels, as a host hands the effect a downsampled
// layer. Each pixel is the mean of the factor x factor block it covers (fewer
// pixels at the right and bottom edges), per channel, rounded to nearest: a box
// filter keeps the preview's mean colours those of the full frame and never
// invents values, where point sampling would alias the fine texture of a
// layer. Channels are averaged as stored (straight alpha), as the layer itself
// is handed to the effect. Factor 1 returns the layer unchanged.
app::Layer DownsampleLayer(const app::Layer& layer, int factor);

}  // namespace studio
