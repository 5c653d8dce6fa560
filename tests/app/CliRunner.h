// Runs the built lustre-strand program as a user would and collects what it
// printed and how it ended.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace cli {

struct Run {
  int exit_status = -1;  // -1 when ended by a signal
  int signal = 0;        // the signal that ended it, or 0
  std::string out;
  std::string err;
};

struct Launch {
  std::vector<std::string> args;  // after the program name
  long long address_space_limit = 0;  // bytes; 0: unlimited
  // Standard error on a terminal: called with everything printed so far
  // until it returns true, then `signal` is sent.
  bool stderr_on_terminal = false;
  std::function<bool(const std::string& err_so_far)> send_signal_when;
  int signal = 0;
};

Run RunCli(const Launch& launch);
Run RunCli(const std::vector<std::string>& args);

// A folder of its own for each test, removed afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the files inside, sorted.
  std::vector<std::string> Files() const;

 private:
  std::string path_;
};

}  // namespace cli
