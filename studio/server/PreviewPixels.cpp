#include "studio/server/PreviewPixels.h"

#include <cstring>
#include <vector>

namespace studio {
namespace {

template <typename P>
void CopyWorldRows(const PF_EffectWorld& world, std::vector<P>& pixels) {
  const auto* base = static_cast<const char*>(static_cast<const void*>(world.data));
  for (int y = 0; y < world.height; ++y) {
    std::memcpy(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(world.width),
                base + static_cast<size_t>(y) * static_cast<size_t>(world.rowbytes),
                static_cast<size_t>(world.width) * sizeof(P));
  }
}

template <typename P, typename Put>
std::string Interleave(const std::vector<P>& pixels, size_t bytes_per_channel, Put put) {
  std::string bytes(pixels.size() * 4 * bytes_per_channel, '\0');
  char* out = bytes.data();
  for (const P& p : pixels) {
    put(out, p.red);
    put(out + bytes_per_channel, p.green);
    put(out + 2 * bytes_per_channel, p.blue);
    put(out + 3 * bytes_per_channel, p.alpha);
    out += 4 * bytes_per_channel;
  }
  return bytes;
}

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

app::Layer LayerOfWorld(const PF_EffectWorld& world) {
  const bool deep = (world.world_flags & PF_WorldFlag_DEEP) != 0;
  app::Layer layer = app::Layer::Make(world.width, world.height, deep);
  if (deep) {
    CopyWorldRows(world, layer.pixels16);
  } else {
    CopyWorldRows(world, layer.pixels8);
  }
  return layer;
}

std::string Rgba8Bytes(const app::Layer& layer) {
  if (layer.deep) return Rgba8Bytes(app::ConvertLayerDepth(layer, false));
  return Interleave(layer.pixels8, 1, [](char* out, A_u_char v) { *out = static_cast<char>(v); });
}

std::string Rgba16Bytes(const app::Layer& layer) {
  if (!layer.deep) return Rgba16Bytes(app::ConvertLayerDepth(layer, true));
  return Interleave(layer.pixels16, 2, [](char* out, A_u_short v) {
    out[0] = static_cast<char>(v & 0xFF);
    out[1] = static_cast<char>(v >> 8);
  });
}

app::Layer DownsampleLayer(const app::Layer& layer, int factor) {
  if (factor <= 1) return layer;
  const int width = (layer.width + factor - 1) / factor;
  const int height = (layer.height + factor - 1) / factor;
  app::Layer out = app::Layer::Make(width, height, layer.deep);
  if (layer.deep) {
    BoxReduce(layer.pixels16, layer.width, layer.height, factor, out.pixels16, width, height);
  } else {
    BoxReduce(layer.pixels8, layer.width, layer.height, factor, out.pixels8, width, height);
  }
  return out;
}

}  // namespace studio
