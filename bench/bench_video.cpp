// A 1080p video through the command: a 120-frame H.264 clip of ffmpeg's
// testsrc2 pattern, rendered with the default stroke of points 1 to 3 into
// H.264, ProRes 4444 and FFV1. The Command rows run the built program
// (decode, render, encode, as a user does); the Ffmpeg rows run the ffmpeg
// tool with our frei0r plug-in on the same clip with the same stroke into
// the same encoder with the same settings, for comparison in one run (the
// *_same_pictures rows also convert as the command does, so that ffmpeg
// writes the command's own file); the
// Stage rows time each step alone in this process, so their shares of a
// frame can be read side by side:
//   Stage_Decode    the clip's frames decoded and converted to 8-bit layers
//   Stage_Render    one frame rendered by the module, as the command does
//   Stage_Encode/*  rendered frames converted and encoded (no sound)
//   Stage_ToProres_* one frame converted to ProRes' planes, by swscale and
//                   by the sink's own converter
// Each row reports frames per second ("fps").
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/media/FfmpegSupport.h"
#include "app/media/VideoSink.h"
#include "app/media/VideoSource.h"
#include "app/media/Yuva10Conversion.h"
#include "app/params/ParamSettings.h"
#include "app/session/EffectSession.h"
#include "app/session/FrameRenderer.h"
#include "cli/OptionParsing.h"

namespace {

// A five-second clip at 24 frames a second, the length the comparison with
// ffmpeg was first made on: each command's start-up (some 0.2 s of dynamic
// linking for ours) weighs on a clip as it does in use, not on a two-second one.
constexpr long kFrames = 120;
const char* const kPoints[] = {"Point 1/Activate=on", "Point 2/Activate=on", "Point 3/Activate=on"};

// A folder of the run's own, with the clip made once, removed when the run
// ends (by the holder's destructor: a handler registered with atexit while
// the path was being made would run after the path itself was destroyed).
class ClipFolder {
 public:
  ClipFolder() {
    char name[] = "/tmp/lustre-bench-video-XXXXXX";
    if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    path_ = name;
    const std::string command =
        "ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=24 -frames:v " +
        std::to_string(kFrames) + " -c:v libx264 -crf 18 -pix_fmt yuv420p '" + path_ + "/clip.mp4'";
    if (std::system(command.c_str()) != 0)
      throw std::runtime_error("ffmpeg could not make the clip");
  }
  ~ClipFolder() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& Folder() {
  static const ClipFolder folder;
  return folder.Path();
}

std::string Clip() { return Folder() + "/clip.mp4"; }

void ReportFps(benchmark::State& state, long frames_per_iteration) {
  state.counters["fps"] = benchmark::Counter(
      static_cast<double>(frames_per_iteration) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

void BM_Command(benchmark::State& state, const char* extension) {
  std::string command = std::string(LUSTRE_CLI_PATH) + " render --input '" + Clip() +
                        "' --output '" + Folder() + "/out" + extension + "'";
  for (const char* point : kPoints) command += std::string(" --set '") + point + "'";
  command += " > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("the command failed");
      break;
    }
  }
  ReportFps(state, kFrames);
}
BENCHMARK_CAPTURE(BM_Command, h264, ".mp4")->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();
BENCHMARK_CAPTURE(BM_Command, prores, ".mov")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Command, ffv1, ".mkv")->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

// The plug-in's parameters for ffmpeg's frei0r filter: the same three points.
std::string FilterParams() {
  std::string command = std::string(LUSTRE_CLI_PATH) + " frei0r-params --ffmpeg";
  for (const char* point : kPoints) {
    const std::string set = point;
    command += " --set '" + set.substr(0, set.find('=')) + "=y'";
  }
  FILE* pipe = popen(command.c_str(), "r");
  char line[4096] = {};
  const bool read = pipe && std::fgets(line, sizeof line, pipe);
  if (pipe) pclose(pipe);
  if (!read) throw std::runtime_error("frei0r-params failed");
  std::string params = line;
  return params.substr(0, params.find('\n'));
}

// The command's conversions as ffmpeg filters around the plug-in: chroma
// interpolated with exact rounding in, BT.709 limited range out to
// `format`. With them ffmpeg writes the command's own ProRes and H.264
// files packet for packet (a test in the frei0r suite checks it).
std::string CommandsConversions(const std::string& plugin, const std::string& format) {
  const std::string flags = "flags=bicubic+accurate_rnd+full_chroma_int+full_chroma_inp";
  return "scale=" + flags + "," + plugin + ",scale=out_color_matrix=bt709:out_range=tv:" + flags +
         ",format=" + format +
         ",setparams=colorspace=bt709:color_primaries=bt709:color_trc=bt709:range=tv";
}

// The command's encoder settings for each extension, as ffmpeg options;
// `same_pictures` names the encoder's pixel format for a run with the
// command's conversions, and is empty for ffmpeg's own (as users run it).
void BM_FfmpegWithPlugin(benchmark::State& state, const char* extension, const char* encoder,
                         const char* same_pictures) {
  const std::string plugin = LUSTRE_FREI0R_PLUGIN;
  const std::string filter = "frei0r=filter_name=lustre-strand:filter_params=" + FilterParams();
  const std::string command =
      "FREI0R_PATH='" + plugin.substr(0, plugin.rfind('/')) + "' ffmpeg -v error -y -i '" + Clip() +
      "' -vf '" + (*same_pictures ? CommandsConversions(filter, same_pictures) : filter) + "' " +
      encoder + " '" + Folder() + "/ffmpeg" + extension + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("ffmpeg failed");
      break;
    }
  }
  ReportFps(state, kFrames);
}
BENCHMARK_CAPTURE(BM_FfmpegWithPlugin, h264, ".mp4",
                  "-c:v libx264 -crf 18 -preset medium -pix_fmt yuv420p", "")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_FfmpegWithPlugin, prores, ".mov",
                  "-c:v prores_ks -profile:v 4444 -pix_fmt yuva444p10le", "")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_FfmpegWithPlugin, ffv1, ".mkv", "-c:v ffv1 -level 3 -pix_fmt gbrap16le", "")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_FfmpegWithPlugin, h264_same_pictures, ".mp4",
                  "-c:v libx264 -crf 18 -preset medium", "yuv420p")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_FfmpegWithPlugin, prores_same_pictures, ".mov",
                  "-c:v prores_ks -profile:v 4444", "yuva444p10le")
    ->Unit(benchmark::kSecond)
    ->Iterations(2)
    ->UseRealTime();

void BM_Stage_Decode(benchmark::State& state) {
  for (auto _ : state) {
    app::VideoSource source(Clip(), 0);
    for (long frame = 0; frame < kFrames; ++frame)
      benchmark::DoNotOptimize(source.ReadFrame(frame).pixels8.data());
  }
  ReportFps(state, kFrames);
}
BENCHMARK(BM_Stage_Decode)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The module loaded and set up as the command does, rendering the clip's
// first frame.
struct Renderer {
  app::EffectSession session{LUSTRE_MODULE_PATH, app::HostSettings{}};
  app::Layer layer = app::VideoSource(Clip(), 0).ReadFrame(0);
  std::unique_ptr<app::FrameRenderer> renderer;

  Renderer() {
    std::vector<app::ParamAssignment> values;
    for (const char* point : kPoints) values.push_back(cli::ParseSetOption(point, session.Names()));
    renderer = std::make_unique<app::FrameRenderer>(session, app::LayerShape{1920, 1080, false},
                                                    values, app::Timeline{{24, 1}, kFrames});
  }
};

void BM_Stage_Render(benchmark::State& state) {
  Renderer r;
  for (auto _ : state) benchmark::DoNotOptimize(r.renderer->Render(0, &r.layer).data);
  ReportFps(state, 1);
}
BENCHMARK(BM_Stage_Render)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_Stage_Encode(benchmark::State& state, const char* extension) {
  Renderer r;
  const PF_EffectWorld& world = r.renderer->Render(0, &r.layer);
  app::VideoSinkSettings settings{Folder() + "/encoded" + extension, 1920, 1080, {24, 1}, {}, ""};
  for (long frame = 0; frame < kFrames; ++frame) settings.frames.push_back(frame);
  for (auto _ : state) {
    app::VideoSink sink(settings);
    for (long frame = 0; frame < kFrames; ++frame) sink.WriteFrame(frame, world);
    sink.Finish();
  }
  ReportFps(state, kFrames);
}
BENCHMARK_CAPTURE(BM_Stage_Encode, h264, ".mp4")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Stage_Encode, ffv1, ".mkv")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

// One rendered 1080p frame of 8-bit ARGB to ProRes' 10-bit Y, U, V and A
// planes, by swscale as the sink sets it up and by the sink's own converter
// (the same samples).
struct ProresPlanes {
  Renderer r;
  const PF_EffectWorld& world = r.renderer->Render(0, &r.layer);
  std::vector<uint16_t> samples = std::vector<uint16_t>(size_t{1920} * 1080 * 4 + 64);
  uint16_t* Plane(int p) { return samples.data() + size_t{1920} * 1080 * static_cast<size_t>(p); }
  const uint8_t* Row(int y) const {
    return static_cast<const uint8_t*>(world.data) + ptrdiff_t{y} * world.rowbytes;
  }
};

void BM_Stage_ToProres_Swscale(benchmark::State& state) {
  ProresPlanes p;
  const app::ffmpeg::ScalerPtr scaler =
      app::ffmpeg::OutputScaler(1920, 1080, AV_PIX_FMT_ARGB, AV_PIX_FMT_YUVA444P10LE);
  const uint8_t* from[4] = {p.Row(0), nullptr, nullptr, nullptr};
  const int from_strides[4] = {static_cast<int>(p.world.rowbytes), 0, 0, 0};
  uint8_t* to[4];
  const int to_strides[4] = {3840, 3840, 3840, 3840};
  for (int plane = 0; plane < 4; ++plane) to[plane] = reinterpret_cast<uint8_t*>(p.Plane(plane));
  for (auto _ : state) sws_scale(scaler.get(), from, from_strides, 0, 1080, to, to_strides);
  ReportFps(state, 1);
}
BENCHMARK(BM_Stage_ToProres_Swscale)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Stage_ToProres_Own(benchmark::State& state) {
  ProresPlanes p;
  const app::YuvWeights weights = app::LimitedRangeWeights(sws_getCoefficients(SWS_CS_ITU709));
  for (auto _ : state) {
    for (int y = 0; y < 1080; ++y) {
      const size_t at = size_t{1920} * static_cast<size_t>(y);
      app::ArgbToYuva10(p.Row(y), 1920, weights,
                        {p.Plane(0) + at, p.Plane(1) + at, p.Plane(2) + at, p.Plane(3) + at});
    }
  }
  ReportFps(state, 1);
}
BENCHMARK(BM_Stage_ToProres_Own)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
