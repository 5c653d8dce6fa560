// One progress line on standard error for a whole render: a bar and its
// percentage and, for a sequence, frames done of the total, frames per second
// and the time left. Redrawn when its text changes, at most ten times a
// second. Disabled (draws nothing) when stderr is not a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace cli {

class ProgressBar {
 public:
  // `frames`: how many frames the run renders.
  ProgressBar(std::FILE* stream, bool enabled, long frames = 1);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // `done` frames finished, the fraction counting the one under way.
  void Update(double done);
  // Clears the bar's line, leaving the terminal as it was.
  void Finish();

  static bool StderrIsTerminal();

 private:
  std::string Text(double done) const;

  std::FILE* stream_;
  bool enabled_;
  long frames_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point drawn_at_;
  bool drawn_ = false;
  std::string shown_;
};

}  // namespace cli
