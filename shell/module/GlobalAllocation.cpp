// Every form of the language's global allocation and release functions,
// routed to the memory wrappers so that the module's memory comes from the
// host's handles. Compiled into the module alone; the version script keeps
// these definitions local, so they bind inside the module and never replace
// the host process's own.
#include <cstddef>
#include <new>

#include "Common/MemoryWrappers.h"

namespace {

// A new-expression must get a distinct non-null pointer even for zero bytes,
// and compilers rely on it; the wrappers give null for zero, so ask for one.
void* AllocateBlock(std::size_t size) { return MemoryWrappers::Allocate(size == 0 ? 1 : size); }

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  return MemoryWrappers::AllocateAligned(size, static_cast<std::size_t>(alignment));
}

void ReleaseAligned(void* pointer) { MemoryWrappers::ReleaseAligned(pointer); }

}  // namespace

// ---- Plain and array --------------------------------------------------------------
void* operator new(std::size_t size) { return AllocateBlock(size); }
void* operator new[](std::size_t size) { return AllocateBlock(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return AllocateBlock(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return AllocateBlock(size);
  } catch (...) {
    return nullptr;
  }
}

void operator delete(void* pointer) noexcept { MemoryWrappers::Release(pointer); }
void operator delete[](void* pointer) noexcept { MemoryWrappers::Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
  MemoryWrappers::Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
  MemoryWrappers::Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept { MemoryWrappers::Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { MemoryWrappers::Release(pointer); }

// ---- Over-aligned ------------------------------------------------------------------
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return AllocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept {
  try {
    return AllocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

void operator delete(void* pointer, std::align_val_t) noexcept { ReleaseAligned(pointer); }
void operator delete[](void* pointer, std::align_val_t) noexcept { ReleaseAligned(pointer); }
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(pointer);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  ReleaseAligned(pointer);
}
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
  ReleaseAligned(pointer);
}
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
  ReleaseAligned(pointer);
}
