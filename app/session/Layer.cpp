#include "app/session/Layer.h"

#include <stdexcept>

#include "host/embedded/WorldPixels.h"
#include "host/sdk/PixelConversion.h"

namespace app {

Layer Layer::Make(int width, int height, bool deep) {
  Layer layer;
  layer.width = width;
  layer.height = height;
  layer.deep = deep;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (deep) {
    layer.pixels16.resize(count);
  } else {
    layer.pixels8.resize(count);
  }
  return layer;
}

Layer ConvertLayerDepth(const Layer& layer, bool deep) {
  if (layer.deep == deep) return layer;
  Layer out = Layer::Make(layer.width, layer.height, deep);
  if (deep) {
    for (size_t i = 0; i < layer.pixels8.size(); ++i) {
      out.pixels16[i] = ConvertPixel8To16(layer.pixels8[i]);
    }
  } else {
    for (size_t i = 0; i < layer.pixels16.size(); ++i) {
      out.pixels8[i] = ConvertPixel16To8(layer.pixels16[i]);
    }
  }
  return out;
}

namespace {

template <typename P>
void CopyRowsToWorld(const std::vector<P>& pixels, int width, int height, PF_EffectWorld& world) {
  for (int y = 0; y < height; ++y) {
    P* row = embedded::PixelAt<P>(world, 0, y);
    const P* src = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) row[x] = src[x];
  }
}

}  // namespace

void CopyLayerToWorld(const Layer& layer, PF_EffectWorld& world) {
  if (world.width != layer.width || world.height != layer.height ||
      embedded::IsDeepWorld(world) != layer.deep) {
    throw std::logic_error("CopyLayerToWorld: the world does not match the layer");
  }
  if (layer.deep) {
    CopyRowsToWorld(layer.pixels16, layer.width, layer.height, world);
  } else {
    CopyRowsToWorld(layer.pixels8, layer.width, layer.height, world);
  }
}

}  // namespace app
