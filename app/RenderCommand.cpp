#include "app/RenderCommand.h"

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
#include "app/FrameLoop.h"
#include "app/FramePattern.h"
#include "app/ImageSequence.h"
#include "app/ParamSettings.h"
#include "app/ProgressBar.h"

namespace app {
namespace {

// Refuses an output whose folder is missing or not writable, or whose format
// cannot be written, before any work.
void CheckOutputFile(const std::string& output) {
  const size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    throw UsageError("cannot write image file '" + output + "': folder '" + folder + "': " +
                     std::strerror(errno));
  }
  CheckWritableFormat(output);
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

// The input: none (the built-in layer), a still (read now), or a sequence.
std::unique_ptr<FrameSource> OpenInput(const RenderOptions& options) {
  if (options.input.empty()) return nullptr;
  FramePattern pattern(options.input);
  if (!pattern.HasField()) return std::make_unique<StillSource>(ReadImage(options.input));
  return std::make_unique<ImageSequenceSource>(pattern);
}

// --frames when given; else every frame of a source that knows its length,
// else frame 0.
FrameRange RangeToRender(const RenderOptions& options, const FrameSource* source) {
  if (!options.frames.empty()) return ParseFrameRange(options.frames);
  const std::optional<long> count = source ? source->FrameCount() : std::nullopt;
  if (!count) return {};
  if (*count < 1) throw UsageError("'" + options.input + "' holds no frames");
  return {0, *count - 1};
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

}  // namespace

void RunRender(const RenderOptions& options) {
  std::unique_ptr<FrameSource> source = OpenInput(options);
  const FrameRange frames = RangeToRender(options, source.get());
  const FramePattern output(options.output);
  if (!output.HasField() && frames.Count() > 1) {
    throw UsageError("--output '" + options.output + "' names one file but " +
                     std::to_string(frames.Count()) +
                     " frames are asked for; give a frame pattern such as shot.%04d.png or "
                     "shot.####.png");
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
  ImageSequenceSink sink(output, options.image);

  FrameLoopOptions loop;
  loop.frames = frames;
  loop.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
  loop.skip_existing = options.skip_existing;
  loop.show_progress = ProgressBar::StderrIsTerminal();
  RunFrameLoop(source.get(), sink, renderer, loop, [&output](long frame) {
    std::printf("%s\n", output.FileFor(frame).c_str());
    std::fflush(stdout);
  });
}

}  // namespace app
