#include "app/session/LayerReduction.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace app {
namespace {

template <typename P>
void BoxReduce(const std::vector<P>& in, int width, int height, int factor, std::vector<P>& out,
               int out_width, int out_height) {
  for (int oy = 0; oy < out_height; ++oy) {
    const int y0 = oy * factor;
    const int y1 = std::min(height, y0 + factor);
    for (int ox = 0; ox < out_width; ++ox) {
      const int x0 = ox * factor;
      const int x1 = std::min(width, x0 + factor);
      uint64_t sum[4] = {0, 0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const P* row = in.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = x0; x < x1; ++x) {
          sum[0] += row[x].alpha;
          sum[1] += row[x].red;
          sum[2] += row[x].green;
          sum[3] += row[x].blue;
        }
      }
      const uint64_t n = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
      using Channel = decltype(P{}.alpha);
      P& p =
          out[static_cast<size_t>(oy) * static_cast<size_t>(out_width) + static_cast<size_t>(ox)];
      p.alpha = static_cast<Channel>((sum[0] + n / 2) / n);
      p.red = static_cast<Channel>((sum[1] + n / 2) / n);
      p.green = static_cast<Channel>((sum[2] + n / 2) / n);
      p.blue = static_cast<Channel>((sum[3] + n / 2) / n);
    }
  }
}

}  // namespace

Layer DownsampleLayer(const Layer& layer, int factor) {
  if (factor <= 1) return layer;
  const int width = (layer.width + factor - 1) / factor;
  const int height = (layer.height + factor - 1) / factor;
  Layer out = Layer::Make(width, height, layer.deep);
  if (layer.deep) {
    BoxReduce(layer.pixels16, layer.width, layer.height, factor, out.pixels16, width, height);
  } else {
    BoxReduce(layer.pixels8, layer.width, layer.height, factor, out.pixels8, width, height);
  }
  return out;
}

}  // namespace app
