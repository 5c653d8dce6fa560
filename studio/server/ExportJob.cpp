#include "studio/server/ExportJob.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern char** environ;

namespace studio {
namespace {

// The command's exit status for bad input (its options, files or document).
constexpr int kBadInputStatus = 2;
// Standard error kept from the command, enough for its messages.
constexpr size_t kMaxErrorBytes = 64 << 10;
// The descriptor the command writes its progress lines to.
constexpr int kProgressFd = 3;

// A descriptor moved above the standard ones and the progress descriptor,
// so that the child's dup2 onto them never meets itself (a dup2 onto the
// same number would keep close-on-exec set).
int MovedHigh(int fd) {
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
  close(fd);
  return moved;
}

struct Pipe {
  int read = -1;
  int write = -1;
  bool Open() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    read = MovedHigh(fds[0]);
    write = MovedHigh(fds[1]);
    return read >= 0 && write >= 0;
  }
  void Close() {
    for (int* fd : {&read, &write}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
  }
};

// The command's last message, without its "lustre-strand: " prefix.
std::string LastMessage(const std::string& errors) {
  std::string text = errors;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  text = text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
  const std::string prefix = "lustre-strand: ";
  if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
  return text;
}

const char* StateName(int state) {
  static const char* const kNames[] = {"idle", "running", "running", "done", "failed", "cancelled"};
  return kNames[state];
}

// Starts `argv` in a process group of its own (a Ctrl-C typed at the
// studio's terminal reaches the studio, which then cancels the export), with
// the default signal handling, no input, its standard output discarded, its
// standard error into `errors` and its progress into `progress`. 0 or errno.
int SpawnCommand(const std::vector<std::string>& args, const Pipe& errors, const Pipe& progress,
                 pid_t* child) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errors.write, 2);
  posix_spawn_file_actions_adddup2(&actions, progress.write, kProgressFd);
  // The server's sockets and files stay with the server.
  posix_spawn_file_actions_addclosefrom_np(&actions, kProgressFd + 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  for (int signal : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&signals, signal);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  const int failed = posix_spawn(child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failed;
}

}  // namespace

ExportJob::~ExportJob() {
  Cancel();
  if (watcher_.joinable()) watcher_.join();
}

ExportStart ExportJob::Start(ExportRun run) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (state_ == State::kStarting || state_ == State::kRunning) {
    unlink(run.params_file.c_str());
    return {ExportStart::Outcome::kBusy, id_, "an export is running; cancel it or wait"};
  }
  state_ = State::kStarting;
  std::thread finished = std::move(watcher_);
  lock.unlock();
  if (finished.joinable()) finished.join();
  lock.lock();

  ++id_;
  run_ = std::move(run);
  pattern_.emplace(run_.output);
  total_ = 0;
  frames_written_.clear();
  error_.clear();
  exit_status_ = 0;
  cancel_asked_ = false;
  started_at_ = ended_at_ = std::chrono::steady_clock::now();

  std::vector<std::string> args{program_};
  args.insert(args.end(), run_.args.begin(), run_.args.end());
  args.insert(args.end(), {"--progress-fd", std::to_string(kProgressFd)});
  Pipe errors, progress;
  pid_t child = 0;
  const int failed =
      !errors.Open() || !progress.Open() ? errno : SpawnCommand(args, errors, progress, &child);
  if (failed != 0) {
    errors.Close();
    progress.Close();
    unlink(run_.params_file.c_str());
    state_ = State::kFailed;
    error_ = "cannot run '" + program_ + "': " + std::strerror(failed);
    return {ExportStart::Outcome::kFailed, id_, error_};
  }
  close(errors.write);
  close(progress.write);
  child_ = child;
  watcher_ = std::thread(&ExportJob::Watch, this, child, progress.read, errors.read);
  started_.wait(lock, [this] { return state_ != State::kStarting; });
  if (state_ != State::kFailed) return {ExportStart::Outcome::kStarted, id_, ""};
  return {exit_status_ == kBadInputStatus ? ExportStart::Outcome::kRefused
                                          : ExportStart::Outcome::kFailed,
          id_, error_};
}

void ExportJob::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (child_ == 0) return;
  cancel_asked_ = true;
  kill(-child_, SIGTERM);
}

void ExportJob::TakeLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (line.rfind("start ", 0) == 0) {
    total_ = std::atol(line.c_str() + 6);
    started_at_ = std::chrono::steady_clock::now();
    if (state_ == State::kStarting) state_ = State::kRunning;
    started_.notify_all();
  } else if (line.rfind("frame ", 0) == 0) {
    frames_written_.push_back(std::atol(line.c_str() + 6));
  }
}

void ExportJob::Watch(pid_t child, int progress_fd, int error_fd) {
  std::string errors, pending;
  pollfd fds[2] = {{progress_fd, POLLIN, 0}, {error_fd, POLLIN, 0}};
  char buffer[4096];
  // Until both pipes close: the command and any worker it forked are gone.
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& fd : fds) {
      if (fd.fd < 0 || fd.revents == 0) continue;
      const ssize_t n = read(fd.fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fd.fd);
        fd.fd = -1;
      } else if (&fd == &fds[1]) {
        errors.append(buffer, static_cast<size_t>(std::min<size_t>(
                                  static_cast<size_t>(n), kMaxErrorBytes - errors.size())));
      } else {
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
          TakeLine(pending.substr(0, end));
          pending.erase(0, end + 1);
        }
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
  // Wait without reaping, forget the child, then reap: a Cancel never sends
  // its signal to a process group whose number the system gave out again.
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    child_ = 0;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
  Finish(status, errors);
}

void ExportJob::Finish(int wait_status, std::string errors) {
  std::lock_guard<std::mutex> lock(mutex_);
  unlink(run_.params_file.c_str());
  ended_at_ = std::chrono::steady_clock::now();
  exit_status_ = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  if (exit_status_ == 0) {
    state_ = State::kDone;
  } else if (cancel_asked_) {
    state_ = State::kCancelled;
  } else {
    state_ = State::kFailed;
    error_ = LastMessage(errors);
    if (error_.empty()) error_ = "the render ended with status " + std::to_string(exit_status_);
  }
  started_.notify_all();
}

nlohmann::json ExportJob::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  nlohmann::json status{{"state", StateName(static_cast<int>(state_))}};
  if (state_ == State::kIdle) return status;
  const bool running = state_ == State::kStarting || state_ == State::kRunning;
  const auto until = running ? std::chrono::steady_clock::now() : ended_at_;
  const double seconds = std::chrono::duration<double>(until - started_at_).count();
  const long done = static_cast<long>(frames_written_.size());
  const double fps = seconds > 0 ? done / seconds : 0;
  status["id"] = id_;
  status["output"] = run_.output;
  status["total"] = total_;
  status["done"] = done;
  status["fps"] = fps;
  status["eta_s"] = state_ == State::kDone ? nlohmann::json(0)
                    : running && done > 0  ? nlohmann::json((total_ - done) / fps)
                                           : nlohmann::json(nullptr);
  if (state_ == State::kFailed) status["error"] = error_;
  nlohmann::json files = nlohmann::json::array();
  if (state_ == State::kDone || state_ == State::kCancelled) {
    if (pattern_->HasField()) {
      std::vector<long> frames = frames_written_;
      std::sort(frames.begin(), frames.end());
      for (long frame : frames) files.push_back(pattern_->FileFor(frame));
    } else if (state_ == State::kDone) {
      files.push_back(run_.output);
    }
  }
  status["files"] = std::move(files);
  return status;
}

}  // namespace studio
