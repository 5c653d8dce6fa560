#include "Common/MemoryWrappers.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <new>

#include "Common/AE_CriticalSection.h"

namespace MemoryWrappers {
namespace {

constexpr const char* kSource = "Common/MemoryWrappers";

struct MemoryList {
  AllocationRecord* firstitem;
  PF_Handle (*newHandle)(A_u_longlong size);
  void (*disposeHandle)(PF_Handle handle);
  void* (*lockHandle)(PF_Handle handle);
};

// The lock lives in a holder whose destructor leaves it alone: the check of
// the memory list when the module is unloaded (and any handle freed by
// another static's destructor) may run after the module's static objects are
// destroyed, and must still find a live lock.
union NeverDestroyedLock {
  constexpr NeverDestroyedLock() : lock() {}
  ~NeverDestroyedLock() {}
  AE_CriticalSection lock;
};

// All of these are constant-initialised: they exist before any dynamic
// initialiser of the module runs and allocate nothing.
constinit NeverDestroyedLock gMemoryLockHolder;
constinit AE_CriticalSection& gMemoryLock = gMemoryLockHolder.lock;
constinit MemoryList gList{nullptr, nullptr, nullptr, nullptr};
constinit std::atomic<std::size_t> gFailedChecks{0};

void DisposeIfAny(PF_Handle handle) {
  if (handle != nullptr && gList.disposeHandle != nullptr) {
    gList.disposeHandle(handle);
  }
}

// Steps 2 to 5 of an allocation, lock held. Gives back everything obtained
// when a step fails and returns null.
void* AllocateLocked(std::size_t size) {
  if (gList.newHandle == nullptr || gList.lockHandle == nullptr) {
    return nullptr;
  }
  PF_Handle dataHandle = gList.newHandle(static_cast<A_u_longlong>(size));
  if (dataHandle == nullptr) {
    return nullptr;
  }
  void* data = gList.lockHandle(dataHandle);
  if (data == nullptr) {
    DisposeIfAny(dataHandle);
    return nullptr;
  }
  PF_Handle recordHandle = gList.newHandle(sizeof(AllocationRecord));
  void* recordMemory = recordHandle != nullptr ? gList.lockHandle(recordHandle) : nullptr;
  if (recordMemory == nullptr) {
    DisposeIfAny(dataHandle);
    DisposeIfAny(recordHandle);
    return nullptr;
  }
  auto* record = static_cast<AllocationRecord*>(recordMemory);
  record->next = gList.firstitem;
  record->dataHandle = dataHandle;
  record->data = data;
  record->recordHandle = recordHandle;
  record->size = static_cast<uint32_t>(size);
  gList.firstitem = record;
  return data;
}

}  // namespace

void ReportFailedCheck(const char* condition, const char* source) {
  gFailedChecks.fetch_add(1);
  std::fprintf(stderr, "Internal check failed: %s (%s)\n", condition, source);
}

void CaptureCallbacks(const PF_InData* in_data) {
  if (in_data == nullptr || in_data->utils == nullptr) {
    return;
  }
  AE_CriticalSection::Scope hold(gMemoryLock);
  gList.newHandle = in_data->utils->host_new_handle;
  gList.disposeHandle = in_data->utils->host_dispose_handle;
  gList.lockHandle = in_data->utils->host_lock_handle;
}

void* Allocate(std::size_t size) {
  if (size == 0) {
    return nullptr;
  }
  void* result = nullptr;
  {
    AE_CriticalSection::Scope hold(gMemoryLock);
    try {
      result = AllocateLocked(size);
    } catch (...) {
      result = nullptr;
    }
  }
  if (result == nullptr) {
    throw std::bad_alloc();
  }
  return result;
}

void Release(void* block) {
  if (block == nullptr) {
    return;
  }
  bool found = false;
  {
    AE_CriticalSection::Scope hold(gMemoryLock);
    try {
      AllocationRecord** link = &gList.firstitem;
      while (*link != nullptr && (*link)->data != block) {
        link = &(*link)->next;
      }
      if (*link != nullptr) {
        AllocationRecord* record = *link;
        *link = record->next;
        found = true;
        // Disposed of while still locked; the host unlocks on disposal.
        PF_Handle recordHandle = record->recordHandle;
        DisposeIfAny(record->dataHandle);
        DisposeIfAny(recordHandle);
      }
    } catch (...) {
    }
  }
  if (!found) {
    ReportFailedCheck("block found in the memory list", kSource);
  }
}

void* AllocateAligned(std::size_t size, std::size_t alignment) {
  const std::size_t align = alignment < alignof(void*) ? alignof(void*) : alignment;
  char* block = static_cast<char*>(Allocate(size + align + sizeof(void*)));
  const auto first = reinterpret_cast<std::uintptr_t>(block + sizeof(void*));
  const std::uintptr_t aligned = (first + align - 1) & ~static_cast<std::uintptr_t>(align - 1);
  reinterpret_cast<void**>(aligned)[-1] = block;
  return reinterpret_cast<void*>(aligned);
}

void ReleaseAligned(void* pointer) {
  if (pointer != nullptr) {
    Release(static_cast<void**>(pointer)[-1]);
  }
}

bool CheckEmptyAtUnload() {
  bool empty;
  {
    AE_CriticalSection::Scope hold(gMemoryLock);
    empty = gList.firstitem == nullptr;
  }
  if (!empty) {
    ReportFailedCheck("firstitem == NULL", kSource);
  }
  return empty;
}

std::size_t LiveBlockCount() {
  AE_CriticalSection::Scope hold(gMemoryLock);
  std::size_t count = 0;
  for (const AllocationRecord* r = gList.firstitem; r != nullptr; r = r->next) {
    ++count;
  }
  return count;
}

std::size_t FailedCheckCount() { return gFailedChecks.load(); }

}  // namespace MemoryWrappers

MemHolder::~MemHolder() { Free(); }

void MemHolder::Free() {
  if (block_ != nullptr) {
    MemoryWrappers::Release(block_);
    block_ = nullptr;
  }
}
