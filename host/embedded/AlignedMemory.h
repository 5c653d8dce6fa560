// Aligned blocks from the process heap for world pixels: one implementation
// per platform (platform/posix with std::aligned_alloc, platform/windows with
// _aligned_malloc, since msvcrt has no aligned_alloc), chosen by the build.
#pragma once

#include <cstddef>

namespace embedded {

// A block of bytes (a multiple of alignment) at an address that is a multiple
// of alignment, or null.
void* AllocateAligned(std::size_t alignment, std::size_t bytes) noexcept;
// Releases a block of AllocateAligned; null does nothing.
void FreeAligned(void* block) noexcept;

}  // namespace embedded
