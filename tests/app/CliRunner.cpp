#include "CliRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cli {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<char*> Argv(const std::vector<std::string>& args, std::vector<std::string>& storage) {
  storage.clear();
  storage.push_back(LUSTRE_CLI_PATH);
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

// Reads the terminal's master side until the child closes it, sending the
// signal once the condition holds.
std::string DrainTerminal(int master, pid_t pid, const Launch& launch) {
  std::string text;
  bool signalled = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd fd{master, POLLIN, 0};
    const int ready = poll(&fd, 1, 100);
    if (ready > 0) {
      char buffer[4096];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;  // EIO once the child has closed its side
      text.append(buffer, static_cast<size_t>(n));
    }
    if (!signalled && launch.send_signal_when && launch.send_signal_when(text)) {
      kill(pid, launch.signal);
      signalled = true;
    }
  }
  return text;
}

}  // namespace

Run RunCli(const std::vector<std::string>& args) {
  Launch launch;
  launch.args = args;
  return RunCli(launch);
}

Run RunCli(const Launch& launch) {
  char out_name[] = "/tmp/lustre-cli-out-XXXXXX";
  char err_name[] = "/tmp/lustre-cli-err-XXXXXX";
  const int out_fd = mkstemp(out_name);
  const int err_fd = mkstemp(err_name);
  int master = -1, slave = -1;
  if (launch.stderr_on_terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    throw std::runtime_error("openpty failed");
  }
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(launch.args, storage);

  const pid_t pid = fork();
  if (pid == 0) {
    if (launch.address_space_limit > 0) {
      const rlimit limit{static_cast<rlim_t>(launch.address_space_limit),
                         static_cast<rlim_t>(launch.address_space_limit)};
      setrlimit(RLIMIT_AS, &limit);
    }
    dup2(out_fd, STDOUT_FILENO);
    dup2(launch.stderr_on_terminal ? slave : err_fd, STDERR_FILENO);
    if (master >= 0) close(master);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out_fd);
  close(err_fd);
  Run run;
  if (launch.stderr_on_terminal) {
    close(slave);
    run.err = DrainTerminal(master, pid, launch);
    close(master);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.out = ReadWhole(out_name);
  if (!launch.stderr_on_terminal) run.err = ReadWhole(err_name);
  unlink(out_name);
  unlink(err_name);
  return run;
}

TempFolder::TempFolder() {
  char name[] = "/tmp/lustre-cli-test-XXXXXX";
  if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
  path_ = name;
}

TempFolder::~TempFolder() { std::filesystem::remove_all(path_); }

std::vector<std::string> TempFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace cli
