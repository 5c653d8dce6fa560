// Random scenes for the recorded-hash table: every control of the point
// layout drawn at random from a fixed seed (the path's points anywhere in and
// around the layer), frame sizes mostly small with a few up to 4K, both
// depths, both qualities, downsampling, and an input layer with varying alpha.
// Scene n depends on n alone, so any subset renders the same frames.
#pragma once

#include <string>
#include <vector>

#include "app/session/EffectModule.h"

namespace harness {

// Scenes in the recorded table.
constexpr int kRecordedSceneCount = 240;

struct SceneFrame {
  int index = 0;
  int width = 0, height = 0;  // the layer as rendered (after downsampling)
  bool deep = false;
  bool lowQuality = false;
  int downsampleX = 1, downsampleY = 1;  // factor 1/d on each axis
  std::string Describe() const;
};

// The frame of scene n (the controls are drawn when it is rendered).
SceneFrame SceneFrameOf(int index);

// Renders scene n through the loaded module with the embedded host's
// reference transfer arithmetic; the output world's bytes, row by row.
// Fails the calling test (and returns nothing) when a command fails.
std::vector<unsigned char> RenderScene(const app::EffectModule& module, int index);

}  // namespace harness
