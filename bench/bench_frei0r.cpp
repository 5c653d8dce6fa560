// Frames per second of a 1080p clip through ffmpeg with the frei0r plug-in:
// decode (H.264), convert to RGBA, filter, and the null muxer (no encoding),
// run as a child process the way a user runs it. The same pipeline without
// the plug-in is the baseline, so the difference is the plug-in's share.
//
//   build/release/bench/bench_frei0r
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 48;

// Runs the program with its output thrown away; throws unless it succeeds.
std::string Run(std::vector<std::string> args, bool keep_output = false) {
  char out_name[] = "/tmp/lustre-bench-out-XXXXXX";
  const int out_fd = mkstemp(out_name);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_fd, STDOUT_FILENO);
    if (!keep_output) dup2(out_fd, STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out_fd);
  int status = 0;
  waitpid(pid, &status, 0);
  std::string out;
  if (FILE* file = std::fopen(out_name, "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) out.append(buffer, n);
    std::fclose(file);
  }
  unlink(out_name);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args[0] + " failed: " + out);
  }
  return out;
}

// The clip, made once: 48 frames of ffmpeg's testsrc2 at 1920x1080, H.264.
const std::string& Clip() {
  static const std::string path = [] {
    const std::string file = std::filesystem::temp_directory_path() / "lustre-bench-1080p.mp4";
    Run({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=24",
         "-frames:v", std::to_string(kFrames), "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
         "yuv420p", file});
    return file;
  }();
  return path;
}

// A stroke like the showcase's: four points, 150 pixels wide, soft edge.
std::string FilterParams() {
  const std::string out = Run({LUSTRE_CLI_PATH, "frei0r-params", "--ffmpeg", "--set", "Show Path=n",
                               "--set", "Line Width=0.149149149", "--set", "Falloff=0.45", "--set",
                               "Point 1/Activate=y", "--set", "Point 2/Activate=y", "--set",
                               "Point 3/Activate=y", "--set", "Point 4/Activate=y"},
                              true);
  return out.substr(0, out.find('\n'));
}

void RunFfmpeg(benchmark::State& state, const std::string& filter) {
  const std::string plugin = LUSTRE_FREI0R_PLUGIN;
  setenv("FREI0R_PATH", plugin.substr(0, plugin.rfind('/')).c_str(), 1);
  const std::string clip = Clip();
  for (auto _ : state) {
    Run({"ffmpeg", "-v", "error", "-i", clip, "-vf", filter, "-f", "null", "-"});
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_FfmpegWithPlugin1080p(benchmark::State& state) {
  RunFfmpeg(state, "frei0r=filter_name=lustre-strand:filter_params=" + FilterParams());
}
BENCHMARK(BM_FfmpegWithPlugin1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The same pipeline with the conversion to RGBA the plug-in needs, and no plug-in.
void BM_FfmpegWithoutPlugin1080p(benchmark::State& state) { RunFfmpeg(state, "format=rgba"); }
BENCHMARK(BM_FfmpegWithoutPlugin1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
