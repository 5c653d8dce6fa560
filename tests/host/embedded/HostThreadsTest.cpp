#include "host/embedded/HostThreads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace embedded {
namespace {

TEST(HostThreads, EveryBandRunsOnceForAnyThreadCountAndTheLowestFailureIsRethrown) {
  for (int threads : {1, 2, 3, 8}) {
    SCOPED_TRACE(threads);
    SetHostThreadCount(threads);
    EXPECT_EQ(HostThreadCount(), threads);
    std::vector<std::atomic<int>> runs(37);
    std::mutex mutex;
    std::set<std::thread::id> workers;
    RunBands(37, [&](int band) {
      runs[band].fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(200));  // let every thread take some
      std::lock_guard<std::mutex> lock(mutex);
      workers.insert(std::this_thread::get_id());
    });
    for (const auto& count : runs) EXPECT_EQ(count.load(), 1);
    EXPECT_LE(workers.size(), static_cast<size_t>(threads));  // the cap holds

    try {
      RunBands(9, [](int band) {
        if (band == 4 || band == 7) throw std::runtime_error(std::to_string(band));
      });
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), "4");
    }
  }
  SetHostThreadCount(0);
  EXPECT_EQ(HostThreadCount(), DefaultHostThreadCount());
  EXPECT_GE(HostThreadCount(), 1);
}

TEST(HostThreads, EnvironmentCapsTheDefault) {
  ASSERT_EQ(setenv("LUSTRE_STRAND_THREADS", "3", 1), 0);
  EXPECT_EQ(DefaultHostThreadCount(), 3);
  ASSERT_EQ(setenv("LUSTRE_STRAND_THREADS", "12", 1), 0);  // decimal
  EXPECT_EQ(DefaultHostThreadCount(), 12);
  ASSERT_EQ(setenv("LUSTRE_STRAND_THREADS", "zero", 1), 0);
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(DefaultHostThreadCount(), cores);  // not a number: the cores
  unsetenv("LUSTRE_STRAND_THREADS");
}

}  // namespace
}  // namespace embedded
