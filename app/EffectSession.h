// The effect loaded and set up the way a host application does it: open the
// module, tell the embedded host what it reports about itself, send global
// set-up and parameter set-up, and learn the parameter names.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/OptionParsing.h"
#include "app/ParamNames.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/ModuleLoader.h"

namespace app {

struct HostSettings {
  HostVersion version{embedded::EmbeddedHost::kDefaultVersionMajor,
                      embedded::EmbeddedHost::kDefaultVersionMinor};
  A_long app_id = embedded::EmbeddedHost::kDefaultAppId;
  PF_Quality quality = PF_Quality_HI;
  Downsample downsample;
};

// LustreStrand.so in the folder of the running executable.
std::string ModuleBesideExecutable();

class EffectSession {
 public:
  // Throws UsageError when the module cannot be loaded and EffectError when a
  // set-up command fails.
  EffectSession(const std::string& module_path, const HostSettings& settings);

  embedded::EmbeddedHost& Host() { return *host_; }
  const ParamNameTable& Names() const { return *names_; }
  embedded::ModuleLoader& Module() { return *module_; }

  // Sends a command; a result other than PF_Err_NONE is returned as is.
  PF_Err Call(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output);

  // The effect's message for a failed call, without the leading line break
  // the effect puts before its decoration.
  std::string ReturnMessage();

  // Throws EffectError with the code and the effect's message.
  [[noreturn]] void FailWith(PF_Err err, const char* during);

 private:
  // The module outlives the host: registered definitions point at its text.
  std::unique_ptr<embedded::ModuleLoader> module_;
  std::unique_ptr<embedded::EmbeddedHost> host_;
  std::unique_ptr<ParamNameTable> names_;
};

}  // namespace app
