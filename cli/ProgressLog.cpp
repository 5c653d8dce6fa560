#include "cli/ProgressLog.h"

#include "cli/ProgressBar.h"

namespace cli {
ProgressLog::ProgressLog(std::FILE* stream, long first, long last, long to_render, Clock clock)
    : stream_(stream),
      first_(first),
      last_(last),
      frames_(to_render),
      clock_(std::move(clock)),
      start_(clock_()),
      written_at_(start_) {}

double ProgressLog::SecondsAt(std::chrono::steady_clock::time_point now) const {
  return std::chrono::duration<double>(now - start_).count();
}

void ProgressLog::FrameDone(long frame) {
  ++done_;
  const auto now = clock_();
  if (done_ > 1 && now - written_at_ < kInterval) return;
  written_at_ = now;
  const double seconds = SecondsAt(now);
  const double fps = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
  std::string left = "--:--";
  if (fps > 0) left = MinutesSeconds(static_cast<double>(frames_ - done_) / fps);
  std::fprintf(stream_, "lustre-strand: frame %ld done, %ld/%ld frames, %.2f fps, %s left\n", frame,
               done_, frames_, fps, left.c_str());
  std::fflush(stream_);
}

void ProgressLog::Finish() {
  const double seconds = SecondsAt(clock_());
  const long skipped = last_ - first_ + 1 - frames_;
  std::fprintf(stream_, "lustre-strand: frames %ld-%ld: rendered %ld in %s", first_, last_, done_,
               MinutesSeconds(seconds).c_str());
  if (done_ > 0 && seconds > 0)
    std::fprintf(stream_, " (%.2f fps)", static_cast<double>(done_) / seconds);
  std::fprintf(stream_, ", skipped %ld already written\n", skipped);
  std::fflush(stream_);
}

}  // namespace cli
