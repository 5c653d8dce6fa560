// `lustre-strand studio`: loads the effect, prints the studio's address with
// its token, and serves the page until asked to stop (SIGINT or SIGTERM).
#pragma once

#include <optional>
#include <string>

#include "app/session/CancelToken.h"
#include "app/session/EffectSession.h"
#include "app/session/SessionTypes.h"

namespace studio {

struct StudioOptions {
  std::string input;        // a still, a frame pattern or a video; empty: the built-in layer
  std::string params_file;  // the document; empty: studio.json in the working folder
  app::LayerSize size{1920, 1080};        // of the built-in layer
  std::optional<app::FrameRange> frames;  // none: a video's frames, else 0 to kDefaultLastFrame
  std::optional<app::Rational> fps;       // none: the input's rate, else 24
  int depth = 0;                          // 8 or 16; 0: the input's
  int port = 0;
  std::string bind = "127.0.0.1";
  bool open_browser = true;
  std::string module_path;
  app::HostSettings host;
  // Polled while serving; once requested the studio ends (the command's Ctrl-C).
  app::CancelToken stop;
};

// Returns the exit status (0 after a clean stop). Throws UsageError or
// EffectError when the studio cannot start.
int RunStudio(const StudioOptions& options);

}  // namespace studio
