#include "host/embedded/AlignedMemory.h"

#include <cstdlib>

namespace embedded {

void* AllocateAligned(std::size_t alignment, std::size_t bytes) noexcept {
  return std::aligned_alloc(alignment, bytes);
}

void FreeAligned(void* block) noexcept { std::free(block); }

}  // namespace embedded
