// Standard error sent to /dev/null for the lifetime of the object.
//
// libpng prints "libpng error: ..." on standard error itself whenever
// OpenImageIO's PNG reader meets a damaged file (OpenImageIO's error handler
// returns to libpng's default one, which prints before it gives up). The
// same text reaches us through ImageInput::geterror(), and the command
// reports it in its own one-line message, so the library's line is dropped.
//
// The redirection is process-wide: hold it only where no other thread of the
// process writes standard error (the command reads a frame's file before it
// renders, and reports afterwards). Sanitizer reports still reach the real
// standard error meanwhile.
#pragma once

namespace app {

class QuietStandardError {
 public:
  QuietStandardError();
  ~QuietStandardError();
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;  // the real standard error; -1 when nothing was redirected
};

}  // namespace app
