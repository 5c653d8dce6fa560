// A world inside a larger buffer whose margin holds a known byte, so a test
// can tell whether drawing wrote anywhere outside the world.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/sdk/AE_Effect.h"

namespace harness {

class GuardedWorld {
 public:
  static constexpr int kMargin = 8;
  static constexpr unsigned char kGuard = 0x5A;

  GuardedWorld(A_long width, A_long height, bool deep)
      : pixelSize_(deep ? 8 : 4),
        rowbytes_(static_cast<A_long>((width + 2 * kMargin) * (deep ? 8 : 4))),
        bytes_(static_cast<size_t>(rowbytes_) * static_cast<size_t>(height + 2 * kMargin),
               kGuard) {
    std::memset(&world_, 0, sizeof world_);
    world_.world_flags = PF_WorldFlag_WRITEABLE | (deep ? PF_WorldFlag_DEEP : 0);
    world_.rowbytes = rowbytes_;
    world_.width = width;
    world_.height = height;
    world_.data = bytes_.data() + static_cast<size_t>(kMargin) * rowbytes_ + kMargin * pixelSize_;
    world_.extent_hint = PF_Rect{0, 0, width, height};
    // The world's own pixels start cleared.
    for (A_long y = 0; y < height; ++y) {
      std::memset(static_cast<char*>(world_.data) + static_cast<size_t>(y) * rowbytes_, 0,
                  static_cast<size_t>(width) * pixelSize_);
    }
  }

  PF_EffectWorld* World() { return &world_; }

  // Bytes outside the world that no longer hold the guard value.
  long DamagedGuardBytes() const {
    long damaged = 0;
    const long rows = world_.height + 2 * kMargin;
    for (long r = 0; r < rows; ++r) {
      for (long b = 0; b < rowbytes_; ++b) {
        const bool insideRow = r >= kMargin && r < kMargin + world_.height;
        const bool insideColumn =
            b >= kMargin * pixelSize_ && b < (kMargin + world_.width) * pixelSize_;
        if (insideRow && insideColumn) continue;
        damaged += bytes_[static_cast<size_t>(r * rowbytes_ + b)] != kGuard ? 1 : 0;
      }
    }
    return damaged;
  }

 private:
  int pixelSize_;
  A_long rowbytes_;
  std::vector<unsigned char> bytes_;
  PF_EffectWorld world_;
};

}  // namespace harness
