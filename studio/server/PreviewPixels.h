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

// How `next` differs from `previous`, two pictures of the same size in rows
// of `row_bytes`: per row that changed, one record of the row's changed span
// -- its byte offset in the picture and its length (little-endian 32-bit
// numbers), then those bytes of `next`. Writing every record's bytes at its
// offset into a copy of `previous` gives `next` exactly.
std::string ChangedSpans(const std::string& previous, const std::string& next, size_t row_bytes);

}  // namespace studio
