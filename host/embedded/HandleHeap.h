// The process-wide heap behind the host's handle callbacks. Handles are
// malloc'd blocks reached through one indirection, as in a real host process;
// the heap counts live handles and bytes and every request, and can be told to
// refuse the Nth request from now (counted across all threads) so that tests
// can drive allocation failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "host/sdk/EffectTypes.h"

namespace embedded {

class HandleHeap {
 public:
  static HandleHeap& Instance();
  // Frees the process's heap when no handle is live, and tells whether it
  // did; the next Instance() makes a new one. For a host that is itself
  // unloaded (a plug-in): call it once no module that reaches the heap is
  // loaded, so nothing calls the heap meanwhile.
  static bool ReleaseInstanceIfUnused();

  HandleHeap(const HandleHeap&) = delete;
  HandleHeap& operator=(const HandleHeap&) = delete;

  // Null when refused (fault injection or malloc failure).
  PF_Handle NewHandle(uint64_t size);
  // The block of a live handle; null for null or unknown handles.
  void* Lock(PF_Handle handle);
  void Unlock(PF_Handle handle);
  // Frees a live handle. Null is ignored; an unknown handle is ignored and
  // counted as a bad dispose.
  void Dispose(PF_Handle handle);

  long LiveHandles() const;
  uint64_t LiveBytes() const;
  long TotalRequests() const;  // NewHandle calls since the last ResetCounters
  long BadDisposes() const;    // Dispose of a handle the heap did not hand out
  // The nth NewHandle call from now (1-based) returns null; 0 disarms.
  void FailNthRequest(long nth);
  // Zeroes the request and bad-dispose counts and disarms fault injection.
  // Live counts describe real blocks and are not touched.
  void ResetCounters();

  // The host's callback forms.
  static PF_Handle HostNewHandle(A_u_longlong size);
  static void* HostLockHandle(PF_Handle handle);
  static void HostUnlockHandle(PF_Handle handle);
  static void HostDisposeHandle(PF_Handle handle);

 private:
  HandleHeap() = default;

  struct Block {
    void* data;  // first member: *handle is the block's address
    uint64_t size;
  };

  mutable std::mutex mutex_;
  std::unordered_map<Block*, uint64_t> live_;
  uint64_t live_bytes_ = 0;
  long requests_ = 0;
  long bad_disposes_ = 0;
  long fail_at_request_ = 0;  // absolute request number to refuse; 0: none
};

}  // namespace embedded
