// The frame loop of `lustre-strand render`: every frame of a range read from
// a FrameSource, rendered by a FrameRenderer and handed to a FrameSink, on one
// or more worker processes.
#pragma once

#include <functional>

#include "app/FrameIo.h"
#include "app/FrameRenderer.h"
#include "app/OptionParsing.h"

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
  // One progress line for the whole range on standard error.
  bool show_progress = false;
  // With one job: frames read ahead of the render and finished frames
  // waiting for the sink, each (see FramePipeline.h); 0 reads, renders and
  // writes one frame after another on this thread. The files are the same
  // either way.
  int pipeline_depth = 2;
};

// Renders `frame` and hands it to the sink; failures name the frame.
// `source` null: the built-in layer.
void RenderOneFrame(FrameSource* source, FrameSink& sink, FrameRenderer& renderer, long frame);

// Renders every frame of the range. `on_written` runs (in this process) for
// each frame the sink finished, in the order they finish. A failure stops the
// run: frames already written stay, the sink is told to Abandon(), and the
// failure is rethrown with the frame number in its message (UsageError,
// EffectError; Cancelled on Ctrl-C).
void RunFrameLoop(FrameSource* source, FrameSink& sink, FrameRenderer& renderer,
                  const FrameLoopOptions& options, const std::function<void(long frame)>& on_written);

}  // namespace app
