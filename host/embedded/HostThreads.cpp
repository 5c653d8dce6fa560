#include "host/embedded/HostThreads.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

namespace embedded {

namespace {

std::atomic<int> g_thread_count{0};  // 0: the default

}  // namespace

int DefaultHostThreadCount() {
  if (const char* text = std::getenv("LUSTRE_STRAND_THREADS")) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && n > 0) return static_cast<int>(std::min(n, 256L));
  }
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int HostThreadCount() {
  const int n = g_thread_count.load();
  return n > 0 ? n : DefaultHostThreadCount();
}

void SetHostThreadCount(int n) { g_thread_count.store(n > 0 ? n : 0); }

void RunBands(int count, const std::function<void(int band)>& band) {
  if (count <= 0) return;
  const int threads = std::min(count, HostThreadCount());
  std::vector<std::exception_ptr> errors(static_cast<size_t>(count));
  std::atomic<int> next{0};
  // Bands are handed out in order; which thread takes which does not matter,
  // because a band's result depends on its number alone.
  auto work = [&] {
    for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
      try {
        band(i);
      } catch (...) { errors[static_cast<size_t>(i)] = std::current_exception(); }
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  for (const std::exception_ptr& error : errors) {
    if (error) std::rethrow_exception(error);
  }
}

}  // namespace embedded
