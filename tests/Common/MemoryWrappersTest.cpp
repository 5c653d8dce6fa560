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
#include <vector>

namespace {

// A handle host with counters, reached through one global as the host's
// context-free handle callbacks are.
struct FakeHandleHost {
  int newCalls = 0, lockCalls = 0, disposeCalls = 0, otherDisposeCalls = 0;
  int failNewAt = 0, failLockAt = 0;  // 1-based call that returns null; 0: never
  std::set<PF_Handle> live;
  std::vector<uint64_t> sizes;  // sizes asked, in order
};
FakeHandleHost* gFake = nullptr;

PF_Handle FakeNew(A_u_longlong size) {
  gFake->sizes.push_back(size);
  if (++gFake->newCalls == gFake->failNewAt) return nullptr;
  auto handle = static_cast<PF_Handle>(std::malloc(sizeof(void*)));
  *handle = std::malloc(size);
  gFake->live.insert(handle);
  return handle;
}
void* FakeLock(PF_Handle handle) {
  return ++gFake->lockCalls == gFake->failLockAt ? nullptr : *handle;
}
void FakeDispose(PF_Handle handle) {
  ++gFake->disposeCalls;
  if (gFake->live.erase(handle) == 1) {
    std::free(*handle);
    std::free(handle);
  }
}
// Same heap, counted apart: stands for the callbacks of a later command.
void OtherDispose(PF_Handle handle) {
  ++gFake->otherDisposeCalls;
  FakeDispose(handle);
  --gFake->disposeCalls;
}

class MemoryWrappersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFake = &fake_;
    utils_.host_new_handle = FakeNew;
    utils_.host_lock_handle = FakeLock;
    utils_.host_dispose_handle = FakeDispose;
    in_data_.utils = &utils_;
    MemoryWrappers::CaptureCallbacks(&in_data_);
    ASSERT_EQ(MemoryWrappers::LiveBlockCount(), 0u);
  }
  void TearDown() override {
    EXPECT_EQ(MemoryWrappers::LiveBlockCount(), 0u);
    EXPECT_TRUE(fake_.live.empty()) << fake_.live.size() << " handles leaked";
  }
  FakeHandleHost fake_;
  PF_UtilCallbacks utils_{};
  PF_InData in_data_{};
};

TEST_F(MemoryWrappersTest, BlockIsItsOwnHandleAndRecordHasAHandleToo) {
  EXPECT_EQ(MemoryWrappers::Allocate(0), nullptr);  // without asking the host
  MemoryWrappers::Release(nullptr);
  EXPECT_EQ(fake_.newCalls + fake_.lockCalls + fake_.disposeCalls, 0);
  void* block = MemoryWrappers::Allocate(40);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 40);  // the whole block is usable
  // One handle for the data (40 bytes, asked first), one for the record.
  EXPECT_EQ(fake_.sizes, (std::vector<uint64_t>{40, sizeof(MemoryWrappers::AllocationRecord)}));
  EXPECT_EQ(fake_.live.size(), 2u);
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), 1u);
  MemoryWrappers::Release(block);
  EXPECT_EQ(fake_.disposeCalls, 2);
}

TEST_F(MemoryWrappersTest, EveryRefusedStepGivesEverythingBackAndThrowsBadAllocation) {
  // Which call is refused, and how many handles must be given back for it.
  // clang-format off
  const struct { const char* name; int failNewAt, failLockAt, disposals; } kCases[] = {
      {"data handle", 1, 0, 0},
      {"data lock", 0, 1, 1},
      {"record handle", 2, 0, 1},
      {"record lock", 0, 2, 2}};
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    fake_ = FakeHandleHost{};
    fake_.failNewAt = c.failNewAt;
    fake_.failLockAt = c.failLockAt;
    try {
      MemoryWrappers::Allocate(64);
      ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) { EXPECT_STREQ(e.what(), "std::bad_alloc"); }
    EXPECT_EQ(fake_.disposeCalls, c.disposals);
    EXPECT_TRUE(fake_.live.empty());
    EXPECT_EQ(MemoryWrappers::LiveBlockCount(), 0u);
  }
}

// A failed check names its place and changes nothing. (An empty list at
// unload is checked by the module's own unload test.)
TEST_F(MemoryWrappersTest, UnloadCheckWithLiveBlocksAndASecondReleaseEachFailACheck) {
  void* kept = MemoryWrappers::Allocate(16);
  void* block = MemoryWrappers::Allocate(16);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(MemoryWrappers::CheckEmptyAtUnload());
  std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("firstitem == NULL"), std::string::npos) << report;
  EXPECT_NE(report.find("Common/MemoryWrappers"), std::string::npos) << report;
  EXPECT_EQ(fake_.disposeCalls, 0);  // nothing is disposed of by the check
  MemoryWrappers::Release(block);
  const std::size_t checks = MemoryWrappers::FailedCheckCount();
  ::testing::internal::CaptureStderr();
  MemoryWrappers::Release(block);
  report = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(fake_.disposeCalls, 2);
  EXPECT_EQ(MemoryWrappers::FailedCheckCount(), checks + 1);
  EXPECT_NE(report.find("Common/MemoryWrappers"), std::string::npos) << report;
  EXPECT_EQ(MemoryWrappers::LiveBlockCount(), 1u);
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
  EXPECT_EQ(fake_.otherDisposeCalls, 2);
  EXPECT_EQ(fake_.disposeCalls, 0);
  MemoryWrappers::CaptureCallbacks(&in_data_);
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
  } catch (int) {}
  EXPECT_EQ(fake_.disposeCalls, 2);
  MemHolder byHand(MemoryWrappers::Allocate(24));
  byHand.Free();
  EXPECT_EQ(byHand.Get(), nullptr);
  EXPECT_EQ(fake_.disposeCalls, 4);
}

// Over-aligned blocks, including alignments below a pointer's and zero bytes.
TEST_F(MemoryWrappersTest, AlignedPointerIsAlignedUsableAndReleasedThroughItsBlock) {
  // clang-format off
  const struct { std::size_t size, alignment; } kCases[] = {
      {0, 32},
      {1, 1},
      {3, 2},
      {24, 8},
      {33, 64},
      {100, 256},
      {5000, 4096}};
  // clang-format on
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.alignment);
    std::vector<void*> pointers;
    for (int i = 0; i < 5; ++i) {
      void* p = MemoryWrappers::AllocateAligned(c.size, c.alignment);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % c.alignment, 0u);
      std::memset(p, 0x5A, c.size);
      pointers.push_back(p);
    }
    EXPECT_EQ(MemoryWrappers::LiveBlockCount(), 5u);
    const std::size_t checks = MemoryWrappers::FailedCheckCount();
    for (void* p : pointers) MemoryWrappers::ReleaseAligned(p);
    EXPECT_EQ(MemoryWrappers::FailedCheckCount(), checks);
  }
  MemoryWrappers::ReleaseAligned(nullptr);
}

}  // namespace
