#include "app/session/EffectSession.h"

namespace app {
namespace {

std::shared_ptr<const EffectModule> LoadModule(const std::string& path) {
  try {
    return std::make_shared<const EffectModule>(path);
  } catch (const embedded::ModuleLoadError& error) {
    throw UsageError(std::string("cannot load the effect module: ") + error.what(),
                     Hint::kModuleLocation);
  }
}

}  // namespace

EffectSession::EffectSession(const std::string& module_path, const HostSettings& settings)
    : EffectSession(LoadModule(module_path), settings) {}

EffectSession::EffectSession(std::shared_ptr<const EffectModule> module,
                             const HostSettings& settings)
    : module_(std::move(module)), host_(std::make_unique<embedded::EmbeddedHost>()) {
  host_->SetVersion(settings.version.major, settings.version.minor);
  host_->SetAppId(settings.app_id);
  host_->SetQuality(settings.quality);
  host_->SetDownsample(settings.downsample.x, settings.downsample.y);

  if (PF_Err err = Call(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr)) FailWith(err, "global set-up");
  if (PF_Err err = Call(PF_Cmd_PARAMS_SETUP, nullptr, nullptr)) FailWith(err, "parameter set-up");
  names_ = std::make_unique<ParamNameTable>(host_->RegisteredParams());
}

PF_Err EffectSession::Call(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output) {
  ClearMessage(*host_);
  return module_->Call(*host_, cmd, params, output);
}

void EffectSession::FailWith(PF_Err err, const char* during) {
  throw CallFailure(*host_, err, during);
}

}  // namespace app
