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
    HandleHeap::Instance().ResetCounters();
    live_ = HandleHeap::Instance().LiveHandles();
    bytes_ = HandleHeap::Instance().LiveBytes();
  }
  void TearDown() override { HandleHeap::Instance().ResetCounters(); }
  long live_ = 0;
  uint64_t bytes_ = 0;
};

TEST_F(HandleHeapTest, CallbacksAllocateLockAndDisposeThroughTheHost) {
  embedded::EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_Handle h = u->host_new_handle(100);
  ASSERT_NE(h, nullptr);
  void* p = u->host_lock_handle(h);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p, *h);  // one indirection, as handles are
  std::memset(p, 0x11, 100);
  EXPECT_EQ(HandleHeap::Instance().LiveHandles(), live_ + 1);
  EXPECT_EQ(HandleHeap::Instance().LiveBytes(), bytes_ + 100);
  u->host_unlock_handle(h);
  u->host_dispose_handle(h);
  EXPECT_EQ(HandleHeap::Instance().LiveHandles(), live_);
  EXPECT_EQ(HandleHeap::Instance().LiveBytes(), bytes_);
  EXPECT_EQ(HandleHeap::Instance().TotalRequests(), 1);
}

TEST_F(HandleHeapTest, DisposedOrForeignHandlesAreNotLockedAndCountAsBadDisposes) {
  HandleHeap& heap = HandleHeap::Instance();
  PF_Handle h = heap.NewHandle(8);
  heap.Dispose(h);
  EXPECT_EQ(heap.Lock(h), nullptr);
  heap.Dispose(h);
  heap.Dispose(nullptr);  // ignored, not counted
  EXPECT_EQ(heap.BadDisposes(), 1);
  EXPECT_EQ(heap.LiveHandles(), live_);
}

// "Fail the Nth request from now": exactly request N is refused, the others
// succeed, and the fault fires once.
class HandleHeapFaultTest : public HandleHeapTest, public ::testing::WithParamInterface<int> {};

TEST_P(HandleHeapFaultTest, RefusesExactlyTheNthRequest) {
  HandleHeap& heap = HandleHeap::Instance();
  PF_Handle earlier = heap.NewHandle(1);  // requests before arming do not count
  ASSERT_NE(earlier, nullptr);
  const int nth = GetParam();
  heap.FailNthRequest(nth);
  std::vector<PF_Handle> got;
  for (int i = 1; i <= 12; ++i) {
    PF_Handle h = heap.NewHandle(16);
    EXPECT_EQ(h == nullptr, i == nth) << "request " << i;
    if (h != nullptr) {
      got.push_back(h);
    }
  }
  EXPECT_EQ(heap.TotalRequests(), 13);
  EXPECT_EQ(got.size(), 11u);
  for (PF_Handle h : got) {
    heap.Dispose(h);
  }
  heap.Dispose(earlier);
  EXPECT_EQ(heap.LiveHandles(), live_);
}

INSTANTIATE_TEST_SUITE_P(Nth, HandleHeapFaultTest, ::testing::Values(1, 2, 7, 12));

TEST_F(HandleHeapTest, FaultIsCountedAcrossThreads) {
  HandleHeap& heap = HandleHeap::Instance();
  constexpr int kThreads = 4;
  constexpr int kEach = 250;
  heap.FailNthRequest(kThreads * kEach / 2);
  std::atomic<int> refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      std::vector<PF_Handle> mine;
      for (int i = 0; i < kEach; ++i) {
        PF_Handle h = heap.NewHandle(32);
        if (h == nullptr) {
          ++refused;
        } else {
          mine.push_back(h);
        }
      }
      for (PF_Handle h : mine) {
        heap.Dispose(h);
      }
    });
  }
  for (auto& t : threads) {
    t.join();
  }
  EXPECT_EQ(refused.load(), 1);
  EXPECT_EQ(heap.TotalRequests(), kThreads * kEach);
  EXPECT_EQ(heap.LiveHandles(), live_);
  EXPECT_EQ(heap.LiveBytes(), bytes_);
}

}  // namespace
