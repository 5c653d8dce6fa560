#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>

namespace cli {

namespace {
constexpr int kBarWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}
}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, long frames)
    : stream_(stream),
      enabled_(enabled),
      frames_(std::max(1L, frames)),
      start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { Finish(); }

bool ProgressBar::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

std::string ProgressBar::Text(double done) const {
  const int percent = static_cast<int>(done * 100 / static_cast<double>(frames_));
  const int filled = percent * kBarWidth / 100;
  std::string text = "Rendering [" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] ";
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "%3d%%", percent);
  text += numbers;
  if (frames_ == 1) return text;
  const long whole = static_cast<long>(done);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  std::snprintf(numbers, sizeof numbers, "  %ld/%ld frames", whole, frames_);
  text += numbers;
  if (whole > 0 && seconds > 0) {
    const double fps = static_cast<double>(whole) / seconds;
    std::snprintf(numbers, sizeof numbers, "  %.1f fps  %s left", fps,
                  Clock(static_cast<double>(frames_ - whole) / fps).c_str());
    text += numbers;
  }
  return text;
}

void ProgressBar::Update(double done) {
  if (!enabled_) return;
  done = std::clamp(done, 0.0, static_cast<double>(frames_));
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - drawn_at_ < kRedrawInterval && done < static_cast<double>(frames_)) return;
  const std::string text = Text(done);
  if (text == shown_) return;
  // Pad over the end of a longer line drawn before.
  const int pad = std::max(0, static_cast<int>(shown_.size()) - static_cast<int>(text.size()));
  std::fprintf(stream_, "\r%s%*s", text.c_str(), pad, "");
  std::fflush(stream_);
  shown_ = text;
  drawn_ = true;
  drawn_at_ = now;
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stream_, "\r%*s\r", static_cast<int>(shown_.size()), "");
  std::fflush(stream_);
  drawn_ = false;
  shown_.clear();
}

}  // namespace cli
