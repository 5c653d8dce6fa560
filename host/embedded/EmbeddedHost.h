// The embedded host: implements every callback and suite of the host
// interface over plain memory, so that the effect can be driven (and tested)
// without the application it was written for.
//
// in_data->effect_ref points at the host object, so callbacks that receive it
// find their host directly. Callbacks that carry no context (the handle
// callbacks, the basic suite's functions) reach the host that is current on
// the calling thread: a host makes itself current when constructed and on
// every Call(); MakeCurrent() does it by hand. Handles are process-wide, as in
// a real host process (see HandleHeap).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/embedded/HandleHeap.h"
#include "host/embedded/HostFaults.h"
#include "host/embedded/ParamArray.h"
#include "host/embedded/SuiteRegistry.h"
#include "host/sdk/EffectCallbacks.h"
#include "host/sdk/EffectSuites.h"

namespace embedded {

struct UpdateParamUICall {
  PF_ParamIndex index;
  PF_ParamDef def;
};

class EmbeddedHost {
 public:
  // Defaults: version 13.28, an application code that is not 'KeyG', quality
  // high, downsample 1/1, every suite offered.
  static constexpr A_short kDefaultVersionMajor = 13;
  static constexpr A_short kDefaultVersionMinor = 28;
  static constexpr A_long kDefaultAppId = 0x454D4244;  // 'EMBD'

  EmbeddedHost();
  ~EmbeddedHost();
  EmbeddedHost(const EmbeddedHost&) = delete;
  EmbeddedHost& operator=(const EmbeddedHost&) = delete;

  void MakeCurrent();
  static EmbeddedHost* Current();
  // The host behind an effect_ref this host handed out (null for null).
  static EmbeddedHost* FromEffectRef(PF_ProgPtr effect_ref);

  PF_InData* InData() { return &in_data_; }
  PF_OutData* OutData() { return &out_data_; }

  // ---- What the host reports about itself ------------------------------------
  void SetVersion(A_short major, A_short minor);
  void SetAppId(A_long four_char_code);
  void SetQuality(PF_Quality quality);
  void SetDownsample(PF_RationalScale x, PF_RationalScale y);
  // The time fields of the calls that follow, in units of 1/time_scale
  // seconds: when the frame starts, how long one frame lasts (also the local
  // step), and how long the layer lasts. Default: frame 0 of a one-frame
  // layer at one frame a second.
  void SetTime(A_long current_time, A_long time_step, A_u_long time_scale, A_long total_time);

  // ---- transfer_rect arithmetic ---------------------------------------------------
  // kFast is the host's production path; kReference is the plain double-precision
  // routine kept as the yardstick that tests and recorded frame hashes use, since a
  // host may round its transfer modes its own way (within one level of each other).
  enum class TransferArithmetic { kFast, kReference };
  void SetTransferArithmetic(TransferArithmetic arithmetic) { transfer_arithmetic_ = arithmetic; }
  TransferArithmetic GetTransferArithmetic() const { return transfer_arithmetic_; }

  // ---- Suites -------------------------------------------------------------------
  // Built in: "PF Param Utils Suite" v1, "PF Iterate Generic Suite" v1 and
  // "AEGP File Import Manager Suite" v2.
  // Every registered suite is offered unless told otherwise.
  void RegisterSuite(const std::string& name, int32_t version, const void* table);
  void SetSuiteAnswer(const std::string& name, SuiteAnswer answer);
  // AcquireSuite calls for the name, whatever the answer.
  int AcquireAttempts(const std::string& name) const;
  // Acquisitions that handed out a table: balanced by ReleaseCount when the
  // caller gives back everything it got.
  int AcquireCount(const std::string& name) const;
  int ReleaseCount(const std::string& name) const;
  // PF_UpdateParamUI records each call.
  const std::vector<UpdateParamUICall>& UpdateParamUICalls() const { return ui_calls_; }

  // ---- add_param ------------------------------------------------------------------
  // Registered definitions, in order (index 0 of the parameter array, the
  // input layer, is the host's and is not among them). Name pointers of popups
  // and checkboxes are kept as given: they point into the module's text.
  const std::vector<PF_ParamDef>& RegisteredParams() const { return registered_; }
  void ClearRegisteredParams();

  // ---- abort and progress ------------------------------------------------------
  long ProgressCalls() const { return progress_calls_.load(); }
  // Called by progress / abort when set; their result is the callback's
  // result (unless a fault armed by a test has fired). Empty: answer 0.
  void SetProgressHandler(std::function<PF_Err(A_long current, A_long total)> handler);
  void SetAbortHandler(std::function<PF_Err()> handler);

  // ---- Worlds ------------------------------------------------------------------
  // A world owned by the host for its lifetime. The input layer is not
  // writeable; outputs are. extent_hint is the whole world. Sizes below 1 or
  // above 30000 pixels throw std::invalid_argument naming the limit.
  PF_EffectWorld* CreateWorld(A_long width, A_long height, bool deep, bool writeable);
  // Worlds made by new_world and not yet disposed.
  long LiveWorlds() const;

  // ---- Parameter array of a render ------------------------------------------------
  // Built from the registered definitions, with the given input layer at index
  // 0; values start at their defaults (points delivered for the input world).
  // Also sets in_data's width, height and extent_hint to the input's.
  ParamArray BuildParams(PF_EffectWorld* input);

  // ---- Failures for tests ------------------------------------------------------
  HostFaults& Faults() { return faults_; }

  // ---- Calling a module ------------------------------------------------------------
  PF_Err Call(PF_EntryFunc entry, PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output,
              void* extra);

 private:
  // The callbacks the host installs in in_data.
  static PF_Err AddParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
  static PF_Err Abort(PF_ProgPtr effect_ref);
  static PF_Err Progress(PF_ProgPtr effect_ref, A_long current, A_long total);
  static PF_Err NewWorld(PF_ProgPtr effect_ref, A_long width, A_long height, PF_NewWorldFlags flags,
                         PF_EffectWorld* world);
  static PF_Err DisposeWorld(PF_ProgPtr effect_ref, PF_EffectWorld* world);
  static PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef* def);
  static SPErr AcquireSuite(const char* name, int32_t version, const void** suite);
  // "PF Iterate Generic Suite": the calls go to RunBands (HostThreads.h), and
  // every worker thread takes the calling thread's current host.
  static PF_Err IterateGeneric(A_long iterations, void* refcon, PF_IterateGenericFunc fn);
  static SPErr ReleaseSuite(const char* name, int32_t version);
  static SPBoolean IsEqual(const char* a, const char* b);
  static A_char* StrCpy(A_char* dest, const A_char* src);

  PF_Err AbortAnswer();

  PF_InData in_data_{};
  PF_OutData out_data_{};
  PF_UtilCallbacks utils_{};
  SPBasicSuite basic_suite_{};
  PF_ParamUtilsSuite1 param_utils_suite_{};
  PF_IterateGenericSuite1 iterate_generic_suite_{};
  SuiteRegistry suites_;

  TransferArithmetic transfer_arithmetic_ = TransferArithmetic::kFast;

  HostFaults faults_;
  std::vector<PF_ParamDef> registered_;

  mutable std::mutex mutex_;  // guards UI calls and worlds
  std::vector<UpdateParamUICall> ui_calls_;

  std::atomic<long> progress_calls_{0};
  std::function<PF_Err(A_long, A_long)> progress_handler_;
  std::function<PF_Err()> abort_handler_;

  std::vector<std::unique_ptr<PF_EffectWorld>> created_worlds_;
  std::set<void*> live_new_worlds_;  // pixel buffers of new_world worlds
};

}  // namespace embedded
