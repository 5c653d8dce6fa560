// lustre-strand: renders frames with the Lustre Strand effect module, driving
// it through its entry point with the embedded host as a host application does.
#include <malloc.h>
#include <sys/prctl.h>

#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "app/AppErrors.h"
#include "app/media/VideoSink.h"
#include "app/session/EffectSession.h"
#include "cli/ExitStatus.h"
#include "cli/InfoCommands.h"
#include "cli/Interrupt.h"
#include "cli/OptionParsing.h"
#include "cli/RenderCommand.h"
#include "frei0r/Frei0rParams.h"
#include "host/embedded/HostThreads.h"
#include "studio/server/StudioCommand.h"

namespace {

using cli::Fail;

// Host options shared by every command that loads the module.
struct HostOptionText {
  std::string module_path;
  std::string host_version;
  std::string app_id;
  std::string quality = "high";
  std::string downsample;
};

void AddHostOptions(CLI::App* command, HostOptionText& text, bool render_options) {
  command->add_option("--module", text.module_path,
                      "the effect module (default: LustreStrand.so beside this program)");
  command->add_option("--host-version", text.host_version,
                      "effect interface version the host reports, MAJOR.MINOR (default 13.28)");
  command->add_option("--app-id", text.app_id,
                      "four-character application code the host reports (default EMBD)");
  if (render_options) {
    command->add_option("--quality", text.quality, "render quality: high or low (default high)")
        ->check(CLI::IsMember({"high", "low"}));
    command->add_option("--downsample", text.downsample,
                        "downsample factors N/D or NX/DX,NY/DY (default 1/1)");
  }
}

app::HostSettings ResolveHostSettings(const HostOptionText& text) {
  app::HostSettings settings;
  if (!text.host_version.empty()) settings.version = cli::ParseHostVersion(text.host_version);
  if (!text.app_id.empty()) settings.app_id = cli::ParseAppId(text.app_id);
  settings.quality = text.quality == "low" ? PF_Quality_LO : PF_Quality_HI;
  if (!text.downsample.empty()) settings.downsample = cli::ParseDownsample(text.downsample);
  return settings;
}

std::string ModulePath(const HostOptionText& text) {
  return text.module_path.empty() ? app::ModuleBesideExecutable() : text.module_path;
}

// Every frame allocates the same large buffers again (worlds, interleaved
// samples, the encoded file). Above the default 128 KiB threshold glibc maps
// each one fresh and the kernel zeroes every page on first touch; keeping
// blocks of up to 256 MiB in the heap, and not trimming it, lets the next frame
// reuse the memory the last one freed.
void KeepFrameBuffersInHeap() {
  constexpr int kLargestHeapBlock = 256 << 20;
  mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
  mallopt(M_TRIM_THRESHOLD, 2 * kLargestHeapBlock);
}

// libx264 asks the kernel for transparent huge pages for each of its
// buffers of 2 MB and more (madvise), and a huge page's first touch stalls
// while the kernel zeroes 2 MB (compacting memory first when it has no free
// huge page; kernel page clearing led `perf` of ours). For a 1080p H.264 render
// that cost more CPU than the pages saved: `perf stat` of `render` of a
// 120-frame clip, 8.78-8.95 s of CPU with them and 8.31-8.43 s without
// (ffmpeg running the same encoder: 8.51-8.69 and 8.15-8.26 s). Our own
// buffers never ask for them. The forked worker processes inherit the
// choice. The encoded bytes are the same either way.
void NoTransparentHugePages() { prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0); }

}  // namespace

int main(int argc, char** argv) {
  KeepFrameBuffersInHeap();
  NoTransparentHugePages();
  cli::InstallInterruptHandlers();

  CLI::App cli{"Renders frames with the Lustre Strand effect.", "lustre-strand"};
  cli.require_subcommand(1);

  cli::RenderOptions render_options;
  HostOptionText render_host;
  std::string size_text;
  CLI::App* render = cli.add_subcommand("render", "render frames into image files");
  CLI::Option* input_option = render->add_option(
      "--input", render_options.input,
      "input layer: an image (PNG, TIFF, EXR, JPEG, DPX), a frame pattern such as in.%04d.png, or "
      "a "
      "video file (.mov, .mp4, .mkv, .avi, .webm, .mxf, ...: anything the FFmpeg libraries decode; "
      "its rate and sound carry over)");
  CLI::Option* size_option = render->add_option(
      "--size", size_text,
      "size of the built-in layer when there is no input, WxH (default 1920x1080)");
  input_option->excludes(size_option);
  render->add_option(
      "--output", render_options.output,
      std::string("output image, a frame pattern such as out.%04d.png or out.####.exr, "
                  "or a video file chosen by extension: ") +
          app::kVideoOutputHelp + " (default lustre-strand.png)");
  render->add_option("--frames", render_options.frames,
                     "frames to render, FIRST-LAST or one frame (default: every frame of an input "
                     "that knows its length into a pattern or a video file, else 0)");
  render->add_option("--fps", render_options.fps,
                     "frames per second, e.g. 24, 25 or 30000/1001 (default: the input's own "
                     "rate, else 24)");
  render
      ->add_option(
          "--jobs", render_options.jobs,
          "frames rendered at once (default: one per core; video files render one frame at a time "
          "on every core)")
      ->check(CLI::Range(1, 256));
  render->add_flag("--skip-existing", render_options.skip_existing,
                   "leave frames whose output file exists alone (to resume a run)");
  render
      ->add_option("--png-compression", render_options.image.png_compression,
                   "PNG deflate level, 0 fastest to 9 smallest (default 1)")
      ->check(CLI::Range(0, 9));
  render->add_option("--depth", render_options.depth, "bits per channel of the render, 8 or 16")
      ->check(CLI::IsMember({8, 16}));
  render->add_option("--params", render_options.params_file, "JSON file of parameter values");
  render->add_option("--set", render_options.sets, "one parameter value, NAME=VALUE (repeatable)");
  render
      ->add_option("--scale", render_options.scale,
                   "render at 1/N of the layer's size, N 1, 2 or 4: each NxN block of the layer "
                   "averaged and the effect told the downsample 1/N, as the studio's preview")
      ->check(CLI::IsMember({1, 2, 4}));
  AddHostOptions(render, render_host, true);
  // For programs that run the command (the studio's export), not for people.
  render->add_option("--progress-fd", render_options.progress_fd)
      ->group("")
      ->check(CLI::NonNegativeNumber);
  int render_threads = 0;
  render
      ->add_option(
          "--threads", render_threads,
          "threads the host lends the render (default: every core, or LUSTRE_STRAND_THREADS)")
      ->check(CLI::PositiveNumber);

  bool params_as_json = false;
  HostOptionText params_host;
  CLI::App* params = cli.add_subcommand("params", "list the effect's parameters");
  params->add_flag("--json", params_as_json, "print the list as JSON");
  AddHostOptions(params, params_host, false);

  HostOptionText frei0r_host;
  bool frei0r_ffmpeg = false;
  std::vector<std::string> frei0r_sets;
  CLI::App* frei0r_params = cli.add_subcommand(
      "frei0r-params", "list the frei0r plug-in's parameters and how each sets the effect's");
  frei0r_params->add_flag("--ffmpeg", frei0r_ffmpeg,
                          "print ffmpeg's filter_params instead: the --set values by position, "
                          "the parameters before them at their defaults");
  frei0r_params->add_option("--set", frei0r_sets,
                            "with --ffmpeg, one frei0r value, FREI0R NAME=VALUE (repeatable)");
  AddHostOptions(frei0r_params, frei0r_host, false);

  HostOptionText about_host;
  CLI::App* about = cli.add_subcommand("about", "print the effect's about text");
  AddHostOptions(about, about_host, false);

  HostOptionText descriptor_host;
  CLI::App* descriptor = cli.add_subcommand("descriptor", "print the module's descriptor, decoded");
  AddHostOptions(descriptor, descriptor_host, false);

  studio::StudioOptions studio_options;
  HostOptionText studio_host;
  CLI::App* studio_command = cli.add_subcommand(
      "studio", "edit parameters and keyframes in a web page served on this machine");
  CLI::Option* studio_input = studio_command->add_option(
      "--input", studio_options.input, "input layer: an image, a frame pattern or a video file");
  std::string studio_size_text, studio_frames_text, studio_fps_text;
  CLI::Option* studio_size = studio_command->add_option(
      "--size", studio_size_text,
      "size of the built-in layer when there is no input, WxH (default 1920x1080)");
  studio_input->excludes(studio_size);
  studio_command->add_option(
      "--params", studio_options.params_file,
      "the document: a JSON params file, created on the first save (default studio.json)");
  studio_command->add_option("--frames", studio_frames_text,
                             "the timeline, FIRST-LAST (default: a video's frames, else 0-119)");
  studio_command->add_option("--fps", studio_fps_text,
                             "frames per second (default: the input's rate, else 24)");
  studio_command->add_option("--depth", studio_options.depth, "bits per channel, 8 or 16")
      ->check(CLI::IsMember({8, 16}));
  studio_command
      ->add_option("--port", studio_options.port, "port to listen on (default 0: any free port)")
      ->check(CLI::Range(0, 65535));
  studio_command->add_option("--bind", studio_options.bind,
                             "address to listen on (default 127.0.0.1)");
  bool studio_no_open = false;
  studio_command->add_flag("--no-open", studio_no_open, "do not ask the desktop to open the page");
  AddHostOptions(studio_command, studio_host, false);

  const std::string first = argc > 1 ? argv[1] : "";
  if (!first.empty() && first[0] != '-' && first != "render" && first != "params" &&
      first != "frei0r-params" && first != "about" && first != "descriptor" && first != "studio") {
    return Fail(
        cli::kExitBadInput,
        std::string("unknown command '") + argv[1] +
            "'; the commands are render, params, frei0r-params, about, descriptor and studio");
  }
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) { return cli.exit(e); } catch (const CLI::CallForAllHelp& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    cli.exit(e);
    return cli::kExitBadInput;
  }

  return cli::RunReportingFailures([&] {
    if (render->parsed()) {
      if (!size_text.empty()) render_options.size = cli::ParseSize(size_text);
      render_options.host = ResolveHostSettings(render_host);
      if (render_options.scale > 1) {
        if (!render_host.downsample.empty())
          throw app::UsageError("--scale and --downsample cannot be given together");
        const PF_RationalScale factor{1, static_cast<A_u_long>(render_options.scale)};
        render_options.host.downsample = {factor, factor};
      }
      render_options.module_path = ModulePath(render_host);
      embedded::SetHostThreadCount(render_threads);
      render_options.threads = render_threads;
      cli::RunRender(render_options);
    } else if (studio_command->parsed()) {
      if (!studio_size_text.empty()) studio_options.size = cli::ParseSize(studio_size_text);
      if (!studio_frames_text.empty())
        studio_options.frames = cli::ParseFrameRange(studio_frames_text);
      if (!studio_fps_text.empty()) studio_options.fps = cli::ParseRate(studio_fps_text);
      studio_options.host = ResolveHostSettings(studio_host);
      studio_options.module_path = ModulePath(studio_host);
      studio_options.open_browser = !studio_no_open;
      studio_options.stop = cli::InterruptToken();
      studio::RunStudio(studio_options);
    } else if (params->parsed()) {
      app::EffectSession session(ModulePath(params_host), ResolveHostSettings(params_host));
      const std::string text =
          params_as_json ? cli::ParamsJson(session.Names()) : cli::ParamsTable(session.Names());
      std::fputs(text.c_str(), stdout);
    } else if (frei0r_params->parsed()) {
      app::EffectSession session(ModulePath(frei0r_host), ResolveHostSettings(frei0r_host));
      const lustre_frei0r::Frei0rParamTable table(session.Names());
      if (frei0r_ffmpeg) {
        std::vector<std::pair<std::string, std::string>> given;
        for (const std::string& set : frei0r_sets) {
          const size_t equals = set.find('=');
          if (equals == std::string::npos) {
            throw app::UsageError("--set '" + set +
                                  "': write NAME=VALUE, e.g. --set \"Line Width=0.04\"");
          }
          given.emplace_back(set.substr(0, equals), set.substr(equals + 1));
        }
        try {
          std::printf("%s\n", lustre_frei0r::FfmpegFilterParams(table, given).c_str());
        } catch (const std::invalid_argument& refused) { throw app::UsageError(refused.what()); }
      } else {
        std::fputs(lustre_frei0r::MappingTableText(table).c_str(), stdout);
      }
    } else if (about->parsed()) {
      app::EffectSession session(ModulePath(about_host), ResolveHostSettings(about_host));
      std::fputs(cli::AboutText(session).c_str(), stdout);
    } else if (descriptor->parsed()) {
      app::EffectSession session(ModulePath(descriptor_host), ResolveHostSettings(descriptor_host));
      std::fputs(cli::DescriptorText(session).c_str(), stdout);
    }
  });
}
