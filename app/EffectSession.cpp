#include "app/EffectSession.h"

#include <unistd.h>

#include <stdexcept>

#include "app/AppErrors.h"

namespace app {

std::string ModuleBesideExecutable() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "LustreStrand.so";
  std::string exe(path, static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) +
         "/LustreStrand.so";
}

EffectSession::EffectSession(const std::string& module_path, const HostSettings& settings) {
  try {
    module_ = std::make_unique<embedded::ModuleLoader>(module_path);
  } catch (const embedded::ModuleLoadError& error) {
    throw UsageError(std::string("cannot load the effect module: ") + error.what() +
                     " (give its path with --module)");
  }
  host_ = std::make_unique<embedded::EmbeddedHost>();
  host_->SetVersion(settings.version.major, settings.version.minor);
  host_->SetAppId(settings.app_id);
  host_->SetQuality(settings.quality);
  host_->SetDownsample(settings.downsample.x, settings.downsample.y);

  if (PF_Err err = Call(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr)) FailWith(err, "global set-up");
  if (PF_Err err = Call(PF_Cmd_PARAMS_SETUP, nullptr, nullptr)) FailWith(err, "parameter set-up");
  names_ = std::make_unique<ParamNameTable>(host_->RegisteredParams());
}

PF_Err EffectSession::Call(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output) {
  host_->OutData()->return_msg[0] = '\0';
  return host_->Call(module_->Entry(), cmd, params, output, nullptr);
}

std::string EffectSession::ReturnMessage() {
  std::string message(host_->OutData()->return_msg);
  while (!message.empty() && (message.front() == '\n' || message.front() == '\r')) {
    message.erase(message.begin());
  }
  return message;
}

void EffectSession::FailWith(PF_Err err, const char* during) {
  const std::string message = ReturnMessage();
  throw EffectError(err, "the effect failed during " + std::string(during) + " with error " +
                             std::to_string(err) + (message.empty() ? "" : ": " + message));
}

}  // namespace app
