// The host interface is a C interface: a callback reports failure by its
// return code and never lets an exception unwind into the module (on Windows
// the module has its own unwinder, which could not catch it). The embedded
// host's callbacks that can throw (they allocate, start threads or call a
// handler the application installed) run their bodies through this guard.
#pragma once

#include <new>

#include "host/sdk/EffectCallbacks.h"

namespace embedded {

template <class Body>
PF_Err GuardCallback(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) { return PF_Err_OUT_OF_MEMORY; } catch (...) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}

}  // namespace embedded
