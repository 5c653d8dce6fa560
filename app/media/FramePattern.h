// A file name that may hold a frame number: "shot.%04d.png" (printf's %d,
// optionally zero-padded to a width) or "shot.####.png" (the number padded to
// as many digits as there are #). "%%" is a literal %. A name without a
// field names the same file for every frame.
#pragma once

#include <string>

namespace app {

class FramePattern {
 public:
  // Throws UsageError when the text holds more than one frame field.
  explicit FramePattern(const std::string& text);

  bool HasField() const { return has_field_; }
  const std::string& Text() const { return text_; }
  // The file of one frame (frames are not negative).
  std::string FileFor(long frame) const;

 private:
  std::string text_;
  std::string before_, after_;  // around the field, "%%" already made "%"
  bool has_field_ = false;
  int width_ = 0;  // zero-padded to this many digits
};

}  // namespace app
