#include "host/embedded/AlignedMemory.h"

#include <malloc.h>

namespace embedded {

void* AllocateAligned(std::size_t alignment, std::size_t bytes) noexcept {
  return _aligned_malloc(bytes, alignment);
}

void FreeAligned(void* block) noexcept { _aligned_free(block); }

}  // namespace embedded
