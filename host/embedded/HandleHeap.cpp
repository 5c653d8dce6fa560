#include "host/embedded/HandleHeap.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace embedded {
namespace {

// Not destroyed with the process's other statics: modules may release
// handles while the process exits. Only ReleaseInstanceIfUnused frees it.
std::atomic<HandleHeap*> g_heap{nullptr};
std::mutex g_heap_mutex;

}  // namespace

HandleHeap& HandleHeap::Instance() {
  if (HandleHeap* heap = g_heap.load(std::memory_order_acquire)) return *heap;
  std::lock_guard<std::mutex> lock(g_heap_mutex);
  if (g_heap.load(std::memory_order_relaxed) == nullptr)
    g_heap.store(new HandleHeap(), std::memory_order_release);
  return *g_heap.load(std::memory_order_relaxed);
}

bool HandleHeap::ReleaseInstanceIfUnused() {
  std::lock_guard<std::mutex> lock(g_heap_mutex);
  HandleHeap* heap = g_heap.load(std::memory_order_relaxed);
  if (heap == nullptr) return true;
  if (heap->LiveHandles() != 0) return false;
  g_heap.store(nullptr, std::memory_order_release);
  delete heap;
  return true;
}

PF_Handle HandleHeap::NewHandle(uint64_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++requests_;
  if (fail_at_request_ != 0 && requests_ == fail_at_request_) {
    fail_at_request_ = 0;
    return nullptr;
  }
  // A size past the address space (over 4 GB in a 32-bit process) is
  // refused, never cut down to a short block.
  if (size > SIZE_MAX) { return nullptr; }
  Block* block = static_cast<Block*>(std::malloc(sizeof(Block)));
  if (block == nullptr) { return nullptr; }
  // malloc(0) may return null; a zero-size handle still gets a distinct block.
  block->data = std::malloc(size == 0 ? 1 : static_cast<size_t>(size));
  if (block->data == nullptr) {
    std::free(block);
    return nullptr;
  }
  block->size = size;
  // A host callback never throws into the module: a handle that cannot be
  // recorded is refused like one without memory.
  try {
    live_.emplace(block, size);
  } catch (...) {
    std::free(block->data);
    std::free(block);
    return nullptr;
  }
  live_bytes_ += size;
  return reinterpret_cast<PF_Handle>(block);
}

void* HandleHeap::Lock(PF_Handle handle) {
  if (handle == nullptr) { return nullptr; }
  std::lock_guard<std::mutex> lock(mutex_);
  Block* block = reinterpret_cast<Block*>(handle);
  return live_.count(block) != 0 ? block->data : nullptr;
}

void HandleHeap::Unlock(PF_Handle) {}

void HandleHeap::Dispose(PF_Handle handle) {
  if (handle == nullptr) { return; }
  std::lock_guard<std::mutex> lock(mutex_);
  Block* block = reinterpret_cast<Block*>(handle);
  auto it = live_.find(block);
  if (it == live_.end()) {
    ++bad_disposes_;
    return;
  }
  live_bytes_ -= it->second;
  live_.erase(it);
  std::free(block->data);
  std::free(block);
}

long HandleHeap::LiveHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(live_.size());
}

uint64_t HandleHeap::LiveBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return live_bytes_;
}

long HandleHeap::TotalRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

long HandleHeap::BadDisposes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bad_disposes_;
}

void HandleHeap::FailNthRequest(long nth) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_at_request_ = nth > 0 ? requests_ + nth : 0;
}

void HandleHeap::ResetCounters() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_ = 0;
  bad_disposes_ = 0;
  fail_at_request_ = 0;
}

PF_Handle HandleHeap::HostNewHandle(A_u_longlong size) { return Instance().NewHandle(size); }
void* HandleHeap::HostLockHandle(PF_Handle handle) { return Instance().Lock(handle); }
void HandleHeap::HostUnlockHandle(PF_Handle handle) { Instance().Unlock(handle); }
void HandleHeap::HostDisposeHandle(PF_Handle handle) { Instance().Dispose(handle); }

}  // namespace embedded
