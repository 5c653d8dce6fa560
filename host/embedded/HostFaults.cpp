#include "host/embedded/HostFaults.h"

namespace embedded {
namespace {

// The count at which a fault armed now fires: the nth call after `calls`.
long FailAt(long calls, int nth) { return nth > 0 ? calls + nth : 0; }

}  // namespace

void HostFaults::FailAddParamAt(int nth, PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_add_param_at_ = FailAt(add_param_calls_, nth);
  fail_add_param_err_ = err;
}

void HostFaults::FailUpdateParamUIAt(int nth, PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_ui_at_ = FailAt(ui_calls_, nth);
  fail_ui_err_ = err;
}

void HostFaults::FailNewWorldWith(PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  fail_new_world_err_ = err;
}

void HostFaults::AbortAfterProgressCalls(long n, PF_Err err) {
  std::lock_guard<std::mutex> lock(mutex_);
  abort_after_ = n;
  abort_err_ = err;
}

PF_Err HostFaults::NextAddParam() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++add_param_calls_;
  return fail_add_param_at_ != 0 && add_param_calls_ == fail_add_param_at_ ? fail_add_param_err_
                                                                           : PF_Err_NONE;
}

PF_Err HostFaults::NextUpdateParamUI() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++ui_calls_;
  return fail_ui_at_ != 0 && ui_calls_ == fail_ui_at_ ? fail_ui_err_ : PF_Err_NONE;
}

PF_Err HostFaults::NextNewWorld() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fail_new_world_err_;
}

PF_Err HostFaults::AbortAnswer(long progress_calls) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return abort_after_ >= 0 && progress_calls >= abort_after_ ? abort_err_ : PF_Err_NONE;
}

}  // namespace embedded
