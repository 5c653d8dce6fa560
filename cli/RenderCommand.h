// `lustre-strand render`: frames rendered the way a host renders them, from a
// still, an image sequence or the built-in layer into an image or a sequence.
#pragma once

#include <string>
#include <vector>

#include "app/media/ImageIo.h"
#include "app/session/EffectSession.h"
#include "app/session/SessionTypes.h"

namespace cli {

struct RenderOptions {
  std::string input;                         // a file or a frame pattern; empty: the built-in layer
  app::LayerSize size{1920, 1080};           // of the built-in layer
  std::string output = "lustre-strand.png";  // a file or a frame pattern
  int depth = 0;                             // 8 or 16; 0: the input's (8 when built in)
  std::string params_file;
  std::vector<std::string> sets;  // "NAME=VALUE", applied after the file
  app::HostSettings host;
  std::string module_path;
  std::string frames;  // "A-B" or "A"; empty: the input's frames, or 0
  std::string fps;     // empty: the input's rate, or 24
  int jobs = 0;        // frames at once; 0: one per core
  bool skip_existing = false;
  app::ImageWriteOptions image;
  // A descriptor that receives "start N" (frames to render) and then
  // "frame F" as each frame is written: progress for a program that runs
  // the command (the studio's export). -1: none.
  int progress_fd = -1;
};

// Renders and writes every frame, printing each file written on standard
// output and a progress line on standard error when it is a terminal; Ctrl-C
// cancels. Throws UsageError (bad input, nothing written), EffectError (the
// effect failed) or Cancelled (interrupted); frames written before a failure
// stay.
void RunRender(const RenderOptions& options);

}  // namespace cli
