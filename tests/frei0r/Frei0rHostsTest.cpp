// The plug-in in the real tools: ffmpeg, melt (with keyframes, on several
// threads) and gst-launch-1.0 render frames equal, byte for byte, to
// `lustre-strand render` of the same parameters on the same input frame.
#include <cmath>
#include <cstdio>
#include <sstream>

#include "Frei0rTestSupport.h"

namespace frei0r_test {
namespace {

constexpr uint32_t kWidth = 96, kHeight = 64;

// One parameter given the same way to a frei0r host and to the command.
struct Given {
  std::string frei0r_name;
  std::string frei0r_value;  // as ffmpeg / melt take it
  std::string command_set;   // NAME=VALUE for lustre-strand render --set
};

// Values of every kind, none at its default; the command's values written
// out by hand from the mapping (1 + 999 v, 100 v, v x 96, v x 64, 255 c).
// clang-format off
const std::vector<Given> kGiven = {
    {"End Point Style", "flat", "End Point Style=Flat"},
    {"Line Width", "0.011011011", "Line Width=12"},
    {"Falloff", "0.35", "Falloff=35"},
    {"Gradient Interpolation", "3", "Gradient Interpolation=HSL"},
    {"Color Dot 2/Color", "#ffcc00", "Color Dot 2/Color=#ffcc00"},
    {"Color Dot 2/Opacity", "0.5", "Color Dot 2/Opacity=50"},
    {"Original Blend Transfer", "Screen", "Original Blend Transfer=Screen"},
    {"Composite with Original", "0.25", "Composite with Original=25"},
    {"Point 1/Activate", "y", "Point 1/Activate=on"},
    {"Point 1/Point X", "0.25", "Point 1/Point=24,48"},
    {"Point 1/Point Y", "0.75", ""},
    {"Point 2/Activate", "y", "Point 2/Activate=on"},
    {"Point 3/Activate", "y", "Point 3/Activate=on"},
    {"Point 3/Point X", "0.8125", "Point 3/Point=78,8"},
    {"Point 3/Point Y", "0.125", ""}};
// clang-format on

Args operator+(Args a, const Args& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

Args CommandSets(const std::vector<Given>& given) {
  Args sets;
  for (const Given& g : given) {
    if (!g.command_set.empty()) sets.push_back(g.command_set);
  }
  return sets;
}

// ffmpeg takes parameters by position; the command writes them out, the
// parameters before the last one given at their defaults.
std::string FfmpegParams(const std::vector<Given>& given) {
  Args args{LUSTRE_CLI_PATH, "frei0r-params", "--ffmpeg"};
  for (const Given& g : given) args = args + Args{"--set", g.frei0r_name + "=" + g.frei0r_value};
  const auto ran = RunProgram(args);
  EXPECT_EQ(ran.exit_status, 0) << ran.err;
  return ran.out.substr(0, ran.out.find('\n'));
}

// The tools are not built with the sanitizers, and a sanitized plug-in cannot
// be loaded into a process whose first library is not the sanitizer runtime.
#ifdef LUSTRE_SANITIZED
#define SKIP_IN_SANITIZED_BUILDS()                          \
  GTEST_SKIP() << "built with -fsanitize=" LUSTRE_SANITIZED \
                  ": the tools cannot load a sanitized plug-in"
#else
#define SKIP_IN_SANITIZED_BUILDS()
#endif

// ffmpeg and GStreamer, each filtering the same frame with the same values.
// GStreamer's property names: lower case, '-' for everything else; a colour
// is three float properties, a BOOL a boolean.
TEST(Frei0rInTools, FilteredFrameEqualsTheCommandsRender) {
  SKIP_IN_SANITIZED_BUILDS();
  testfiles::TempFolder folder;
  const std::vector<uint32_t> input = PatternSamples(kWidth, kHeight);
  WriteRgba(folder.File("in.png"), kWidth, kHeight, input);
  const std::vector<uint32_t> expected =
      CommandRender(folder.File("in.png"), CommandSets(kGiven), folder.File("ref.png"));
  EXPECT_GT(DifferingSamples(expected, input), 100u);  // a stroke is drawn
  // clang-format off
  const Args tools[] = {{"ffmpeg", "-v", "error", "-y", "-i", folder.File("in.png"), "-vf",
                         "frei0r=filter_name=lustre-strand:filter_params=" + FfmpegParams(kGiven),
                         "-frames:v", "1", "-pix_fmt", "rgba", folder.File("out.png")},
                        {"gst-launch-1.0", "-q", "filesrc", "location=" + folder.File("in.png"),
                         "!", "pngdec", "!", "videoconvert", "!", "video/x-raw,format=RGBA",
                         "!", "frei0r-filter-lustre-strand",
                         "end-point-style=Flat", "line-width=0.011011011", "falloff=0.35",
                         "gradient-interpolation=HSL", "color-dot-2-color-r=1",
                         "color-dot-2-color-g=0.8", "color-dot-2-color-b=0",
                         "color-dot-2-opacity=0.5", "original-blend-transfer=Screen",
                         "composite-with-original=0.25", "point-1-activate=true",
                         "point-1-point-x=0.25", "point-1-point-y=0.75", "point-2-activate=true",
                         "point-3-activate=true", "point-3-point-x=0.8125",
                         "point-3-point-y=0.125",
                         "!", "videoconvert", "!", "video/x-raw,format=RGBA", "!", "pngenc",
                         "!", "filesink", "location=" + folder.File("out.png")}};
  // clang-format on
  for (const Args& tool : tools) {
    SCOPED_TRACE(tool[0]);
    std::remove(folder.File("out.png").c_str());
    const auto ran = RunProgram(tool, HostEnv(folder));
    ASSERT_EQ(ran.exit_status, 0) << ran.err;
    EXPECT_EQ(DifferingSamples(ReadRgba(folder.File("out.png")), expected), 0u);
    if (tool[0] == "ffmpeg") { EXPECT_EQ(ran.err, ""); }
  }
}

// The video stream's packets, a checksum line each (ffmpeg's framemd5 of a
// stream copy, without its header).
std::vector<std::string> VideoPackets(const std::string& file) {
  const auto ran = RunProgram(
      {"ffmpeg", "-v", "error", "-i", file, "-map", "0:v", "-c", "copy", "-f", "framemd5", "-"});
  EXPECT_EQ(ran.exit_status, 0) << ran.err;
  std::vector<std::string> packets;
  std::istringstream lines(ran.out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != '#') packets.push_back(line);
  }
  return packets;
}

// A 4:2:0 H.264 clip through ffmpeg with the plug-in, told to convert as the
// command does (chroma interpolated with exact rounding in; BT.709, limited
// range out), writes the command's own file packet for packet. FFV1 is left
// out: swscale's 8- to 16-bit widening is not exact (255 becomes 65532),
// where the command's is.
TEST(Frei0rInTools, VideoThroughFfmpegWithTheCommandsConversionsIsTheCommandsFile) {
  SKIP_IN_SANITIZED_BUILDS();
  testfiles::TempFolder folder;
  const std::string clip = folder.File("clip.mp4");
  ASSERT_EQ(RunProgram({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc2=size=96x64:rate=24",
                        "-frames:v", "6", "-c:v", "libx264", "-pix_fmt", "yuv420p", clip})
                .exit_status,
            0);
  const std::string flags = "flags=bicubic+accurate_rnd+full_chroma_int+full_chroma_inp";
  const struct {
    const char* file;
    const char* format;
    Args encoder;
  } cases[] = {{"out.mov", "yuva444p10le", {"-c:v", "prores_ks", "-profile:v", "4444"}},
               {"out.mp4", "yuv420p", {"-c:v", "libx264", "-crf", "18", "-preset", "medium"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Args command{LUSTRE_CLI_PATH, "render", "--input", clip, "--output", folder.File(c.file)};
    for (const std::string& set : CommandSets(kGiven)) command = command + Args{"--set", set};
    ASSERT_EQ(RunProgram(command).exit_status, 0);
    const std::string filters =
        "scale=" + flags +
        ",frei0r=filter_name=lustre-strand:filter_params=" + FfmpegParams(kGiven) +
        ",scale=out_color_matrix=bt709:out_range=tv:" + flags + ",format=" + c.format +
        ",setparams=colorspace=bt709:color_primaries=bt709:color_trc=bt709:range=tv";
    const std::string through_ffmpeg = folder.File(std::string("ffmpeg-") + c.file);
    const auto ran = RunProgram(Args{"ffmpeg", "-v", "error", "-y", "-i", clip, "-vf", filters} +
                                    c.encoder + Args{through_ffmpeg},
                                HostEnv(folder));
    ASSERT_EQ(ran.exit_status, 0) << ran.err;
    const std::vector<std::string> packets = VideoPackets(folder.File(c.file));
    EXPECT_EQ(packets.size(), 6u);
    EXPECT_EQ(VideoPackets(through_ffmpeg), packets);
  }
}

// ---- melt: keyframes ----------------------------------------------------------------------

constexpr int kLastFrame = 9;
constexpr double kWidthKey0 = 0.004004004, kWidthKey9 = 0.022022022;  // about 5 and 23 pixels

// MLT's linear keyframes: the value at frame k between keys at 0 and 9, then
// the slider's mapping 1 + 999 v rounded to 0.01.
std::string LineWidthAtFrame(int k) {
  const double v = kWidthKey0 + (kWidthKey9 - kWidthKey0) * k / kLastFrame;
  char text[32];
  std::snprintf(text, sizeof text, "Line Width=%.2f", std::round((1 + 999 * v) * 100) / 100);
  return text;
}

const char kKeyframes[] = "0=0.004004004;9=0.022022022";
const char kColour[] = "0x204080ff";
const Args kMeltProperties = {"Point 1/Activate=1", "Point 2/Activate=1", "Point 3/Activate=1",
                              "End Point Style=Flat"};

// The frames melt wrote as prefix01.png ... (image numbers start at 1),
// each compared with the command's render of frame k's values.
void ExpectFramesFollowTheKeys(const testfiles::TempFolder& folder, const std::string& prefix) {
  // The colour producer's frame, as a PNG for the command.
  std::vector<uint32_t> solid;
  for (uint32_t i = 0; i < 64 * 48; ++i) solid.insert(solid.end(), {0x20, 0x40, 0x80, 0xff});
  WriteRgba(folder.File("solid.png"), 64, 48, solid);
  std::vector<std::vector<uint32_t>> frames;
  for (int k = 0; k <= kLastFrame; ++k) {
    SCOPED_TRACE(prefix + " frame " + std::to_string(k));
    char name[64];
    std::snprintf(name, sizeof name, "%s%02d.png", prefix.c_str(), k + 1);
    frames.push_back(ReadRgba(folder.File(name)));
    const std::vector<uint32_t> expected =
        CommandRender(folder.File("solid.png"),
                      {LineWidthAtFrame(k), "Point 1/Activate=on", "Point 2/Activate=on",
                       "Point 3/Activate=on", "End Point Style=Flat"},
                      folder.File("ref.png"));
    EXPECT_EQ(DifferingSamples(frames.back(), expected), 0u);
  }
  EXPECT_GT(DifferingSamples(frames.front(), frames.back()), 100u);  // the stroke did change
}

// Rendered by three threads in parallel: MLT then makes one instance per
// thread and the frames alternate between them, so each instance also renders
// several frames in turn, as a single thread would (negative real_time, so that
// no frame is dropped).
TEST(Frei0rInMelt, KeyframedLineWidthFollowsMltsLinearKeys) {
  SKIP_IN_SANITIZED_BUILDS();
  testfiles::TempFolder folder;
  const Args args = Args{"melt", std::string("colour:") + kColour,
                         "out=" + std::to_string(kLastFrame), "-filter", "frei0r.lustre-strand"} +
                    kMeltProperties + Args{std::string("Line Width=") + kKeyframes} +
                    Args{"-consumer",   "avformat:" + folder.File("m_%02d.png"),
                         "vcodec=png",  "pix_fmt=rgba",
                         "width=64",    "height=48",
                         "real_time=-3"};
  const auto ran = RunProgram(args, HostEnv(folder));
  ASSERT_EQ(ran.exit_status, 0) << ran.err;
  ExpectFramesFollowTheKeys(folder, "m_");
}

}  // namespace
}  // namespace frei0r_test
