// Pixel addressing of a world in plain memory, shared by the embedded host's
// pixel utilities and its transfer modes (the host does not use the effect's).
#pragma once

#include <cstdint>

#include "host/sdk/EffectTypes.h"

namespace embedded {

inline bool IsDeepWorld(const PF_EffectWorld& world) {
  return (world.world_flags & PF_WorldFlag_DEEP) != 0;
}

// Address of pixel (x, y) of a world of pixel type P.
template <typename P>
P* PixelAt(const PF_EffectWorld& world, A_long x, A_long y) {
  return reinterpret_cast<P*>(static_cast<char*>(world.data) +
                              static_cast<intptr_t>(y) * world.rowbytes) +
         x;
}

}  // namespace embedded
