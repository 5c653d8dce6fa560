// Failures a test asks the embedded host to make: refuse the Nth add_param
// or PF_UpdateParamUI call, refuse every new_world, or answer abort and
// progress with an error after so many progress calls. Kept apart from the
// calls a host makes, so that a front-end sees only the latter; a test
// reaches them through EmbeddedHost::Faults(). The host asks Next...() on
// each call; nothing fails until a test arms a fault.
#pragma once

#include <mutex>

#include "host/sdk/EffectTypes.h"

namespace embedded {

class HostFaults {
 public:
  // The nth call from now (1-based) fails with err; nth 0 disarms.
  void FailAddParamAt(int nth, PF_Err err);
  void FailUpdateParamUIAt(int nth, PF_Err err);
  // Every new_world fails with err; PF_Err_NONE: never.
  void FailNewWorldWith(PF_Err err);
  // After n progress calls every further abort and progress call returns err
  // (n = 0: the first call already does); -1: never.
  void AbortAfterProgressCalls(long n, PF_Err err = PF_Interrupt_CANCEL);

  // For the host: each counts one call and returns the error it must give,
  // PF_Err_NONE when it goes ahead.
  PF_Err NextAddParam();
  PF_Err NextUpdateParamUI();
  PF_Err NextNewWorld() const;
  // The answer to abort or progress after `progress_calls` progress calls.
  PF_Err AbortAnswer(long progress_calls) const;

 private:
  mutable std::mutex mutex_;
  long add_param_calls_ = 0;
  long fail_add_param_at_ = 0;
  PF_Err fail_add_param_err_ = PF_Err_NONE;
  long ui_calls_ = 0;
  long fail_ui_at_ = 0;
  PF_Err fail_ui_err_ = PF_Err_NONE;
  PF_Err fail_new_world_err_ = PF_Err_NONE;
  long abort_after_ = -1;
  PF_Err abort_err_ = PF_Interrupt_CANCEL;
};

}  // namespace embedded
