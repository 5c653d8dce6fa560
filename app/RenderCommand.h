// `lustre-strand render`: frames rendered the way a host renders them, from a
// still, an image sequence or the built-in layer into an image or a sequence.
#pragma once

#include <string>
#include <vector>

#include "app/EffectSession.h"
#include "app/ImageIo.h"

namespace app {

struct RenderOptions {
  std::string input;                        // a file or a frame pattern; empty: the built-in layer
  LayerSize size{1920, 1080};               // of the built-in layer
  std::string output = "lustre-strand.png"; // a file or a frame pattern
  int depth = 0;                            // 8 or 16; 0: the input's (8 when built in)
  std::string params_file;
  std::vector<std::string> sets;            // "NAME=VALUE", applied after the file
  HostSettings host;
  std::string module_path;
  std::string frames;                       // "A-B" or "A"; empty: frame 0
  std::string fps;                          // empty: a video input's rate, else 24
  int jobs = 0;                             // frames at once; 0: one per core
  bool skip_existing = false;
  ImageWriteOptions image;
};

// Renders and writes every frame, printing each file written on standard
// output. Throws UsageError (bad input, nothing written), EffectError (the
// effect failed) or Cancelled (interrupted); frames written before a failure
// stay.
void RunRender(const RenderOptions& options);

}  // namespace app
