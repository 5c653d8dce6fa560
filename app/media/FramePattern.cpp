#include "app/media/FramePattern.h"

#include <cctype>

#include "app/AppErrors.h"

namespace app {
namespace {

// The length of a field starting at `i` ("%04d", "%d", "###"), 0 if none;
// sets `width` to its zero padding.
size_t FieldAt(const std::string& text, size_t i, int* width) {
  if (text[i] == '#') {
    size_t end = i;
    while (end < text.size() && text[end] == '#') ++end;
    *width = static_cast<int>(end - i);
    return end - i;
  }
  if (text[i] != '%') return 0;
  size_t end = i + 1;
  int digits = 0;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) && digits < 2) {
    ++end;
    ++digits;
  }
  if (end >= text.size() || text[end] != 'd') return 0;
  if (digits > 0 && text[i + 1] != '0') return 0;  // only zero padding is a frame field
  *width = digits > 0 ? std::stoi(text.substr(i + 1, static_cast<size_t>(digits))) : 0;
  return end + 1 - i;
}

}  // namespace

FramePattern::FramePattern(const std::string& text) : text_(text) {
  for (size_t i = 0; i < text.size();) {
    std::string& part = has_field_ ? after_ : before_;
    if (text.compare(i, 2, "%%") == 0) {
      part += '%';
      i += 2;
      continue;
    }
    int width = 0;
    const size_t length = FieldAt(text, i, &width);
    if (length == 0) {
      part += text[i++];
      continue;
    }
    if (has_field_) {
      throw UsageError("'" + text +
                       "' holds more than one frame number field; write one, as in "
                       "shot.%04d.png or shot.####.png");
    }
    has_field_ = true;
    width_ = width;
    i += length;
  }
}

std::string FramePattern::FileFor(long frame) const {
  if (!has_field_) return before_;
  std::string number = std::to_string(frame);
  if (static_cast<int>(number.size()) < width_) {
    number.insert(0, static_cast<size_t>(width_) - number.size(), '0');
  }
  return before_ + number + after_;
}

}  // namespace app
