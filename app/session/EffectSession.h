// The effect set up the way a host application does it: tell an embedded host
// what it reports about itself, send global set-up and parameter set-up
// through it, and learn the parameter names. The command, the frei0r plug-in
// and the fuzz targets each hold one; hosts of their own (one a plug-in
// instance) call the same module through Module().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/params/ParamNames.h"
#include "app/session/EffectModule.h"
#include "app/session/ModuleLocation.h"
#include "app/session/SessionTypes.h"
#include "host/embedded/EmbeddedHost.h"

namespace app {

struct HostSettings {
  HostVersion version{embedded::EmbeddedHost::kDefaultVersionMajor,
                      embedded::EmbeddedHost::kDefaultVersionMinor};
  A_long app_id = embedded::EmbeddedHost::kDefaultAppId;
  PF_Quality quality = PF_Quality_HI;
  Downsample downsample;
};

class EffectSession {
 public:
  // Loads the module: UsageError "cannot load the effect module: ..." (with
  // Hint::kModuleLocation) when it cannot be; EffectError when a set-up
  // command fails.
  EffectSession(const std::string& module_path, const HostSettings& settings);
  // A module already loaded, shared with other sessions or hosts.
  EffectSession(std::shared_ptr<const EffectModule> module, const HostSettings& settings);

  embedded::EmbeddedHost& Host() { return *host_; }
  const EffectModule& Module() const { return *module_; }
  std::shared_ptr<const EffectModule> SharedModule() const { return module_; }
  const ParamNameTable& Names() const { return *names_; }
  const std::vector<PF_ParamDef>& Registered() const { return host_->RegisteredParams(); }

  // Sends a command through this session's host, its message cleared first;
  // a result other than PF_Err_NONE is returned as is.
  PF_Err Call(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output);

  // Throws EffectError with the code and the effect's message.
  [[noreturn]] void FailWith(PF_Err err, const char* during);

 private:
  // The module outlives the host: registered definitions point at its text.
  std::shared_ptr<const EffectModule> module_;
  std::unique_ptr<embedded::EmbeddedHost> host_;
  std::unique_ptr<ParamNameTable> names_;
};

}  // namespace app
