// The embedded host: implements every callback and suite of the host
// interface over plain memory, so that the effect can be driven (and tested)
// without the application it was written for.
//
// Callbacks that carry no context (the handle callbacks, the basic suite's
// functions) reach the host that is current on the calling thread: a host makes
// itself current when constructed and on every Call(); MakeCurrent() does it by
// hand. Handles are process-wide, as in a real host process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/embedded/HandleHeap.h"
#include "host/embedded/ParamArray.h"
#include "host/sdk/AE_EffectCB.h"
#include "host/sdk/AE_EffectSuites.h"

namespace embedded {

// How the basic suite answers AcquireSuite for one suite name.
enum class SuiteAnswer { kOffer, kRefuse, kNull };

struct UpdateParamUICall {
  PF_ParamIndex index;
  PF_ParamDef def;
};

class EmbeddedHost {
 public:
  EmbeddedHost();
  ~EmbeddedHost();
  EmbeddedHost(const EmbeddedHost&) = delete;
  EmbeddedHost& operator=(const EmbeddedHost&) = delete;

  void MakeCurrent();
  static EmbeddedHost* Current();

  PF_InData* InData() { return &in_data_; }
  PF_OutData* OutData() { return &out_data_; }

  // ---- What the host reports about itself ------------------------------------
  void SetVersion(A_short major, A_short minor);
  void SetAppId(A_long four_char_code);
  void SetQuality(PF_Quality quality);
  void SetDownsample(PF_RationalScale x, PF_RationalScale y);

  // ---- Suites -------------------------------------------------------------------
  // Every suite is offered by default.
  void SetSuiteAnswer(const std::string& name, SuiteAnswer answer);
  int AcquireCount(const std::string& name) const;
  int ReleaseCount(const std::string& name) const;
  // PF_UpdateParamUI records each call; the Nth call (1-based) can be made to fail.
  const std::vector<UpdateParamUICall>& UpdateParamUICalls() const { return ui_calls_; }
  void FailUpdateParamUIAt(int nth, PF_Err err);

  // ---- add_param ------------------------------------------------------------------
  // Registered definitions, in order (index 0 of the parameter array, the
  // input layer, is the host's and is not among them).
  const std::vector<PF_ParamDef>& RegisteredParams() const { return registered_; }
  void ClearRegisteredParams();
  void FailAddParamAt(int nth, PF_Err err);  // nth call from now, 1-based

  // ---- abort and progress ------------------------------------------------------
  void AbortAfterProgressCalls(long n, PF_Err err = PF_Interrupt_CANCEL);  // -1: never
  long ProgressCalls() const { return progress_calls_; }

  // ---- Worlds ------------------------------------------------------------------
  // A world owned by the host for its lifetime. The input layer is not
  // writeable; outputs are, and their extent_hint is the whole world.
  PF_EffectWorld* CreateWorld(A_long width, A_long height, bool deep, bool writeable);
  long LiveWorlds() const { return live_worlds_; }
  void FailNewWorldWith(PF_Err err);  // PF_Err_NONE: never fail

  // ---- Parameter array of a render ------------------------------------------------
  // Built from the registered definitions, with the given input layer at index
  // 0; values start at their defaults (points delivered for the given world).
  ParamArray BuildParams(PF_EffectWorld* input);

  // ---- Calling a module ------------------------------------------------------------
  PF_Err Call(PF_EntryFunc entry, PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output,
              void* extra);

  // Internal: the callback implementations reach the host through these.
  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  PF_InData in_data_{};
  PF_OutData out_data_{};
  PF_UtilCallbacks utils_{};
  SPBasicSuite basic_suite_{};
  std::vector<PF_ParamDef> registered_;
  std::vector<UpdateParamUICall> ui_calls_;
  long progress_calls_ = 0;
  long live_worlds_ = 0;
  std::unique_ptr<Impl> impl_;
};

}  // namespace embedded
