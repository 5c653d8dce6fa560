#include "studio/server/PreviewPixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "host/embedded/WorldPixels.h"

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

void PutU32(std::string& out, size_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

app::Layer LayerOfWorld(const PF_EffectWorld& world) {
  const bool deep = embedded::IsDeepWorld(world);
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

std::string ChangedSpans(const std::string& previous, const std::string& next, size_t row_bytes) {
  std::string out;
  for (size_t row = 0; row + row_bytes <= next.size(); row += row_bytes) {
    const char* was = previous.data() + row;
    const char* now = next.data() + row;
    if (std::memcmp(was, now, row_bytes) == 0) continue;
    const size_t first = static_cast<size_t>(std::mismatch(now, now + row_bytes, was).first - now);
    size_t end = row_bytes;
    while (now[end - 1] == was[end - 1]) --end;
    PutU32(out, row + first);
    PutU32(out, end - first);
    out.append(now + first, end - first);
  }
  return out;
}

}  // namespace studio
