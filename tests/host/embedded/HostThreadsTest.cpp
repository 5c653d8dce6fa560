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
    } catch (const std::runtime_error& error) { EXPECT_STREQ(error.what(), "4"); }
  }
  SetHostThreadCount(0);
  EXPECT_EQ(HostThreadCount(), DefaultHostThreadCount());
  EXPECT_GE(HostThreadCount(), 1);
}

// Sets a variable of this process's environment, or removes it (value null).
void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
  ASSERT_EQ(_putenv_s(name, value != nullptr ? value : ""), 0);  // "" removes it
#else
  ASSERT_EQ(value != nullptr ? setenv(name, value, 1) : unsetenv(name), 0);
#endif
}

TEST(HostThreads, EnvironmentCapsTheDefault) {
  SetEnvironment("LUSTRE_STRAND_THREADS", "3");
  EXPECT_EQ(DefaultHostThreadCount(), 3);
  SetEnvironment("LUSTRE_STRAND_THREADS", "12");  // decimal
  EXPECT_EQ(DefaultHostThreadCount(), 12);
  SetEnvironment("LUSTRE_STRAND_THREADS", "zero");
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(DefaultHostThreadCount(), cores);  // not a number: the cores
  SetEnvironment("LUSTRE_STRAND_THREADS", nullptr);
}

}  // namespace
}  // namespace embedded
