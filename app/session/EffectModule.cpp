#include "app/session/EffectModule.h"

#include <mutex>

namespace app {
namespace {

// Every call into the module, from every host of the process.
std::mutex g_module_calls;

}  // namespace

EffectModule::EffectModule(const std::string& path) : loader_(path) {}

PF_Err EffectModule::Call(embedded::EmbeddedHost& host, PF_Cmd cmd, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) const {
  const std::lock_guard<std::mutex> lock(g_module_calls);
  return host.Call(loader_.Entry(), cmd, params, output, extra);
}

void ClearMessage(embedded::EmbeddedHost& host) { host.OutData()->return_msg[0] = '\0'; }

std::string ReturnMessage(embedded::EmbeddedHost& host) {
  std::string message(host.OutData()->return_msg);
  while (!message.empty() && (message.front() == '\n' || message.front() == '\r')) {
    message.erase(message.begin());
  }
  return message;
}

EffectError CallFailure(embedded::EmbeddedHost& host, PF_Err err, const std::string& during) {
  const std::string message = ReturnMessage(host);
  return EffectError(err, "the effect failed during " + during + " with error " +
                              std::to_string(err) + (message.empty() ? "" : ": " + message));
}

}  // namespace app
