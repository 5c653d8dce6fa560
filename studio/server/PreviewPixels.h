// Pixels as the studio sends them to the page.
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

}  // namespace studio
