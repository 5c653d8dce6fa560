#include "cli/RenderCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "app/AppErrors.h"
#include "app/batch/FrameLoop.h"
#include "app/media/FramePattern.h"
#include "app/media/ImageSequence.h"
#include "app/media/VideoSink.h"
#include "app/media/VideoSource.h"
#include "app/params/ParamsJson.h"
#include "cli/Interrupt.h"
#include "cli/OptionParsing.h"
#include "cli/ProgressBar.h"
#include "cli/ProgressLog.h"

namespace cli {

using namespace app;

namespace {

// Refuses an output whose folder is missing or not writable, or whose format
// cannot be written, before any work.
void CheckOutputFile(const std::string& output) {
  const bool video = IsVideoOutputPath(output);
  const size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    throw UsageError(std::string("cannot write ") + (video ? "video" : "image") + " file '" +
                     output + "': folder '" + folder + "': " + std::strerror(errno));
  }
  if (video) return;
  try {
    CheckWritableFormat(output);
  } catch (const UsageError& e) {
    throw UsageError(std::string(e.what()) + "; video files are written as .mov, .mkv or .mp4");
  }
}

// Refuses an output file that is one of the input's files, however either is
// spelled (a link, "./"): the render would overwrite a layer it still has to
// read (a still is read for every frame; with several jobs, a sequence's
// frames are read in any order).
void CheckOutputIsNotInput(const RenderOptions& options, const FramePattern& output,
                           const FrameRange& frames) {
  if (options.input.empty()) return;
  const FramePattern input(options.input);
  std::set<std::pair<dev_t, ino_t>> input_files;
  struct stat info {};
  for (long f = frames.first; f <= frames.last && (f == frames.first || input.HasField()); ++f) {
    if (stat(input.FileFor(f).c_str(), &info) == 0) input_files.insert({info.st_dev, info.st_ino});
  }
  for (long f = frames.first; f <= frames.last && (f == frames.first || output.HasField()); ++f) {
    const std::string file = output.FileFor(f);
    if (stat(file.c_str(), &info) == 0 && input_files.count({info.st_dev, info.st_ino}) != 0) {
      throw UsageError("cannot write image file '" + file + "': it is a file of the input '" +
                       options.input + "'; choose another output");
    }
  }
}

void CheckSize(int width, int height) {
  if (width > kMaxLayerSide || height > kMaxLayerSide) {
    throw UsageError("a " + std::to_string(width) + "x" + std::to_string(height) +
                     " layer is refused: worlds wider or taller than " +
                     std::to_string(kMaxLayerSide) + " pixels are not accepted");
  }
}

std::vector<ParamAssignment> RequestedValues(const RenderOptions& options,
                                             const ParamNameTable& names) {
  std::vector<ParamAssignment> values;
  if (!options.params_file.empty()) values = ReadParamsFile(options.params_file, names);
  for (const std::string& set : options.sets) values.push_back(ParseSetOption(set, names));
  return values;
}

// The input: none (the built-in layer), a video file, a still (read now), or
// a sequence.
std::unique_ptr<FrameSource> OpenInput(const RenderOptions& options) {
  if (options.input.empty()) return nullptr;
  FramePattern pattern(options.input);
  if (!pattern.HasField() && !IsImageFile(options.input)) {
    return std::make_unique<VideoSource>(options.input, options.depth);
  }
  if (!pattern.HasField()) return std::make_unique<StillSource>(ReadImage(options.input));
  return std::make_unique<ImageSequenceSource>(pattern);
}

// --frames when given; else every frame of a source that knows its length
// when the output takes several (a pattern or a video file), else frame 0.
FrameRange RangeToRender(const RenderOptions& options, const FramePattern& output,
                         const FrameSource* source) {
  const std::optional<long> count = source ? source->FrameCount() : std::nullopt;
  if (count && *count < 1) throw UsageError("'" + options.input + "' holds no frames");
  FrameRange frames;
  if (!options.frames.empty()) {
    frames = ParseFrameRange(options.frames);
  } else if (count && (output.HasField() || IsVideoOutputPath(options.output))) {
    frames.last = *count - 1;
  }
  if (count && frames.last >= *count) {
    throw UsageError("--frames '" + options.frames + "': '" + options.input + "' has frames 0 to " +
                     std::to_string(*count - 1));
  }
  return frames;
}

// --fps when given; else the source's own rate, else 24.
Rational RateOf(const RenderOptions& options, const FrameSource* source) {
  if (!options.fps.empty()) return ParseRate(options.fps);
  const std::optional<Rational> rate = source ? source->Rate() : std::nullopt;
  return rate ? *rate : Rational{24, 1};
}

// The layer of the range's first frame, which sets the render's size and depth.
std::optional<Layer> FirstLayer(FrameSource* source, long frame) {
  if (source == nullptr) return std::nullopt;
  // A video tells its shape without decoding, so the loop's in-order reads
  // start from the first frame instead of reopening the file.
  if (const auto* video = dynamic_cast<const VideoSource*>(source)) {
    return Layer::Make(video->Width(), video->Height(), video->Deep());
  }
  try {
    return source->ReadFrame(frame);
  } catch (const UsageError& e) {
    throw UsageError("frame " + std::to_string(frame) + ": " + e.what());
  }
}

LayerShape ShapeOf(const RenderOptions& options, const std::optional<Layer>& first) {
  LayerShape shape{options.size.width, options.size.height, options.depth == 16};
  if (first) shape = {first->width, first->height, first->deep};
  if (options.depth != 0) shape.deep = options.depth == 16;
  return shape;
}

int DefaultJobs() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// A video file is written in order by one writer, and a video input decodes
// fastest front to back: such runs render one frame at a time in this
// process, the effect's bands spread over every core, rather than on worker
// processes that would each decode the input and hand their frames back.
std::unique_ptr<FrameSink> OpenOutput(const RenderOptions& options, const FramePattern& output,
                                      const LayerShape& shape, const FrameRange& frames,
                                      Rational rate, bool video_in) {
  if (!IsVideoOutputPath(options.output))
    return std::make_unique<ImageSequenceSink>(output, options.image);
  if (output.HasField()) {
    throw UsageError("--output '" + options.output +
                     "': a video file is one file; give it without a frame field");
  }
  VideoSinkSettings settings;
  settings.path = options.output;
  settings.width = shape.width;
  settings.height = shape.height;
  settings.rate = rate;
  for (long frame = frames.first; frame <= frames.last; ++frame) settings.frames.push_back(frame);
  if (video_in) settings.audio_from = options.input;
  return std::make_unique<VideoSink>(settings);
}

}  // namespace

void RunRender(const RenderOptions& options) {
  const FramePattern output(options.output);
  const bool video_out = IsVideoOutputPath(options.output);
  std::unique_ptr<FrameSource> source = OpenInput(options);
  const FrameRange frames = RangeToRender(options, output, source.get());
  if (!output.HasField() && !video_out && frames.Count() > 1) {
    throw UsageError("--output '" + options.output + "' names one file but " +
                     std::to_string(frames.Count()) +
                     " frames are asked for; give a frame pattern such as shot.%04d.png or "
                     "shot.####.png, or a video file (.mov, .mkv, .mp4)");
  }
  CheckOutputFile(output.FileFor(frames.first));
  CheckOutputIsNotInput(options, output, frames);

  const LayerShape shape = ShapeOf(options, FirstLayer(source.get(), frames.first));
  CheckSize(shape.width, shape.height);

  Timeline timeline{RateOf(options, source.get()), frames.last + 1};
  if (source && source->FrameCount()) timeline.frame_count = *source->FrameCount();
  if (!TimelineFits(timeline, frames.last)) {
    throw UsageError("frames up to " + std::to_string(frames.last) + " at " +
                     std::to_string(timeline.fps.num) + "/" + std::to_string(timeline.fps.den) +
                     " frames a second run past the host's 32-bit time; render fewer frames or "
                     "at a lower rate");
  }

  EffectSession session(options.module_path, options.host);
  FrameRenderer renderer(session, shape, RequestedValues(options, session.Names()), timeline);
  const bool video_in = source && source->Rate();
  std::unique_ptr<FrameSink> sink =
      OpenOutput(options, output, shape, frames, timeline.fps, video_in);

  for (const std::string& warning : sink->TakeWarnings()) {
    std::fprintf(stderr, "lustre-strand: %s\n", warning.c_str());
  }

  FrameLoopOptions loop;
  loop.frames = frames;
  loop.jobs = video_in || video_out ? 1 : options.jobs > 0 ? options.jobs : DefaultJobs();
  loop.skip_existing = options.skip_existing && !video_out;
  loop.cancel = InterruptToken();
  // On a terminal, one redrawn bar; elsewhere (a farm's job log) a sequence
  // gets lines. A single frame's path says all there is to say.
  const bool terminal = ProgressBar::StderrIsTerminal();
  std::optional<ProgressBar> bar;
  std::optional<ProgressLog> log;
  FrameLoopEvents events;
  events.started = [&](long count) {
    if (options.progress_fd >= 0) dprintf(options.progress_fd, "start %ld\n", count);
    if (terminal) {
      bar.emplace(stderr, true, count);
    } else if (frames.Count() > 1) {
      log.emplace(stderr, frames.first, frames.last, count);
    }
  };
  events.progress = [&bar](double done) {
    if (bar) bar->Update(done);
  };
  events.written = [&output, video_out, &log, &options](long frame) {
    if (options.progress_fd >= 0) dprintf(options.progress_fd, "frame %ld\n", frame);
    if (!video_out) {
      std::printf("%s\n", output.FileFor(frame).c_str());
      std::fflush(stdout);
    }
    if (log) log->FrameDone(frame);
  };
  try {
    RunFrameLoop(source.get(), *sink, renderer, loop, events);
  } catch (...) {
    if (bar) bar->Finish();
    throw;
  }
  if (bar) bar->Finish();
  if (log) log->Finish();
  if (video_out) std::printf("%s\n", options.output.c_str());
}

}  // namespace cli
