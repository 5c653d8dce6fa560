#include "app/RenderCommand.h"

#include <unistd.h>

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "app/AppErrors.h"
#include "app/BuiltInLayer.h"
#include "app/Interrupt.h"
#include "app/Layer.h"
#include "app/ParamSettings.h"
#include "app/PngIo.h"
#include "app/ProgressBar.h"
#include "app/VideoIo.h"

namespace app {
namespace {

// Refuses an output whose folder is missing or not writable before any work.
void CheckOutputFolder(const std::string& output) {
  const size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    throw UsageError("cannot write PNG file '" + output + "': folder '" + folder +
                     "' is missing or not writable");
  }
}

std::optional<Layer> ReadInputLayer(const RenderOptions& options) {
  if (options.input.empty()) return std::nullopt;
  Layer layer = ReadPng(options.input);
  if (options.depth != 0) layer = ConvertLayerDepth(layer, options.depth == 16);
  return layer;
}

void CheckSize(int width, int height) {
  if (width > kMaxLayerSide || height > kMaxLayerSide) {
    throw UsageError("a " + std::to_string(width) + "x" + std::to_string(height) +
                     " layer is refused: worlds wider or taller than " +
                     std::to_string(kMaxLayerSide) + " pixels are not accepted");
  }
}

// A world of the host; a world too large to allocate is reported the way a
// host reports an effect that ran out of memory.
PF_EffectWorld* CreateWorld(embedded::EmbeddedHost& host, int width, int height, bool deep,
                            bool writeable) {
  try {
    return host.CreateWorld(width, height, deep, writeable);
  } catch (const std::invalid_argument& refused) {
    throw UsageError(refused.what());
  } catch (const std::bad_alloc&) {
    throw EffectError(PF_Err_OUT_OF_MEMORY,
                      "error " + std::to_string(PF_Err_OUT_OF_MEMORY) + ": Out of Memory (a " +
                          std::to_string(width) + "x" + std::to_string(height) + " " +
                          (deep ? "16" : "8") + "-bit layer could not be allocated)");
  }
}

std::vector<ParamAssignment> RequestedValues(const RenderOptions& options,
                                             const ParamNameTable& names) {
  std::vector<ParamAssignment> values;
  if (!options.params_file.empty()) values = ReadParamsFile(options.params_file, names);
  for (const std::string& set : options.sets) values.push_back(ParseSetOption(set, names));
  return values;
}

PF_Err AnswerInterrupt() { return InterruptRequested() ? PF_Interrupt_CANCEL : PF_Err_NONE; }

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A video input renders every frame in order into a video output (with the
// input's sound), or its first frame into a PNG file.
void RenderVideo(const RenderOptions& options) {
  VideoSource source(options.input, options.depth);
  const bool to_video = IsVideoOutputPath(options.output);
  if (!to_video && !EndsWith(options.output, ".png")) {
    throw UsageError("cannot write '" + options.output + "': unknown extension; a video renders into " +
                     ".mov, .mkv or .mp4 (or its first frame into .png)");
  }
  const long count = to_video ? *source.FrameCount() : 1;
  const int width = source.Width(), height = source.Height();
  CheckSize(width, height);

  EffectSession session(options.module_path, options.host);
  const std::vector<ParamAssignment> values = RequestedValues(options, session.Names());
  embedded::EmbeddedHost& host = session.Host();
  std::unique_ptr<VideoSink> sink;
  if (to_video) {
    VideoSinkSettings settings{options.output, width, height, *source.Rate(), {}, options.input};
    for (long frame = 0; frame < count; ++frame) settings.frames.push_back(frame);
    sink = std::make_unique<VideoSink>(settings);
  }
  PF_EffectWorld* input = CreateWorld(host, width, height, source.Deep(), false);
  PF_EffectWorld* output = CreateWorld(host, width, height, source.Deep(), true);
  embedded::ParamArray params = host.BuildParams(input);
  ApplyAssignments(params, values);

  ProgressBar bar(stderr, ProgressBar::StderrIsTerminal());
  host.SetAbortHandler(AnswerInterrupt);
  for (long frame = 0; frame < count; ++frame) {
    bar.Update(frame, count);
    CopyLayerToWorld(source.ReadFrame(frame), *input);
    const PF_Err err = session.Call(PF_Cmd_RENDER, params.Get(), output);
    if (err == PF_Interrupt_CANCEL || InterruptRequested()) throw Cancelled();
    if (err != PF_Err_NONE) session.FailWith(err, "render");
    if (sink) sink->WriteFrame(frame, *output);
  }
  bar.Update(count, count);
  bar.Finish();
  host.SetAbortHandler(nullptr);
  if (sink) {
    sink->Finish();
  } else {
    WritePng(options.output, *output);
  }
}

}  // namespace

void RunRender(const RenderOptions& options) {
  if (IsVideoOutputPath(options.output) && options.input.empty()) {
    throw UsageError("a video output ('" + options.output + "') needs a video input");
  }
  if (!options.input.empty() && !EndsWith(options.input, ".png")) {
    CheckOutputFolder(options.output);
    RenderVideo(options);
    return;
  }
  CheckOutputFolder(options.output);
  std::optional<Layer> input_layer = ReadInputLayer(options);
  const int width = input_layer ? input_layer->width : options.size.width;
  const int height = input_layer ? input_layer->height : options.size.height;
  const bool deep = input_layer ? input_layer->deep : options.depth == 16;
  CheckSize(width, height);

  EffectSession session(options.module_path, options.host);
  const std::vector<ParamAssignment> values = RequestedValues(options, session.Names());
  embedded::EmbeddedHost& host = session.Host();

  PF_EffectWorld* input = CreateWorld(host, width, height, deep, false);
  if (input_layer) {
    CopyLayerToWorld(*input_layer, *input);
    input_layer.reset();
  } else {
    PaintBuiltInLayer(*input);
  }
  PF_EffectWorld* output = CreateWorld(host, width, height, deep, true);

  embedded::ParamArray params = host.BuildParams(input);
  ApplyAssignments(params, values);

  ProgressBar bar(stderr, ProgressBar::StderrIsTerminal());
  host.SetProgressHandler([&bar](A_long current, A_long total) {
    bar.Update(current, total);
    return AnswerInterrupt();
  });
  host.SetAbortHandler(AnswerInterrupt);
  const PF_Err err = session.Call(PF_Cmd_RENDER, params.Get(), output);
  bar.Finish();
  host.SetProgressHandler(nullptr);
  host.SetAbortHandler(nullptr);

  if (err == PF_Interrupt_CANCEL || InterruptRequested()) throw Cancelled();
  if (err != PF_Err_NONE) session.FailWith(err, "render");
  WritePng(options.output, *output);
}

}  // namespace app
