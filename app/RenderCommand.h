// `lustre-strand render`: one frame, the way a host renders it.
#pragma once

#include <string>
#include <vector>

#include "app/EffectSession.h"

namespace app {

struct RenderOptions {
  std::string input;                        // empty: the built-in layer
  LayerSize size{1920, 1080};               // of the built-in layer
  std::string output = "lustre-strand.png";
  int depth = 0;                            // 8 or 16; 0: the input's (8 when built in)
  std::string params_file;
  std::vector<std::string> sets;            // "NAME=VALUE", applied after the file
  HostSettings host;
  std::string module_path;
};

// Renders and writes the output. Throws UsageError (bad input, nothing
// written), EffectError (the effect failed) or Cancelled (interrupted).
void RunRender(const RenderOptions& options);

}  // namespace app
