// The module's two exported functions and its unload check.
#include "Common/MemoryWrappers.h"
#include "host/sdk/EffectCallbacks.h"
#include "shell/Descriptor.h"
#include "shell/PluginEntry.h"

#define LUSTRE_EXPORT extern "C" __attribute__((visibility("default")))

// Nothing unwinds out of the module: the host interface is a C interface
// (shell::PluginEntry turns every exception into an error code).
LUSTRE_EXPORT PF_Err PluginEntry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                 PF_ParamDef* params[], PF_LayerDef* output, void* extra) noexcept {
  return shell::PluginEntry(cmd, in_data, out_data, params, output, extra);
}

// Hands a host the descriptor bytes and their count.
LUSTRE_EXPORT const unsigned char* LustreStrand_Descriptor(unsigned int* size) {
  return descriptor::DescriptorBytes(size);
}

// Runs when the module is unloaded, before its static objects are destroyed
// (so the memory lock still exists): every block must have been released.
__attribute__((destructor)) static void CheckMemoryAtUnload() {
  MemoryWrappers::CheckEmptyAtUnload();
}
