// The effect's side of the host's command protocol: every call hands the
// memory wrappers the call's handle callbacks, probes the host, applies the
// low-quality quirk of one host, dispatches the command, puts back what the
// quirk changed and turns failures into the host's error codes and messages.
// The module's exported PluginEntry calls this.
#pragma once

#include <cstddef>

#include "host/sdk/EffectCallbacks.h"

namespace shell {

PF_Err PluginEntry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                   PF_LayerDef* output, void* extra);

// Credits that end the about text.
inline constexpr const char kCredits[] = "Written by the Lustre Strand team.";

// Stage names by number; 3 and anything unknown read "Release".
const char* StageName(int stage);

// Writes the about text into out (at most size bytes, terminated).
void WriteAboutText(char* out, std::size_t size);

// Prefixes the message with the effect's name ("\n<name> [ <message> ]") and
// cuts the result at 254 characters.
void DecorateMessage(char* return_msg);

}  // namespace shell
