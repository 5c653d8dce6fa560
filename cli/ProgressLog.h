// Progress of a render as lines for a log: standard error that is not a
// terminal, as in a farm's job log, where a redrawn bar would pile up as
// one endless line. A line when the first frame is done and then at most
// one every few seconds (frames done of the total, frames per second, time
// left); the last says what was rendered and what was skipped.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace cli {

class ProgressLog {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // The run's range is frames `first` to `last`, of which it renders
  // `to_render`; the others were already written.
  ProgressLog(std::FILE* stream, long first, long last, long to_render,
              Clock clock = std::chrono::steady_clock::now);

  // `frame` is finished.
  void FrameDone(long frame);
  // The run's last line.
  void Finish();

  // Lines come at most this often, except the first frame's and the summary.
  static constexpr std::chrono::seconds kInterval{5};

 private:
  double SecondsAt(std::chrono::steady_clock::time_point now) const;

  std::FILE* stream_;
  long first_, last_;
  long frames_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point written_at_;
  long done_ = 0;
};

}  // namespace cli
