// A one-line progress bar on standard error, redrawn only when the shown
// percentage changes. Disabled (draws nothing) when stderr is not a terminal.
#pragma once

#include <cstdio>

namespace app {

class ProgressBar {
 public:
  ProgressBar(std::FILE* stream, bool enabled);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(long current, long total);
  // Clears the bar's line, leaving the terminal as it was.
  void Finish();

  static bool StderrIsTerminal();

 private:
  std::FILE* stream_;
  bool enabled_;
  bool drawn_ = false;
  int shown_percent_ = -1;
};

}  // namespace app
