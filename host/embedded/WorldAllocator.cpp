#include "host/embedded/WorldAllocator.h"

#include <cstdint>
#include <cstring>

#include "host/embedded/AlignedMemory.h"

namespace embedded {

namespace {
constexpr size_t kRowAlignment = 16;
}

const char* WorldSizeProblem(A_long width, A_long height) {
  if (width < 1 || height < 1) { return "a world needs a width and a height of at least 1 pixel"; }
  if (width > kMaxWorldDimension || height > kMaxWorldDimension) {
    return "worlds wider or taller than 30000 pixels are not supported";
  }
  return nullptr;
}

bool AllocateWorldPixels(A_long width, A_long height, bool deep, PF_WorldFlags flags,
                         PF_EffectWorld* world) {
  const uint64_t pixel_bytes = deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel);
  const uint64_t row = static_cast<uint64_t>(width) * pixel_bytes;
  const uint64_t rowbytes = (row + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  // Sized in 64 bits: a 30000 x 30000 deep world (7.2 GB) does not fit a
  // 32-bit size_t, and no single block may pass PTRDIFF_MAX there.
  const uint64_t bytes = rowbytes * static_cast<uint64_t>(height);
  if (bytes > static_cast<uint64_t>(PTRDIFF_MAX)) { return false; }
  void* data = AllocateAligned(kRowAlignment, static_cast<size_t>(bytes));
  if (data == nullptr) { return false; }
#ifndef NDEBUG
  // Uncleared pixels made visible, so that reading before writing shows.
  std::memset(data, 0xCD, static_cast<size_t>(bytes));
#endif
  std::memset(world, 0, sizeof *world);
  world->world_flags = flags | (deep ? PF_WorldFlag_DEEP : 0);
  world->data = data;
  world->rowbytes = static_cast<A_long>(rowbytes);
  world->width = width;
  world->height = height;
  world->extent_hint = {0, 0, width, height};
  world->pix_aspect_ratio = {1, 1};
  return true;
}

void FreeWorldPixels(PF_EffectWorld* world) {
  FreeAligned(world->data);
  world->data = nullptr;
}

}  // namespace embedded
