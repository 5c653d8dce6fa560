// A render of the document into files, started from the page: the command's
// own `render` run as a child process, watched for progress, cancelled on
// request and reaped. One at a time.
//
// Why a child process rather than the render loop inside the server: the
// loop forks a worker process per job for image sequences, and a fork from
// this multi-threaded server copies whatever locks its other threads hold at
// that moment (the allocator's, the image library's), which the worker could
// then wait on forever. posix_spawn of the command itself starts from a clean
// process, and the files, jobs, messages and cancel handling (SIGTERM leaves
// finished frames and no partial file) are exactly those of `render`.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/media/FramePattern.h"

namespace studio {

struct ExportRun {
  std::vector<std::string> args;  // after the program: "render", "--params", ...
  std::string output;             // absolute; a frame pattern or a video file
  std::string params_file;        // removed when the run ends
};

struct ExportStart {
  enum class Outcome { kStarted, kBusy, kRefused, kFailed } outcome;
  long id = 0;
  std::string message;  // the command's own, when refused or failed
};

class ExportJob {
 public:
  // `program`: the lustre-strand command.
  explicit ExportJob(std::string program) : program_(std::move(program)) {}
  // Cancels a running export and waits for it.
  ~ExportJob();
  ExportJob(const ExportJob&) = delete;
  ExportJob& operator=(const ExportJob&) = delete;

  // Starts the command and waits until it has checked its input and begins
  // rendering (kStarted), or has ended before that: kRefused when it exited
  // on bad input, kFailed otherwise; kBusy while another export runs.
  ExportStart Start(ExportRun run);
  // Asks a running export to stop (SIGTERM, as Ctrl-C does).
  void Cancel();
  // {"state", "id", "output", "total", "done", "fps", "eta_s", "error", "files"}.
  nlohmann::json Status() const;

 private:
  enum class State { kIdle, kStarting, kRunning, kDone, kFailed, kCancelled };
  void Watch(pid_t child, int progress_fd, int error_fd);
  void TakeLine(const std::string& line);
  void Finish(int wait_status, std::string errors);

  std::string program_;
  mutable std::mutex mutex_;
  std::condition_variable started_;
  State state_ = State::kIdle;
  long id_ = 0;
  pid_t child_ = 0;  // while it runs and is not reaped
  bool cancel_asked_ = false;
  ExportRun run_;
  std::optional<app::FramePattern> pattern_;
  long total_ = 0;
  std::vector<long> frames_written_;
  std::chrono::steady_clock::time_point started_at_;
  std::chrono::steady_clock::time_point ended_at_;
  std::string error_;
  int exit_status_ = 0;
  std::thread watcher_;
};

}  // namespace studio
