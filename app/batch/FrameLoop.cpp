#include "app/batch/FrameLoop.h"

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppErrors.h"
#include "app/batch/FramePipeline.h"
#include "app/batch/WorkerPool.h"
#include "host/embedded/HostThreads.h"

namespace app {
namespace {

// The frames of the range still to render.
std::vector<long> FramesToRender(const FrameSink& sink, const FrameLoopOptions& options) {
  std::vector<long> frames;
  for (long f = options.frames.first; f <= options.frames.last; ++f) {
    if (!options.skip_existing || !sink.Exists(f)) frames.push_back(f);
  }
  return frames;
}

int ThreadsPerJob(const FrameLoopOptions& options, int jobs) {
  if (options.threads_per_job > 0) return options.threads_per_job;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::max(1, cores / jobs);
}

// The pipeline holds several frames at once (layers read ahead, copies of
// finished frames, a few kept for reuse); frames this large run serially so
// that memory stays what one frame at a time needs.
constexpr double kLargestPipelinedFrameBytes = 512.0 * 1024 * 1024;

bool Pipelined(const FrameRenderer& renderer, const FrameLoopOptions& options) {
  const LayerShape& shape = renderer.Shape();
  const double bytes = static_cast<double>(shape.width) * shape.height * (shape.deep ? 8 : 4);
  return options.pipeline_depth > 0 && bytes <= kLargestPipelinedFrameBytes;
}

}  // namespace

void RenderOneFrame(FrameSource* source, FrameSink& sink, FrameRenderer& renderer, long frame) {
  NamingFrame(frame, [&] {
    std::optional<Layer> layer;
    if (source != nullptr) layer = source->ReadFrame(frame);
    sink.WriteFrame(frame, renderer.Render(frame, layer ? &*layer : nullptr));
  });
}

void RunFrameLoop(FrameSource* source, FrameSink& sink, FrameRenderer& renderer,
                  const FrameLoopOptions& options, const FrameLoopEvents& events) {
  const std::vector<long> frames = FramesToRender(sink, options);
  const long count = static_cast<long>(frames.size());
  const int jobs = static_cast<int>(std::min<long>(std::max(1, options.jobs), count));
  const auto progress = [&events](double done) {
    if (events.progress) events.progress(done);
  };
  const auto written = [&events](long frame) {
    if (events.written) events.written(frame);
  };
  renderer.SetCancelToken(options.cancel);
  if (events.started) events.started(count);
  long done = 0;
  try {
    if (jobs <= 1) {
      renderer.SetProgressListener(
          [&](double share) { progress(static_cast<double>(done) + share); });
      const auto finished = [&](long frame) {
        progress(static_cast<double>(++done));
        written(frame);
      };
      if (Pipelined(renderer, options)) {
        RunFramePipeline(source, sink, renderer, frames, options.pipeline_depth, options.cancel,
                         finished);
      } else {
        for (long frame : frames) {
          RenderOneFrame(source, sink, renderer, frame);
          finished(frame);
        }
      }
      renderer.SetProgressListener(nullptr);
    } else {
      WorkerPoolEvents pool_events;
      pool_events.worker_start = [&] {
        embedded::SetHostThreadCount(ThreadsPerJob(options, jobs));
      };
      pool_events.done = [&](long job) {
        progress(static_cast<double>(++done));
        written(frames[static_cast<size_t>(job)]);
      };
      RunOnWorkerProcesses(
          count, jobs,
          [&](long job) {
            RenderOneFrame(source, sink, renderer, frames[static_cast<size_t>(job)]);
          },
          pool_events, options.cancel);
    }
  } catch (...) {
    renderer.SetProgressListener(nullptr);
    sink.Abandon();
    throw;
  }
  sink.Finish();
}

}  // namespace app
