// PNG files in and out. An 8-bit PNG gives an 8-bit layer and a 16-bit PNG a
// 16-bit layer; gray, gray+alpha, RGB, RGBA and palette files are accepted and a
// missing alpha channel is opaque. Every failure is a UsageError naming the file.
#pragma once

#include <cstdint>
#include <string>

#include "app/Layer.h"
#include "host/embedded/WorldAllocator.h"

namespace app {

// A 16-bit PNG sample (0..65535) as a 16-bit layer channel (0..32768).
inline A_u_short PngSampleToChannel16(uint32_t p) {
  return static_cast<A_u_short>((p * 32768u + 32767u) / 65535u);
}

// A 16-bit layer channel (0..32768) as a 16-bit PNG sample (0..65535).
inline uint16_t Channel16ToPngSample(uint32_t v) {
  return static_cast<uint16_t>((v * 65535u + 16384u) >> 15);
}

// The largest width or height accepted: the embedded host's world limit.
constexpr int kMaxLayerSide = embedded::kMaxWorldDimension;

Layer ReadPng(const std::string& path);

// Writes an RGBA PNG at the layer's (or world's) depth, a row at a time. The data goes to a temporary file
// in the same folder, which is renamed over `path` only once it is complete,
// so a failure never leaves a partial file behind.
void WritePng(const std::string& path, const Layer& layer);
void WritePng(const std::string& path, const PF_EffectWorld& world);

}  // namespace app
