// Runs the built lustre-strand program (or another one) as a user would, with
// standard input from /dev/null, optionally with more environment, under
// limits (address space, file size), as an unprivileged user, or with a
// terminal on standard error and a signal sent once it has printed something.
#pragma once

#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestFiles.h"

namespace testfiles {

using Args = std::vector<std::string>;

struct CliRun {
  int exit_status = -1, signal = 0;  // -1 when ended by a signal; that signal, or 0
  std::string out, err;
};

struct Launch {
  Args args;                          // after the program name
  long long address_space_limit = 0;  // bytes; 0: unlimited
  // When set, standard error is a terminal and `signal` is sent once this
  // returns true for everything printed there so far.
  std::function<bool(const std::string& err_so_far)> send_signal_when;
  int signal = 0;
  long long file_size_limit = 0;  // bytes (RLIMIT_FSIZE, SIGXFSZ ignored); 0: unlimited
  bool as_nobody = false;         // run as user and group 65534 with no other groups
  bool signal_group = false;  // the program leads a process group, and `signal` goes to all of it
  Args env = {};              // "NAME=VALUE" added to the environment
  std::string program = LUSTRE_CLI_PATH;  // a path, or a name looked up on PATH
};

inline Args operator+(Args a, const Args& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs the built program as a user would; what it printed and how it ended.
inline CliRun RunCli(const Launch& launch) {
  char out_name[] = "/tmp/lustre-cli-out-XXXXXX", err_name[] = "/tmp/lustre-cli-err-XXXXXX";
  const int out_fd = mkstemp(out_name), err_fd = mkstemp(err_name);
  const bool terminal = static_cast<bool>(launch.send_signal_when);
  int master = -1, slave = -1;
  if (terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  Args storage = Args{launch.program} + launch.args;
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit limit{rlim_t(launch.address_space_limit), rlim_t(launch.address_space_limit)};
    if (launch.address_space_limit > 0) setrlimit(RLIMIT_AS, &limit);
    if (launch.file_size_limit > 0) {
      // Writes past the limit then fail with EFBIG instead of killing the program.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit size{rlim_t(launch.file_size_limit), rlim_t(launch.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &size);
    }
    if (launch.as_nobody && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                             setresuid(65534, 65534, 65534) != 0)) {
      _exit(126);
    }
    if (launch.signal_group) setpgid(0, 0);
    if (terminal) close(master);
    for (const std::string& e : launch.env) putenv(const_cast<char*>(e.c_str()));
    dup2(out_fd, STDOUT_FILENO);
    dup2(terminal ? slave : err_fd, STDERR_FILENO);
    freopen("/dev/null", "r", stdin);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "cannot run %s: not installed? (bash scripts/install-deps.sh test)\n",
                 argv[0]);
    _exit(127);
  }
  close(out_fd);
  close(err_fd);
  CliRun run;
  if (terminal) {
    // Read the terminal until the child closes it, sending the signal once.
    close(slave);
    bool signalled = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd fd{master, POLLIN, 0};
      char buffer[4096];
      ssize_t n = 1;
      if (poll(&fd, 1, 100) > 0 && (n = read(master, buffer, sizeof buffer)) > 0)
        run.err.append(buffer, size_t(n));
      if (n <= 0) break;  // EIO once the child has closed its side
      if (!signalled && launch.send_signal_when(run.err))
        signalled = kill(launch.signal_group ? -pid : pid, launch.signal) == 0;
    }
    close(master);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.out = ReadFile(out_name);
  if (!terminal) run.err = ReadFile(err_name);
  unlink(out_name);
  unlink(err_name);
  return run;
}

inline CliRun RunCli(const Args& args) { return RunCli(Launch{args, 0, {}, 0}); }

}  // namespace testfiles
