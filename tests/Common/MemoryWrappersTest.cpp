// The memory wrappers over a fake handle host whose requests can be refused
// one by one, so that every failure path of an allocation is reached.
#include "Common/MemoryWrappers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

// A handle host with counters. Context-free callbacks reach it through one
// global, as the host's handle callbacks do.
struct FakeHandleHost {
  int newCalls = 0;
  int lockCalls = 0;
  int disposeCalls = 0;
  int failNewAt = 0;   // 1-based NewHandle call that returns null; 0: never
  int failLockAt = 0;  // 1-based LockHandle call that returns null; 0: never
  std::set<PF_Handle> live;
  std::vector<uint64_t> sizes;  // sizes asked, in order
};

FakeHandleHost* gFake = nullptr;
int gOtherDisposeCalls = 0;

PF_Handle FakeNew(A_u_longlong size) {
  ++gFake->newCalls;
  gFake->sizes.push_back(size);
  if (gFake->newCalls == gFake->failNewAt) {
    return nullptr;
  }
  auto handle = static_cast<PF_Handle>(std::malloc(sizeof(void*)));
  *handle = std::malloc(size);
  gFake->live.insert(handle);
  return handle;
}

void* FakeLock(PF_Handle handle) {
  ++gFake->lockCalls;
  if (gFake->lockCalls == gFake->failLockAt) {
    return nullptr;
  }
  return *handle;
}

void FakeDispose(PF_Handle handle) {
  ++gFake->disposeCalls;
  if (gFake->live.erase(handle) == 1) {
    std::free(*handle);
    std::free(handle);
  }
}

// Same heap, but counted apart: stands for the callbacks of a later command.
void OtherDispose(PF_Handle handle) {
  ++gOtherDisposeCalls;
  FakeDispose(handle);
  --gFake->disposeCalls;
}

class MemoryWrappersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFake = &fake_;
    gOtherDisposeCalls = 0;
    utils_.host_new_handle = FakeNew;
    utils_.host_lock_handle = FakeLock;
    utils_.host_dispose_handle = FakeDispose;
    in_data_.utils = &utils_;
    MemoryWrappers::CaptureCallbacks(&in_data_);
    blocksBefore_ = MemoryWrappers::LiveBlockCount();
  }
  void TearDown() override {
    EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_);
    EXPECT_TRUE(fake_.live.empty()) << fake_.live.size() << " handles leaked";
  }

  FakeHandleHost fake_;
  PF_UtilCallbacks utils_{};
  PF_InData in_data_{};
  std::size_t blocksBefore_ = 0;
};

TEST_F(MemoryWrappersTest, ZeroBytesGiveNullWithoutAskingTheHost) {
  EXPECT_EQ(MemoryWrappers::Allocate(0), nullptr);
  EXPECT_EQ(fake_.newCalls, 0);
  EXPECT_EQ(fake_.lockCalls, 0);
}

TEST_F(MemoryWrappersTest, BlockIsItsOwnHandleAndRecordHasAHandleToo) {
  void* block = MemoryWrappers::Allocate(40);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 40);  // the whole block is usable
  // One handle for the data (40 bytes, asked first), one for the record.
  ASSERT_EQ(fake_.sizes.size(), 2u);
  EXPECT_EQ(fake_.sizes[0], 40u);
  EXPECT_EQ(fake_.sizes[1], sizeof(MemoryWrappers::AllocationRecord));
  EXPECT_EQ(fake_.live.size(), 2u);
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_ + 1);
  MemoryWrappers::Release(block);
  EXPECT_EQ(fake_.disposeCalls, 2);
}

TEST_F(MemoryWrappersTest, NullReleaseDoesNothing) {
  MemoryWrappers::Release(nullptr);
  EXPECT_EQ(fake_.disposeCalls, 0);
}

// Each way the host can refuse a step of one allocation, and how many
// handles must be given back for it.
struct RefusalCase {
  const char* name;
  int failNewAt;
  int failLockAt;
  int expectedDisposals;
};

class AllocationRefusal : public MemoryWrappersTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(AllocationRefusal, GivesEverythingBackAndThrowsBadAllocation) {
  const RefusalCase& c = GetParam();
  fake_.failNewAt = c.failNewAt;
  fake_.failLockAt = c.failLockAt;
  try {
    MemoryWrappers::Allocate(64);
    FAIL() << "no exception";
  } catch (const std::bad_alloc& e) {
    EXPECT_STREQ(e.what(), "std::bad_alloc");
  }
  EXPECT_EQ(fake_.disposeCalls, c.expectedDisposals);
  EXPECT_TRUE(fake_.live.empty());
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, AllocationRefusal,
    ::testing::Values(RefusalCase{"DataHandleRefused", 1, 0, 0},
                      RefusalCase{"DataLockRefused", 0, 1, 1},
                      RefusalCase{"RecordHandleRefused", 2, 0, 1},
                      RefusalCase{"RecordLockRefused", 0, 2, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// Release orders over three blocks (indexes into the order they were made).
struct ReleaseOrderCase {
  const char* name;
  int order[3];
};

class ReleaseOrder : public MemoryWrappersTest,
                     public ::testing::WithParamInterface<ReleaseOrderCase> {};

TEST_P(ReleaseOrder, EveryOrderEmptiesTheList) {
  void* blocks[3];
  for (int i = 0; i < 3; ++i) {
    blocks[i] = MemoryWrappers::Allocate(static_cast<std::size_t>(8 * (i + 1)));
    std::memset(blocks[i], i, static_cast<std::size_t>(8 * (i + 1)));
  }
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_ + 3);
  for (int k = 0; k < 3; ++k) {
    MemoryWrappers::Release(blocks[GetParam().order[k]]);
    EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_ + 2 - k);
  }
  EXPECT_EQ(fake_.disposeCalls, 6);
}

INSTANTIATE_TEST_SUITE_P(Orders, ReleaseOrder,
                         ::testing::Values(ReleaseOrderCase{"AsMade", {0, 1, 2}},
                                           ReleaseOrderCase{"Reversed", {2, 1, 0}},
                                           ReleaseOrderCase{"MiddleFirst", {1, 0, 2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MemoryWrappersTest, ReleasingTwiceChangesNothingAndFailsACheck) {
  void* kept = MemoryWrappers::Allocate(16);
  void* block = MemoryWrappers::Allocate(16);
  MemoryWrappers::Release(block);
  const int disposals = fake_.disposeCalls;
  const std::size_t checks = MemoryWrappers::FailedCheckCount();
  ::testing::internal::CaptureStderr();
  MemoryWrappers::Release(block);
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(fake_.disposeCalls, disposals);
  EXPECT_EQ(MemoryWrappers::FailedCheckCount(), checks + 1);
  EXPECT_NE(report.find("Common/MemoryWrappers"), std::string::npos) << report;
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_ + 1);
  MemoryWrappers::Release(kept);
}

TEST_F(MemoryWrappersTest, ReleaseUsesTheCallbacksOfTheLatestCommand) {
  void* block = MemoryWrappers::Allocate(32);
  PF_UtilCallbacks later = utils_;
  later.host_dispose_handle = OtherDispose;
  PF_InData laterIn{};
  laterIn.utils = &later;
  MemoryWrappers::CaptureCallbacks(&laterIn);
  MemoryWrappers::Release(block);
  EXPECT_EQ(gOtherDisposeCalls, 2);
  EXPECT_EQ(fake_.disposeCalls, 0);
  MemoryWrappers::CaptureCallbacks(&in_data_);
}

TEST_F(MemoryWrappersTest, UnloadCheckNamesItsConditionOnlyWhenBlocksAreLive) {
  ASSERT_EQ(blocksBefore_, 0u);
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(MemoryWrappers::CheckEmptyAtUnload());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  void* block = MemoryWrappers::Allocate(8);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(MemoryWrappers::CheckEmptyAtUnload());
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("firstitem == NULL"), std::string::npos) << report;
  EXPECT_NE(report.find("Common/MemoryWrappers"), std::string::npos) << report;
  EXPECT_EQ(fake_.disposeCalls, 0);  // nothing is disposed of by the check
  MemoryWrappers::Release(block);
}

TEST_F(MemoryWrappersTest, MemHolderReleasesOnEveryWayOut) {
  {
    MemHolder empty;
    EXPECT_EQ(empty.Get(), nullptr);
  }
  EXPECT_EQ(fake_.disposeCalls, 0);

  try {
    MemHolder holder(MemoryWrappers::Allocate(24));
    throw 7;
  } catch (int) {
  }
  EXPECT_EQ(fake_.disposeCalls, 2);

  MemHolder byHand(MemoryWrappers::Allocate(24));
  byHand.Free();
  EXPECT_EQ(byHand.Get(), nullptr);
  EXPECT_EQ(fake_.disposeCalls, 4);
}

// Over-aligned blocks: alignment and size, including alignments below a
// pointer's and zero bytes.
struct AlignedCase {
  std::size_t size;
  std::size_t alignment;
};

class AlignedAllocation : public MemoryWrappersTest,
                          public ::testing::WithParamInterface<AlignedCase> {};

TEST_P(AlignedAllocation, PointerIsAlignedUsableAndReleasedThroughItsBlock) {
  const AlignedCase& c = GetParam();
  std::vector<void*> pointers;
  for (int i = 0; i < 5; ++i) {
    void* p = MemoryWrappers::AllocateAligned(c.size, c.alignment);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % c.alignment, 0u);
    std::memset(p, 0x5A, c.size);
    pointers.push_back(p);
  }
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), blocksBefore_ + 5);
  const std::size_t checks = MemoryWrappers::FailedCheckCount();
  for (void* p : pointers) {
    MemoryWrappers::ReleaseAligned(p);
  }
  EXPECT_EQ(MemoryWrappers::FailedCheckCount(), checks);
  MemoryWrappers::ReleaseAligned(nullptr);
}

INSTANTIATE_TEST_SUITE_P(SizesAndAlignments, AlignedAllocation,
                         ::testing::Values(AlignedCase{0, 32}, AlignedCase{1, 1},
                                           AlignedCase{3, 2}, AlignedCase{24, 8},
                                           AlignedCase{33, 64}, AlignedCase{100, 256},
                                           AlignedCase{5000, 4096}));

TEST_F(MemoryWrappersTest, ConcurrentAllocationsAndReleasesKeepTheListWhole) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 500;
  auto work = [](int seed) {
    std::vector<void*> held;
    for (int i = 0; i < kRounds; ++i) {
      held.push_back(MemoryWrappers::Allocate(static_cast<std::size_t>(1 + (i + seed) % 97)));
      if (i % 3 == 2) {
        MemoryWrappers::Release(held[held.size() / 2]);
        held.erase(held.begin() + static_cast<long>(held.size() / 2));
      }
    }
    for (void* p : held) {
      MemoryWrappers::Release(p);
    }
  };
  // The fake host itself is not thread-safe: serialise it only through the
  // wrappers' lock, which calls the host with the lock held.
  const std::size_t checks = MemoryWrappers::FailedCheckCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(work, t * 13);
  }
  for (auto& t : threads) {
    t.join();
  }
  EXPECT_EQ(MemoryWrappers::FailedCheckCount(), checks);
  EXPECT_EQ(fake_.newCalls, 2 * kThreads * kRounds);
  EXPECT_EQ(fake_.disposeCalls, 2 * kThreads * kRounds);
}

}  // namespace
