#include "host/embedded/EmbeddedHost.h"

#include <cstring>
#include <stdexcept>
#include <thread>

#include "host/embedded/CallbackGuard.h"
#include "host/embedded/HostThreads.h"

#include "host/embedded/PixelCallbacks.h"
#include "host/embedded/WorldAllocator.h"
#include "host/embedded/transfer/TransferRect.h"

namespace embedded {

namespace {

thread_local EmbeddedHost* t_current_host = nullptr;

// Only the suite's existence is ever asked; its functions are never called.
struct FileImportManagerSuiteTable {
  void* unused;
};
const FileImportManagerSuiteTable kFileImportManagerSuite{nullptr};

}  // namespace

EmbeddedHost::EmbeddedHost() {
  utils_.blend = HostBlend;
  utils_.fill = HostFill;
  utils_.new_world = NewWorld;
  utils_.dispose_world = DisposeWorld;
  utils_.iterate_origin16 = HostIterateOrigin16;
  utils_.transfer_rect = HostTransferRect;
  utils_.host_new_handle = HandleHeap::HostNewHandle;
  utils_.host_lock_handle = HandleHeap::HostLockHandle;
  utils_.host_unlock_handle = HandleHeap::HostUnlockHandle;
  utils_.host_dispose_handle = HandleHeap::HostDisposeHandle;
  utils_.ansi.strcpy = StrCpy;

  basic_suite_.AcquireSuite = AcquireSuite;
  basic_suite_.ReleaseSuite = ReleaseSuite;
  basic_suite_.IsEqual = IsEqual;

  param_utils_suite_.PF_UpdateParamUI = UpdateParamUI;
  suites_.Register(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &param_utils_suite_);
  iterate_generic_suite_.iterate_generic = IterateGeneric;
  suites_.Register(kPFIterateGenericSuite, kPFIterateGenericSuiteVersion1, &iterate_generic_suite_);
  suites_.Register(kAEGPFileImportManagerSuite, kAEGPFileImportManagerSuiteVersion2,
                   &kFileImportManagerSuite);

  in_data_.inter.add_param = AddParam;
  in_data_.inter.abort = Abort;
  in_data_.inter.progress = Progress;
  in_data_.utils = &utils_;
  in_data_.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
  in_data_.quality = PF_Quality_HI;
  in_data_.version = {kDefaultVersionMajor, kDefaultVersionMinor};
  in_data_.appl_id = kDefaultAppId;
  in_data_.field = PF_Field_FRAME;
  in_data_.time_step = 1;
  in_data_.local_time_step = 1;
  in_data_.total_time = 1;
  in_data_.time_scale = 1;
  in_data_.downsample_x = {1, 1};
  in_data_.downsample_y = {1, 1};
  in_data_.pixel_aspect_ratio = {1, 1};
  in_data_.pica_basicP = &basic_suite_;

  MakeCurrent();
}

EmbeddedHost::~EmbeddedHost() {
  for (auto& world : created_worlds_) { FreeWorldPixels(world.get()); }
  for (void* data : live_new_worlds_) {
    PF_EffectWorld world{};
    world.data = data;
    FreeWorldPixels(&world);
  }
  if (t_current_host == this) { t_current_host = nullptr; }
}

void EmbeddedHost::MakeCurrent() { t_current_host = this; }

EmbeddedHost* EmbeddedHost::Current() { return t_current_host; }

EmbeddedHost* EmbeddedHost::FromEffectRef(PF_ProgPtr effect_ref) {
  return reinterpret_cast<EmbeddedHost*>(effect_ref);
}

void EmbeddedHost::SetVersion(A_short major, A_short minor) { in_data_.version = {major, minor}; }
void EmbeddedHost::SetAppId(A_long four_char_code) { in_data_.appl_id = four_char_code; }
void EmbeddedHost::SetQuality(PF_Quality quality) { in_data_.quality = quality; }

void EmbeddedHost::SetDownsample(PF_RationalScale x, PF_RationalScale y) {
  if (x.den == 0 || y.den == 0 || x.num <= 0 || y.num <= 0) {
    throw std::invalid_argument("downsample factors need a positive numerator and denominator");
  }
  in_data_.downsample_x = x;
  in_data_.downsample_y = y;
}

void EmbeddedHost::SetTime(A_long current_time, A_long time_step, A_u_long time_scale,
                           A_long total_time) {
  in_data_.current_time = current_time;
  in_data_.time_step = time_step;
  in_data_.local_time_step = time_step;
  in_data_.time_scale = time_scale;
  in_data_.total_time = total_time;
}

// ---- Suites ----------------------------------------------------------------------

void EmbeddedHost::RegisterSuite(const std::string& name, int32_t version, const void* table) {
  suites_.Register(name, version, table);
}

void EmbeddedHost::SetSuiteAnswer(const std::string& name, SuiteAnswer answer) {
  suites_.SetAnswer(name, answer);
}

int EmbeddedHost::AcquireAttempts(const std::string& name) const {
  return suites_.AcquireAttempts(name);
}

int EmbeddedHost::AcquireCount(const std::string& name) const { return suites_.AcquireCount(name); }

int EmbeddedHost::ReleaseCount(const std::string& name) const { return suites_.ReleaseCount(name); }

SPErr EmbeddedHost::AcquireSuite(const char* name, int32_t version, const void** suite) {
  EmbeddedHost* host = Current();
  if (host == nullptr) {
    if (suite != nullptr) { *suite = nullptr; }
    return SuiteRegistry::kSuiteNotFoundError;
  }
  return GuardCallback([&]() -> PF_Err { return host->suites_.Acquire(name, version, suite); });
}

SPErr EmbeddedHost::ReleaseSuite(const char* name, int32_t version) {
  EmbeddedHost* host = Current();
  return host != nullptr ? host->suites_.Release(name, version)
                         : SuiteRegistry::kSuiteNotFoundError;
}

PF_Err EmbeddedHost::IterateGeneric(A_long iterations, void* refcon, PF_IterateGenericFunc fn) {
  return GuardCallback([&]() -> PF_Err {
    if (iterations <= 0 || fn == nullptr) { return PF_Err_NONE; }
    EmbeddedHost* host = Current();
    const std::thread::id caller = std::this_thread::get_id();
    std::mutex index_mutex;
    std::vector<std::thread::id> workers;  // worker k has thread index k + 1
    const auto thread_index = [&]() -> A_long {
      const std::thread::id self = std::this_thread::get_id();
      if (self == caller) return 0;
      std::lock_guard<std::mutex> lock(index_mutex);
      for (size_t k = 0; k < workers.size(); ++k) {
        if (workers[k] == self) return static_cast<A_long>(k + 1);
      }
      workers.push_back(self);
      return static_cast<A_long>(workers.size());
    };
    std::vector<PF_Err> errors(static_cast<size_t>(iterations), PF_Err_NONE);
    RunBands(static_cast<int>(iterations), [&](int i) {
      if (host != nullptr && Current() != host) host->MakeCurrent();
      errors[static_cast<size_t>(i)] = fn(refcon, thread_index(), i, iterations);
    });
    for (PF_Err err : errors) {
      if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
  });
}

SPBoolean EmbeddedHost::IsEqual(const char* a, const char* b) {
  return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

PF_Err EmbeddedHost::UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                                   const PF_ParamDef* def) {
  return GuardCallback([&]() -> PF_Err {
    EmbeddedHost* host = FromEffectRef(effect_ref);
    if (host == nullptr || def == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
    std::lock_guard<std::mutex> lock(host->mutex_);
    host->ui_calls_.push_back({index, *def});
    return host->faults_.NextUpdateParamUI();
  });
}

// ---- add_param ----------------------------------------------------------------------

void EmbeddedHost::ClearRegisteredParams() { registered_.clear(); }

PF_Err EmbeddedHost::AddParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) {
  return GuardCallback([&]() -> PF_Err {
    EmbeddedHost* host = FromEffectRef(effect_ref);
    if (host == nullptr || def == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
    if (const PF_Err fault = host->faults_.NextAddParam()) { return fault; }
    // Only appending (index -1) is supported.
    if (index != -1) { return PF_Err_INVALID_INDEX; }
    host->registered_.push_back(*def);
    return PF_Err_NONE;
  });
}

// ---- abort and progress ---------------------------------------------------------------

void EmbeddedHost::SetProgressHandler(std::function<PF_Err(A_long, A_long)> handler) {
  progress_handler_ = std::move(handler);
}

void EmbeddedHost::SetAbortHandler(std::function<PF_Err()> handler) {
  abort_handler_ = std::move(handler);
}

PF_Err EmbeddedHost::AbortAnswer() { return faults_.AbortAnswer(progress_calls_.load()); }

PF_Err EmbeddedHost::Abort(PF_ProgPtr effect_ref) {
  return GuardCallback([&]() -> PF_Err {
    EmbeddedHost* host = FromEffectRef(effect_ref);
    if (host == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
    const PF_Err err = host->AbortAnswer();
    if (err != PF_Err_NONE) { return err; }
    return host->abort_handler_ ? host->abort_handler_() : PF_Err_NONE;
  });
}

PF_Err EmbeddedHost::Progress(PF_ProgPtr effect_ref, A_long current, A_long total) {
  return GuardCallback([&]() -> PF_Err {
    EmbeddedHost* host = FromEffectRef(effect_ref);
    if (host == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
    // The call that reaches the limit still succeeds; the ones after it fail.
    const PF_Err err = host->AbortAnswer();
    ++host->progress_calls_;
    if (err != PF_Err_NONE) { return err; }
    return host->progress_handler_ ? host->progress_handler_(current, total) : PF_Err_NONE;
  });
}

// ---- Worlds ---------------------------------------------------------------------------

PF_EffectWorld* EmbeddedHost::CreateWorld(A_long width, A_long height, bool deep, bool writeable) {
  if (const char* problem = WorldSizeProblem(width, height)) {
    throw std::invalid_argument(problem);
  }
  auto world = std::make_unique<PF_EffectWorld>();
  if (!AllocateWorldPixels(width, height, deep, writeable ? PF_WorldFlag_WRITEABLE : 0,
                           world.get())) {
    throw std::bad_alloc();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  created_worlds_.push_back(std::move(world));
  return created_worlds_.back().get();
}

long EmbeddedHost::LiveWorlds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(live_new_worlds_.size());
}

PF_Err EmbeddedHost::NewWorld(PF_ProgPtr effect_ref, A_long width, A_long height,
                              PF_NewWorldFlags flags, PF_EffectWorld* world) {
  return GuardCallback([&]() -> PF_Err {
    EmbeddedHost* host = FromEffectRef(effect_ref);
    if (host == nullptr || world == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
    if (const PF_Err fault = host->faults_.NextNewWorld()) { return fault; }
    // Too large or empty worlds are refused the way a host out of memory does.
    if (WorldSizeProblem(width, height) != nullptr) { return PF_Err_OUT_OF_MEMORY; }
    const bool deep = (flags & PF_NewWorldFlag_DEEP_PIXELS) != 0;
    if (!AllocateWorldPixels(width, height, deep, PF_WorldFlag_WRITEABLE, world)) {
      return PF_Err_OUT_OF_MEMORY;
    }
    if ((flags & PF_NewWorldFlag_CLEAR_PIXELS) != 0) {
      std::memset(world->data, 0,
                  static_cast<size_t>(world->rowbytes) * static_cast<size_t>(world->height));
    }
    try {
      std::lock_guard<std::mutex> lock(host->mutex_);
      host->live_new_worlds_.insert(world->data);
    } catch (...) {
      FreeWorldPixels(world);
      throw;
    }
    return PF_Err_NONE;
  });
}

PF_Err EmbeddedHost::DisposeWorld(PF_ProgPtr effect_ref, PF_EffectWorld* world) {
  EmbeddedHost* host = FromEffectRef(effect_ref);
  if (host == nullptr || world == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  {
    std::lock_guard<std::mutex> lock(host->mutex_);
    // Only worlds that new_world made may be disposed.
    if (host->live_new_worlds_.erase(world->data) == 0) { return PF_Err_BAD_CALLBACK_PARAM; }
  }
  FreeWorldPixels(world);
  return PF_Err_NONE;
}

// ---- Parameters and calls -----------------------------------------------------------------

A_char* EmbeddedHost::StrCpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }

ParamArray EmbeddedHost::BuildParams(PF_EffectWorld* input) {
  if (input != nullptr) {
    in_data_.width = input->width;
    in_data_.height = input->height;
    in_data_.extent_hint = {0, 0, input->width, input->height};
  }
  return ParamArray(&in_data_, input, registered_);
}

PF_Err EmbeddedHost::Call(PF_EntryFunc entry, PF_Cmd cmd, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) {
  MakeCurrent();
  return entry(cmd, &in_data_, &out_data_, params, output, extra);
}

}  // namespace embedded
