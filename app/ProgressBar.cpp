#include "app/ProgressBar.h"

#include <unistd.h>

namespace app {

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}

ProgressBar::~ProgressBar() { Finish(); }

bool ProgressBar::StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void ProgressBar::Update(long current, long total) {
  if (!enabled_ || total <= 0) return;
  if (current < 0) current = 0;
  if (current > total) current = total;
  const int percent = static_cast<int>(current * 100 / total);
  if (percent == shown_percent_) return;
  shown_percent_ = percent;
  const int filled = percent * kBarWidth / 100;
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kBarWidth] = '\0';
  std::fprintf(stream_, "\rRendering [%s] %3d%%", bar, percent);
  std::fflush(stream_);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stream_, "\r%*s\r", kBarWidth + 20, "");
  std::fflush(stream_);
  drawn_ = false;
  shown_percent_ = -1;
}

}  // namespace app
