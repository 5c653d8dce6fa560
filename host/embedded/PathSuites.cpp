#include "host/embedded/PathSuites.h"

#include <algorithm>

namespace embedded {

struct PathSuites::Outline {
  PF_PathID id;
  const Mask* mask;
};

namespace {

std::mutex g_registry_mutex;
std::map<EmbeddedHost*, PathSuites*>& Registry() {
  static std::map<EmbeddedHost*, PathSuites*> registry;
  return registry;
}

}  // namespace

PathSuites::PathSuites(EmbeddedHost& host) : host_(host) {
  query_suite_.PF_NumPaths = NumPaths;
  query_suite_.PF_PathInfo = PathInfo;
  query_suite_.PF_CheckoutPath = CheckoutPath;
  query_suite_.PF_CheckinPath = CheckinPath;
  data_suite_.PF_PathIsOpen = PathIsOpen;
  data_suite_.PF_PathNumSegments = PathNumSegments;
  data_suite_.PF_PathVertexInfo = PathVertexInfo;
  {
    std::lock_guard<std::mutex> hold(g_registry_mutex);
    Registry()[&host_] = this;
  }
  host_.RegisterSuite(kPFPathQuerySuite, kPFPathQuerySuiteVersion1, &query_suite_);
  host_.RegisterSuite(kPFPathDataSuite, kPFPathDataSuiteVersion1, &data_suite_);
}

PathSuites::~PathSuites() {
  {
    std::lock_guard<std::mutex> hold(g_registry_mutex);
    Registry().erase(&host_);
  }
  for (Outline* outline : outlines_) { delete outline; }
}

PF_PathID PathSuites::AddMask(const std::vector<PF_PathVertex>& vertices, bool open) {
  std::lock_guard<std::mutex> hold(mutex_);
  masks_.push_back(Mask{false, open, vertices});
  return static_cast<PF_PathID>(masks_.size());
}

PF_PathID PathSuites::AddEmptyMask() {
  std::lock_guard<std::mutex> hold(mutex_);
  masks_.push_back(Mask{true, true, {}});
  return static_cast<PF_PathID>(masks_.size());
}

void PathSuites::FailFunction(Function function, PF_Err err) {
  std::lock_guard<std::mutex> hold(mutex_);
  failures_[function] = err;
}

int PathSuites::CheckoutCount() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return checkouts_;
}

int PathSuites::CheckinCount() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return checkins_;
}

int PathSuites::OutstandingCheckouts() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return static_cast<int>(outlines_.size());
}

int PathSuites::DataQueryCount() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return data_queries_;
}

std::vector<PathSuites::CheckoutRequest> PathSuites::CheckoutRequests() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return requests_;
}

std::vector<A_long> PathSuites::VerticesAsked() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return vertices_asked_;
}

PathSuites* PathSuites::ForEffectRef(PF_ProgPtr effect_ref) {
  EmbeddedHost* host = EmbeddedHost::FromEffectRef(effect_ref);
  std::lock_guard<std::mutex> hold(g_registry_mutex);
  auto found = Registry().find(host);
  return found != Registry().end() ? found->second : nullptr;
}

PF_Err PathSuites::FailureOf(Function function) const {
  auto found = failures_.find(function);
  return found != failures_.end() ? found->second : PF_Err_NONE;
}

const PathSuites::Mask* PathSuites::MaskOf(PF_PathOutlinePtr path) const {
  auto* outline = reinterpret_cast<Outline*>(path);
  if (std::find(outlines_.begin(), outlines_.end(), outline) == outlines_.end()) { return nullptr; }
  return outline->mask;
}

PF_Err PathSuites::NumPaths(PF_ProgPtr effect_ref, A_long* num_paths) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || num_paths == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  *num_paths = static_cast<A_long>(self->masks_.size());
  return PF_Err_NONE;
}

PF_Err PathSuites::PathInfo(PF_ProgPtr effect_ref, A_long index, PF_PathID* unique_id) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || unique_id == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  if (index < 0 || index >= static_cast<A_long>(self->masks_.size())) {
    return PF_Err_INVALID_INDEX;
  }
  *unique_id = index + 1;
  return PF_Err_NONE;
}

PF_Err PathSuites::CheckoutPath(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time,
                                A_long time_step, A_u_long time_scale, PF_PathOutlinePtr* path) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || path == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  self->requests_.push_back({unique_id, what_time, time_step, time_scale});
  if (PF_Err err = self->FailureOf(Function::kCheckout)) { return err; }
  if (unique_id < 1 || unique_id > static_cast<PF_PathID>(self->masks_.size())) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const Mask& mask = self->masks_[static_cast<size_t>(unique_id - 1)];
  if (mask.empty) {
    *path = nullptr;
    return PF_Err_NONE;
  }
  auto* outline = new Outline{unique_id, &mask};
  self->outlines_.push_back(outline);
  ++self->checkouts_;
  *path = reinterpret_cast<PF_PathOutlinePtr>(outline);
  return PF_Err_NONE;
}

PF_Err PathSuites::CheckinPath(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean /*changed*/,
                               PF_PathOutlinePtr path) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  if (PF_Err err = self->FailureOf(Function::kCheckin)) { return err; }
  auto* outline = reinterpret_cast<Outline*>(path);
  auto found = std::find(self->outlines_.begin(), self->outlines_.end(), outline);
  if (found == self->outlines_.end() || outline->id != unique_id) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  self->outlines_.erase(found);
  delete outline;
  ++self->checkins_;
  return PF_Err_NONE;
}

PF_Err PathSuites::PathIsOpen(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || open == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  ++self->data_queries_;
  if (PF_Err err = self->FailureOf(Function::kIsOpen)) { return err; }
  const Mask* mask = self->MaskOf(path);
  if (mask == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  *open = mask->open ? 1 : 0;
  return PF_Err_NONE;
}

PF_Err PathSuites::PathNumSegments(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                   A_long* num_segments) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || num_segments == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  ++self->data_queries_;
  if (PF_Err err = self->FailureOf(Function::kNumSegments)) { return err; }
  const Mask* mask = self->MaskOf(path);
  if (mask == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  const auto n = static_cast<A_long>(mask->vertices.size());
  // An open mask of n vertices has n - 1 segments; a closed one also has the
  // segment from its last vertex back to the first.
  *num_segments = n == 0 ? 0 : (mask->open ? n - 1 : n);
  return PF_Err_NONE;
}

PF_Err PathSuites::PathVertexInfo(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which,
                                  PF_PathVertex* vertex) {
  PathSuites* self = ForEffectRef(effect_ref);
  if (self == nullptr || vertex == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  std::lock_guard<std::mutex> hold(self->mutex_);
  ++self->data_queries_;
  self->vertices_asked_.push_back(which);
  if (PF_Err err = self->FailureOf(Function::kVertexInfo)) { return err; }
  const Mask* mask = self->MaskOf(path);
  if (mask == nullptr) { return PF_Err_BAD_CALLBACK_PARAM; }
  const auto n = static_cast<A_long>(mask->vertices.size());
  // Vertices 0 ... segments are valid; on a closed mask the last is the first.
  const A_long last = mask->open ? n - 1 : n;
  if (which < 0 || which > last || n == 0) { return PF_Err_INVALID_INDEX; }
  *vertex = mask->vertices[static_cast<size_t>(which == n ? 0 : which)];
  return PF_Err_NONE;
}

}  // namespace embedded
