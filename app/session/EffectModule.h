// The effect module as every host of this program loads and calls it: opened
// once (ModuleLocation.h says where it is looked for) and called under one
// lock for the whole process. The module writes a
// process-wide host record at the start of every call, so two calls at once
// (two plug-in instances on two threads, two sessions of a server) must take
// turns; the parallel work belongs inside a call, on the embedded host's
// threads (HostThreads.h).
#pragma once

#include <string>
#include <vector>

#include "app/AppErrors.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/ModuleLoader.h"

namespace app {

class EffectModule {
 public:
  // Throws embedded::ModuleLoadError naming the path when it cannot be loaded.
  explicit EffectModule(const std::string& path);

  const std::string& Path() const { return loader_.Path(); }
  std::vector<unsigned char> Descriptor() const { return loader_.Descriptor(); }

  // Sends a command through `host`, under the process-wide lock; the result
  // is returned as is. The host's message is left as it was (a host clears
  // it before a call whose failure it reports: ReturnMessage).
  PF_Err Call(embedded::EmbeddedHost& host, PF_Cmd cmd, PF_ParamDef* params[] = nullptr,
              PF_LayerDef* output = nullptr, void* extra = nullptr) const;

 private:
  embedded::ModuleLoader loader_;
};

// The effect's message for the host's last failed call, without the leading
// line break the effect puts before its decoration. Clear the message
// (ClearMessage) before the call, or a message of an earlier call may show.
void ClearMessage(embedded::EmbeddedHost& host);
std::string ReturnMessage(embedded::EmbeddedHost& host);

// "the effect failed during DURING with error N: MESSAGE", with the code.
EffectError CallFailure(embedded::EmbeddedHost& host, PF_Err err, const std::string& during);

}  // namespace app
