// The host's two mask suites, "PF Path Query Suite" v1 and "PF Path Data
// Suite" v1, serving masks that a caller hands the host. A mask is a list of
// vertices, open or closed; a closed mask of n vertices has n segments and its
// vertex n is vertex 0 again. Masks do not animate: every time gives the same
// shape. Check-outs and check-ins are counted, and each suite function can be
// told to fail with a given code.
#pragma once

#include <map>
#include <mutex>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/sdk/EffectSuites.h"

namespace embedded {

class PathSuites {
 public:
  enum class Function { kCheckout, kCheckin, kIsOpen, kNumSegments, kVertexInfo };

  struct CheckoutRequest {
    PF_PathID id;
    A_long what_time;
    A_long time_step;
    A_u_long time_scale;
  };

  // Registers both suites on the host; the object must outlive every call the
  // host serves with them.
  explicit PathSuites(EmbeddedHost& host);
  ~PathSuites();
  PathSuites(const PathSuites&) = delete;
  PathSuites& operator=(const PathSuites&) = delete;

  // Returns the new mask's id (1, 2, ...; 0 means "no mask").
  PF_PathID AddMask(const std::vector<PF_PathVertex>& vertices, bool open);
  // A mask that exists but has no shape: checking it out gives a null path.
  PF_PathID AddEmptyMask();

  // The function answers err (and does nothing else) from now on; 0 heals it.
  void FailFunction(Function function, PF_Err err);

  int CheckoutCount() const;
  int CheckinCount() const;
  int OutstandingCheckouts() const;  // checked out and not yet checked in
  int DataQueryCount() const;        // calls of the data suite's functions
  std::vector<CheckoutRequest> CheckoutRequests() const;
  std::vector<A_long> VerticesAsked() const;  // indexes given to PF_PathVertexInfo

 private:
  struct Mask {
    bool empty;
    bool open;
    std::vector<PF_PathVertex> vertices;
  };
  struct Outline;  // what a PF_PathOutlinePtr points at

  static PathSuites* ForEffectRef(PF_ProgPtr effect_ref);
  static PF_Err NumPaths(PF_ProgPtr effect_ref, A_long* num_paths);
  static PF_Err PathInfo(PF_ProgPtr effect_ref, A_long index, PF_PathID* unique_id);
  static PF_Err CheckoutPath(PF_ProgPtr effect_ref, PF_PathID unique_id, A_long what_time,
                             A_long time_step, A_u_long time_scale, PF_PathOutlinePtr* path);
  static PF_Err CheckinPath(PF_ProgPtr effect_ref, PF_PathID unique_id, PF_Boolean changed,
                            PF_PathOutlinePtr path);
  static PF_Err PathIsOpen(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open);
  static PF_Err PathNumSegments(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                A_long* num_segments);
  static PF_Err PathVertexInfo(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, A_long which,
                               PF_PathVertex* vertex);

  PF_Err FailureOf(Function function) const;         // lock held
  const Mask* MaskOf(PF_PathOutlinePtr path) const;  // lock held; null if not checked out

  EmbeddedHost& host_;
  PF_PathQuerySuite1 query_suite_{};
  PF_PathDataSuite1 data_suite_{};

  mutable std::mutex mutex_;
  std::vector<Mask> masks_;  // id k is masks_[k - 1]
  std::map<Function, PF_Err> failures_;
  std::vector<Outline*> outlines_;  // live check-outs
  int checkouts_ = 0;
  int checkins_ = 0;
  int data_queries_ = 0;
  std::vector<CheckoutRequest> requests_;
  std::vector<A_long> vertices_asked_;
};

}  // namespace embedded
