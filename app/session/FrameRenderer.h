// One effect instance rendering frames as a host does: worlds of one size and
// depth, the parameter array, and for each frame the parameter values at that
// frame and the time fields, then the render call.
#pragma once

#include <functional>
#include <vector>

#include "app/params/ParamSettings.h"
#include "app/session/CancelToken.h"
#include "app/session/EffectSession.h"
#include "app/session/Layer.h"
#include "app/session/SessionTypes.h"

namespace app {

struct LayerShape {
  int width = 0;
  int height = 0;
  bool deep = false;
};

// The clock of a render: frames per second, and how many frames the layer
// lasts (frame 0 on), which the host reports as its total time.
struct Timeline {
  Rational fps{24, 1};
  long frame_count = 1;
};

// The host's time fields of one frame, in units of 1 / time_scale seconds:
// time_scale = fps numerator, time_step = fps denominator, current_time =
// frame * time_step, total_time = frame_count * time_step.
struct FrameTime {
  A_long current_time;
  A_long time_step;
  A_u_long time_scale;
  A_long total_time;
};
FrameTime TimeOfFrame(const Timeline& timeline, long frame);

// True when every frame up to `last` has time fields the host's 32-bit
// fields can hold.
bool TimelineFits(const Timeline& timeline, long last);

class FrameRenderer {
 public:
  // Creates the worlds and the parameter array and checks every keyframe
  // (UsageError naming the bad key). `session` must outlive the renderer.
  FrameRenderer(EffectSession& session, const LayerShape& shape,
                std::vector<ParamAssignment> values, const Timeline& timeline);

  const LayerShape& Shape() const { return shape_; }

  // Replaces the values of the frames that follow: every parameter starts
  // again from its default, then the new values and keyframes are checked as
  // the constructor checks them. A renderer kept for many documents (the
  // studio's previews) calls this before each render.
  void SetValues(std::vector<ParamAssignment> values);

  // Called with the share (0..1) of the current frame done, whenever the
  // effect reports progress.
  void SetProgressListener(std::function<void(double)> listener) {
    listener_ = std::move(listener);
  }

  // Asked through the host's abort and progress callbacks while the effect
  // renders; a render it stops throws Cancelled.
  void SetCancelToken(CancelToken cancel) { cancel_ = cancel; }

  // Renders `frame` over `layer` (null: the built-in layer), converted to the
  // renderer's depth when it has the other one. The result stays valid until
  // the next call. Throws UsageError (a layer of another size), EffectError or
  // Cancelled.
  const PF_EffectWorld& Render(long frame, const Layer* layer);

 private:
  void LoadLayer(const Layer* layer);

  EffectSession& session_;
  LayerShape shape_;
  std::vector<ParamAssignment> values_;
  Timeline timeline_;
  PF_EffectWorld* input_ = nullptr;
  PF_EffectWorld* output_ = nullptr;
  embedded::ParamArray params_;
  bool built_in_loaded_ = false;
  std::function<void(double)> listener_;
  CancelToken cancel_;
};

}  // namespace app
