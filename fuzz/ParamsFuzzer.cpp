// The command's parameter values as a user gives them: a JSON params file,
// keyframes included (first input byte even), or --set NAME=VALUE options,
// one a line (odd), resolved against the parameters the loaded module
// registers,
// checked key by key and applied at a few frames. A refusal must be a
// UsageError (the command's exit 2 with a message); any other exception,
// crash or sanitizer report is a fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "app/params/ParamSettings.h"
#include "app/params/ParamsJson.h"
#include "app/session/EffectSession.h"
#include "cli/OptionParsing.h"
#include "host/embedded/ParamArray.h"

namespace {

struct Effect {
  std::unique_ptr<app::EffectSession> session;
  PF_EffectWorld* layer = nullptr;
};

Effect* g_effect = nullptr;

void Apply(const std::vector<app::ParamAssignment>& assignments) {
  embedded::ParamArray params = g_effect->session->Host().BuildParams(g_effect->layer);
  app::CheckKeyframes(params, assignments);
  // Before the first key, on and between keys, and long after the last.
  for (long frame : {0L, 1L, 7L, 48L, 1L << 30}) app::ApplyAssignments(params, assignments, frame);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_effect = new Effect;
  // Half-size rendering, so that point values are scaled before their range check.
  app::HostSettings settings;
  settings.downsample = {{1, 2}, {1, 2}};
  try {
    g_effect->session = std::make_unique<app::EffectSession>(LUSTRE_MODULE_PATH, settings);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fuzz_params: the effect's set-up failed: %s\n", error.what());
    std::abort();
  }
  g_effect->layer = g_effect->session->Host().CreateWorld(64, 48, false, false);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    if (data[0] % 2 == 0) {
      Apply(app::ParseParamsJson(text, "fuzz.json", g_effect->session->Names()));
    } else {
      std::vector<app::ParamAssignment> assignments;
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);) {
        assignments.push_back(cli::ParseSetOption(line, g_effect->session->Names()));
      }
      Apply(assignments);
    }
  } catch (const app::UsageError&) {
    // Refused with a message: what the command does with bad input.
  }
  return 0;
}
