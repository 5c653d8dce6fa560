#include "app/batch/WorkerPool.h"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/AppErrors.h"

namespace app {
namespace {

// What the workers share: the next job number and a flag that stops them
// taking more. Lock-free atomics work across processes in shared memory.
struct SharedCounter {
  std::atomic<long> next{0};
  std::atomic<int> stop{0};
};
static_assert(std::atomic<long>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the workers share these counters without a lock");

enum class ReportKind : int32_t { kDone, kFailed };

// What a failed job ended in, carried through the pipe and rethrown as such.
enum Outcome : int32_t { kSucceeded, kBadInput, kEffectFailed, kCancelled };

// One report, written by a single write() of at most PIPE_BUF bytes, so
// reports of several workers never interleave.
struct ReportHeader {
  ReportKind kind;
  int32_t status;  // an Outcome
  int64_t job;
  int32_t length;  // of the message that follows
};
constexpr size_t kMaxMessage = PIPE_BUF - sizeof(ReportHeader);

void SendReport(int fd, ReportKind kind, int status, long job, const std::string& message) {
  const std::string text = message.substr(0, kMaxMessage);
  ReportHeader header{kind, status, job, static_cast<int32_t>(text.size())};
  std::string record(reinterpret_cast<const char*>(&header), sizeof header);
  record += text;
  // A full pipe blocks; an interrupted write is tried again.
  while (write(fd, record.data(), record.size()) < 0 && errno == EINTR) {}
}

// A worker's life: take jobs until none is left or the run stops, report
// each, and end without running the parent's exit handlers or destructors.
[[noreturn]] void WorkerMain(SharedCounter& shared, long count, int report_fd, pid_t parent,
                             const std::function<void(long)>& job, const WorkerPoolEvents& events,
                             CancelToken cancel) {
  // A worker outlives no parent: if the parent dies it is told to stop (and
  // if it died before being asked, the worker stops at once).
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(kCancelled);
  if (events.worker_start) events.worker_start();
  int status = kSucceeded;
  while (shared.stop.load() == 0 && !cancel.Requested()) {
    const long n = shared.next.fetch_add(1);
    if (n >= count) break;
    try {
      job(n);
      SendReport(report_fd, ReportKind::kDone, kSucceeded, n, "");
      continue;
    } catch (const UsageError& e) {
      status = kBadInput;
      SendReport(report_fd, ReportKind::kFailed, status, n, e.what());
    } catch (const EffectError& e) {
      status = kEffectFailed;
      SendReport(report_fd, ReportKind::kFailed, status, n, e.what());
    } catch (const Cancelled&) {
      status = kCancelled;
      SendReport(report_fd, ReportKind::kFailed, status, n, "cancelled");
    } catch (const std::bad_alloc&) {
      status = kEffectFailed;
      SendReport(report_fd, ReportKind::kFailed, status, n, "error 4: Out of Memory");
    } catch (const std::exception& e) {
      status = kEffectFailed;
      SendReport(report_fd, ReportKind::kFailed, status, n, e.what());
    }
    shared.stop.store(1);
    break;
  }
  std::fflush(nullptr);
  _exit(status);
}

// The first failure reported, kept to be rethrown once every worker has ended.
struct Failure {
  int status = kSucceeded;
  std::string message;
};

[[noreturn]] void Rethrow(const Failure& failure) {
  if (failure.status == kBadInput) throw UsageError(failure.message);
  if (failure.status == kCancelled) throw Cancelled();
  throw EffectError(0, failure.message);
}

// Reads what the pipe holds and hands out every complete report.
class ReportReader {
 public:
  explicit ReportReader(int fd) : fd_(fd) {}
  // False once every writer has closed its end.
  bool Read(const WorkerPoolEvents& events, Failure& failure, long& done) {
    char chunk[PIPE_BUF];
    const ssize_t n = read(fd_, chunk, sizeof chunk);
    if (n == 0) return false;
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    buffer_.append(chunk, static_cast<size_t>(n));
    while (buffer_.size() >= sizeof(ReportHeader)) {
      ReportHeader header;
      std::memcpy(&header, buffer_.data(), sizeof header);
      const size_t size = sizeof header + static_cast<size_t>(header.length);
      if (buffer_.size() < size) break;
      if (header.kind == ReportKind::kDone) {
        ++done;
        if (events.done) events.done(static_cast<long>(header.job));
      } else if (failure.status == kSucceeded || failure.status == kCancelled) {
        // A real failure outranks a cancellation it caused elsewhere.
        failure.status = header.status;
        failure.message = buffer_.substr(sizeof header, static_cast<size_t>(header.length));
      }
      buffer_.erase(0, size);
    }
    return true;
  }

 private:
  int fd_;
  std::string buffer_;
};

void StopWorkers(const std::vector<pid_t>& workers) {
  for (pid_t pid : workers) kill(pid, SIGTERM);
}

}  // namespace

// Worker processes, not threads: the module keeps a process-wide host record
// that every call rewrites without a lock, and its memory list and captured
// callbacks are process-wide too, so two renders at once in one process race.
// A process per job gives each its own module state, and a frame's result
// depends on nothing but its number, so the files are the same for any count.
void RunOnWorkerProcesses(long count, int workers, const std::function<void(long job)>& job,
                          const WorkerPoolEvents& events, CancelToken cancel) {
  void* memory = mmap(nullptr, sizeof(SharedCounter), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED)
    throw EffectError(0, std::string("cannot share memory with workers: ") + std::strerror(errno));
  SharedCounter* shared = new (memory) SharedCounter();
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    munmap(memory, sizeof(SharedCounter));
    throw EffectError(0, std::string("cannot create a pipe: ") + std::strerror(errno));
  }
  std::fflush(nullptr);  // nothing buffered is written twice
  std::vector<pid_t> pids;
  Failure failure;
  const pid_t parent = getpid();
  for (int w = 0; w < workers; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(pipe_fds[0]);
      WorkerMain(*shared, count, pipe_fds[1], parent, job, events, cancel);
    }
    if (pid < 0) {
      failure = {kEffectFailed,
                 std::string("cannot start a worker process: ") + std::strerror(errno)};
      shared->stop.store(1);
      break;
    }
    pids.push_back(pid);
  }
  close(pipe_fds[1]);

  ReportReader reader(pipe_fds[0]);
  long done = 0;
  bool stopping = false;
  for (bool open = true; open;) {
    if (cancel.Requested() && !stopping) {
      // Ctrl-C on a terminal reaches the workers already; a cancel of this
      // process alone is passed on.
      shared->stop.store(1);
      StopWorkers(pids);
      stopping = true;
    }
    pollfd fd{pipe_fds[0], POLLIN, 0};
    if (poll(&fd, 1, 100) > 0) open = reader.Read(events, failure, done);
  }
  close(pipe_fds[0]);
  for (pid_t pid : pids) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (WIFSIGNALED(status) && failure.status == kSucceeded && !cancel.Requested()) {
      failure = {kEffectFailed, "a worker process ended by signal " +
                                    std::to_string(WTERMSIG(status)) + " (" +
                                    strsignal(WTERMSIG(status)) + ")"};
    }
  }
  munmap(memory, sizeof(SharedCounter));
  if (failure.status != kSucceeded) Rethrow(failure);
  if (cancel.Requested()) throw Cancelled();
  if (done < count) throw EffectError(0, "the worker processes ended before every frame was done");
}

}  // namespace app
