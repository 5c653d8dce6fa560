// A sequence as the command renders it: 96 frames of the default stroke
// through points 1 to 3 at 1920x1080 into PNG files, with one job and with
// one job per core (the built `lustre-strand`, run as a user runs it), and
// the cost of one frame's stages in this process: decoding a 1080p PNG frame
// (what a sequence input adds), the render call, and encoding the PNG at the
// default and at the smallest compression.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/session/EffectSession.h"
#include "app/session/FrameRenderer.h"
#include "app/media/ImageIo.h"
#include "cli/OptionParsing.h"

namespace {

constexpr long kFrames = 96;

std::string TempFolder() {
  char name[] = "/tmp/lustre-bench-XXXXXX";
  if (!mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
  return name;
}

// Runs the command and waits; its output goes nowhere.
void RunCommand(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("lustre-strand failed");
}

void BM_SequenceCommand(benchmark::State& state) {
  const std::string folder = TempFolder();
  for (auto _ : state) {
    RunCommand({LUSTRE_CLI_PATH, "render", "--set", "Point 1/Activate=on", "--set", "Point 2/Activate=on",
                "--set", "Point 3/Activate=on", "--frames", "0-" + std::to_string(kFrames - 1), "--jobs",
                std::to_string(state.range(0)), "--output", folder + "/f.%04d.png"});
  }
  std::filesystem::remove_all(folder);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}

const int kCores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
BENCHMARK(BM_SequenceCommand)->ArgName("jobs")->Arg(1)->Arg(kCores)->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One frame's stages, each timed; counters give milliseconds per frame and
// each stage's share of the three.
void BM_FrameStages(benchmark::State& state) {
  const std::string folder = TempFolder();
  app::EffectSession session(LUSTRE_MODULE_PATH, app::HostSettings{});
  std::vector<app::ParamAssignment> values;
  for (const char* set : {"Point 1/Activate=on", "Point 2/Activate=on", "Point 3/Activate=on"}) {
    values.push_back(cli::ParseSetOption(set, session.Names()));
  }
  app::FrameRenderer renderer(session, {1920, 1080, false}, values, {{24, 1}, kFrames});
  app::ImageWriteOptions options;
  options.png_compression = static_cast<int>(state.range(0));
  const std::string input = folder + "/in.png", output = folder + "/out.png";
  app::WriteImage(input, renderer.Render(0, nullptr), options);
  double decode = 0, render = 0, encode = 0;
  long frame = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const app::Layer layer = app::ReadImage(input);
    decode += Seconds(start);
    start = std::chrono::steady_clock::now();
    const PF_EffectWorld& world = renderer.Render(frame++ % kFrames, &layer);
    render += Seconds(start);
    start = std::chrono::steady_clock::now();
    app::WriteImage(output, world, options);
    encode += Seconds(start);
  }
  std::filesystem::remove_all(folder);
  const double n = static_cast<double>(state.iterations()), total = decode + render + encode;
  state.counters["decode_ms"] = decode / n * 1e3;
  state.counters["render_ms"] = render / n * 1e3;
  state.counters["encode_ms"] = encode / n * 1e3;
  state.counters["decode_%"] = decode / total * 100;
  state.counters["render_%"] = render / total * 100;
  state.counters["encode_%"] = encode / total * 100;
}
BENCHMARK(BM_FrameStages)->ArgName("png_level")->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
