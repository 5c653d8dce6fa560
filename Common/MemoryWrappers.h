// The effect's allocator: every block is a host handle, locked once and kept
// locked for the block's life, recorded in one process-wide list so that a
// release finds the handle of its pointer. The list and the host's handle
// callbacks are guarded by one lock. The module routes the language's global
// allocation functions here; unit tests call these functions directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/sdk/EffectCallbacks.h"

namespace MemoryWrappers {

// One live block. The record itself lives in a host handle of its own.
struct AllocationRecord {
  AllocationRecord* next;  // the record made before this one
  PF_Handle dataHandle;
  void* data;
  PF_Handle recordHandle;
  uint32_t size;
};

// Copies the handle callbacks of in_data->utils under the lock. Runs at the
// start of every command so that a call allocates with its own callbacks.
void CaptureCallbacks(const PF_InData* in_data);

// Returns a block of size bytes or throws std::bad_alloc; 0 bytes gives null
// without asking the host.
void* Allocate(std::size_t size);

// Gives the block's handles back to the host. Null does nothing; a pointer the
// list does not hold changes nothing and fails an internal check.
void Release(void* block);

// Over-aligned blocks for the aligned forms of the global allocation: the
// block is over-allocated and the aligned pointer placed inside it, with the
// block's own address kept just below the aligned pointer. An alignment below
// a pointer's is raised to it; 0 bytes still give a usable pointer.
void* AllocateAligned(std::size_t size, std::size_t alignment);
// Releases a pointer from AllocateAligned; null does nothing.
void ReleaseAligned(void* pointer);

// The unload check: fails "firstitem == NULL" when blocks are still live.
// Returns whether the list was empty.
bool CheckEmptyAtUnload();

// How many blocks are live, and how many internal checks have failed so far.
std::size_t LiveBlockCount();
std::size_t FailedCheckCount();

// Reports a failed internal check on standard error, naming the condition and
// the source that made it.
void ReportFailedCheck(const char* condition, const char* source);

}  // namespace MemoryWrappers

// Owns one block of the memory wrappers and releases it when destroyed, so an
// exception cannot leak a block that is normally released by hand.
class MemHolder {
 public:
  explicit MemHolder(void* block = nullptr) : block_(block) {}
  virtual ~MemHolder();
  MemHolder(const MemHolder&) = delete;
  MemHolder& operator=(const MemHolder&) = delete;

  void* Get() const { return block_; }
  // Releases the block now (if any) and holds nothing afterwards.
  void Free();

 private:
  void* block_;
};
