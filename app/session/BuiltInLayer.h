// The layer rendered when no input file is given: a soft, dark backdrop with a
// little texture, against which a bright stroke reads well.
#pragma once

#include "app/session/Layer.h"
#include "host/sdk/EffectTypes.h"

namespace app {

constexpr int kDefaultLayerWidth = 1920;
constexpr int kDefaultLayerHeight = 1080;

// Paints the whole world (8 or 16 bits, by its deep flag); every pixel opaque.
void PaintBuiltInLayer(PF_EffectWorld& world);

// The built-in layer as a layer of its own.
Layer BuiltInLayer(int width, int height, bool deep);

}  // namespace app
