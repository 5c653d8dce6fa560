// The frame loop: every frame of a range read from a FrameSource, rendered
// by a FrameRenderer and handed to a FrameSink, on one or more worker
// processes. It prints nothing: progress and finished frames are reported to
// the caller's callbacks, and a cancel token stops it.
#pragma once

#include <functional>

#include "app/media/FrameIo.h"
#include "app/session/CancelToken.h"
#include "app/session/FrameRenderer.h"
#include "app/session/SessionTypes.h"

namespace app {

struct FrameLoopOptions {
  FrameRange frames;
  // Frames rendered at once, each job a worker process of its own with its
  // copy of the renderer, the source and the sink. With more than one job a
  // sink must write each frame on its own (as image sequences do).
  int jobs = 1;
  // Threads each job's render may use; 0: the cores shared among the jobs.
  int threads_per_job = 0;
  // Frames the sink already holds are left alone.
  bool skip_existing = false;
  // Stops the run: the renderer's and every worker's.
  CancelToken cancel;
};

struct FrameLoopEvents {
  // How many frames the run renders (the range less the frames skipped),
  // before the first.
  std::function<void(long frames)> started;
  // Frames of the run done so far, the fraction counting the one under way
  // (whole frames only when several jobs render).
  std::function<void(double frames_done)> progress;
  // Each frame the sink finished, in this process, in the order they finish.
  std::function<void(long frame)> written;
};

// Renders `frame` and hands it to the sink; failures name the frame.
// `source` null: the built-in layer.
void RenderOneFrame(FrameSource* source, FrameSink& sink, FrameRenderer& renderer, long frame);

// Renders every frame of the range. A failure stops the run: frames already
// written stay, the sink is told to Abandon(), and the failure is rethrown
// with the frame number in its message (UsageError, EffectError; Cancelled).
void RunFrameLoop(FrameSource* source, FrameSink& sink, FrameRenderer& renderer,
                  const FrameLoopOptions& options, const FrameLoopEvents& events);

}  // namespace app
