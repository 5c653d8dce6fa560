// The process-wide handle heap: live counts, fault injection counted across
// threads, and the host callbacks the effect reaches it through.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HandleHeap.h"

namespace {

using embedded::HandleHeap;

class HandleHeapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heap_.ResetCounters();
    live_ = heap_.LiveHandles();
    bytes_ = heap_.LiveBytes();
  }
  void TearDown() override {
    EXPECT_EQ(heap_.LiveHandles(), live_);
    EXPECT_EQ(heap_.LiveBytes(), bytes_);
    heap_.ResetCounters();
  }
  HandleHeap& heap_ = HandleHeap::Instance();
  long live_ = 0;
  uint64_t bytes_ = 0;
};

// Allocated, locked (one indirection, as handles are) and disposed through
// the host callbacks; a disposed handle is not locked again and a second
// dispose counts as bad (a null one is ignored).
TEST_F(HandleHeapTest, CallbacksAllocateLockAndDisposeThroughTheHost) {
  embedded::EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_Handle h = u->host_new_handle(100);
  ASSERT_NE(h, nullptr);
  void* p = u->host_lock_handle(h);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, *h);
  std::memset(p, 0x11, 100);
  EXPECT_EQ(heap_.LiveHandles(), live_ + 1);
  EXPECT_EQ(heap_.LiveBytes(), bytes_ + 100);
  u->host_unlock_handle(h);
  u->host_dispose_handle(h);
  EXPECT_EQ(heap_.LiveHandles(), live_);
  EXPECT_EQ(heap_.TotalRequests(), 1);
  EXPECT_EQ(heap_.Lock(h), nullptr);
  heap_.Dispose(h);
  heap_.Dispose(nullptr);
  EXPECT_EQ(heap_.BadDisposes(), 1);
}

// A handle larger than the address space is refused, not cut down to a short
// block: 4 GB + 16 bytes would be 16 bytes in a 32-bit size.
TEST_F(HandleHeapTest, RefusesSizesPastTheAddressSpace) {
  if (sizeof(void*) > 4) GTEST_SKIP() << "needs a 32-bit process: a 64-bit one may be granted 4 GB";
  EXPECT_EQ(heap_.NewHandle((uint64_t{1} << 32) + 16), nullptr);
}

// "Fail the Nth request from now": exactly request N is refused, the others
// succeed, and requests before arming do not count.
TEST_F(HandleHeapTest, RefusesExactlyTheNthRequest) {
  for (int nth : {1, 2, 7, 12}) {
    heap_.ResetCounters();
    PF_Handle earlier = heap_.NewHandle(1);
    ASSERT_NE(earlier, nullptr);
    heap_.FailNthRequest(nth);
    std::vector<PF_Handle> got;
    for (int i = 1; i <= 12; ++i) {
      PF_Handle h = heap_.NewHandle(16);
      EXPECT_EQ(h == nullptr, i == nth) << nth << " request " << i;
      if (h != nullptr) got.push_back(h);
    }
    EXPECT_EQ(heap_.TotalRequests(), 13);
    EXPECT_EQ(got.size(), 11u);
    for (PF_Handle h : got) heap_.Dispose(h);
    heap_.Dispose(earlier);
  }
}

TEST_F(HandleHeapTest, FaultIsCountedAcrossThreads) {
  constexpr int kThreads = 4, kEach = 250;
  heap_.FailNthRequest(kThreads * kEach / 2);
  std::atomic<int> refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      std::vector<PF_Handle> mine;
      for (int i = 0; i < kEach; ++i) {
        PF_Handle h = heap_.NewHandle(32);
        if (h == nullptr) ++refused;
        else mine.push_back(h);
      }
      for (PF_Handle h : mine) heap_.Dispose(h);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(refused.load(), 1);
  EXPECT_EQ(heap_.TotalRequests(), kThreads * kEach);
}

}  // namespace

namespace {

// A host that is itself unloaded frees the heap, but only while no handle
// is live; a new heap serves the next request.
TEST(HandleHeapRelease, FreesTheHeapOnlyWithoutLiveHandles) {
  PF_Handle held = HandleHeap::HostNewHandle(8);
  ASSERT_NE(held, nullptr);
  const HandleHeap* before = &HandleHeap::Instance();
  EXPECT_FALSE(HandleHeap::ReleaseInstanceIfUnused());
  EXPECT_EQ(&HandleHeap::Instance(), before);
  EXPECT_EQ(HandleHeap::HostLockHandle(held), *held);
  HandleHeap::HostDisposeHandle(held);
  EXPECT_TRUE(HandleHeap::ReleaseInstanceIfUnused());
  EXPECT_TRUE(HandleHeap::ReleaseInstanceIfUnused());
  PF_Handle fresh = HandleHeap::HostNewHandle(8);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(HandleHeap::Instance().LiveHandles(), 1);
  EXPECT_EQ(HandleHeap::Instance().TotalRequests(), 1);
  HandleHeap::HostDisposeHandle(fresh);
}

}  // namespace
