// Video files through the command. Clips are made with the ffmpeg tool; what
// the command writes is read back with ffprobe and ffmpeg, never with the
// command's own video code, and compared with the command's still render of
// the same frame taken out of the clip by ffmpeg.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "app/media/ImageIo.h"
#include "app/media/VideoSink.h"
#include "app/media/VideoSource.h"
#include "host/sdk/PixelConversion.h"
#include "support/CliRun.h"

namespace testfiles {
namespace {

// Runs a shell command; its standard output. Throws when it fails.
std::string Shell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  return out;
}

// Ten 64x48 frames of ffmpeg's moving test pattern with an alpha that
// varies across the picture and from frame to frame, stored losslessly (PNG
// in MOV) at 30000/1001 frames a second, with an AAC sine tone.
//   rgba8: 8-bit RGBA; rgba16: 16-bit RGBA whose samples are not multiples of
//   257; yuv9 and yuv10: 9- and 10-bit 4:2:0 FFV1 without alpha; yuva10 and
//   yuva8: rgba8's pictures as 10-bit 4:4:4 and 8-bit 4:2:0 FFV1 with alpha;
//   pcm: rgba8 with PCM sound.
std::string MakeClip(const TempFolder& folder, const std::string& kind,
                     const std::string& size = "64x48", int frames = 10) {
  const std::string source = "-f lavfi -i \"testsrc2=size=" + size + ":rate=30000/1001,";
  const std::string sound =
      " -f lavfi -i sine=frequency=440:sample_rate=48000 -t " + std::to_string(frames * 1.001 / 30);
  const std::string rgba =
      source + "format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='mod(X*4+N*20,256)'\"" + sound;
  const std::map<std::string, std::pair<std::string, std::string>> kinds = {
      {"rgba8", {rgba + " -c:v png -c:a aac", ".mov"}},
      {"pcm", {rgba + " -c:v png -c:a pcm_s16le", ".mov"}},
      {"rgba16",
       {source + "format=gbrap16le,geq=r='mod(r(X,Y)+X*13+N*101,65536)':g='g(X,Y)':b='b(X,Y)':a='X*"
                 "1000+N*7'\""
                 " -c:v png -pix_fmt rgba64be",
        ".mov"}},
      {"yuv9", {source + "format=yuv420p9le\" -c:v ffv1", ".mkv"}},
      {"yuv10", {source + "format=yuv420p10le\" -c:v ffv1", ".mkv"}},
      {"yuva10", {rgba + " -an -c:v ffv1 -pix_fmt yuva444p10le", ".mkv"}},
      {"yuva8", {rgba + " -an -c:v ffv1 -pix_fmt yuva420p", ".mkv"}},
      {"fast", {source + "format=yuv420p\" -c:v ffv1", ".mkv"}}};
  const std::string path = folder.File(kind + kinds.at(kind).second);
  Shell("ffmpeg -v error -y " + kinds.at(kind).first + " -frames:v " + std::to_string(frames) +
        " '" + path + "'");
  return path;
}

// The streams of a file as ffprobe reports them, frames counted by decoding.
struct Streams {
  nlohmann::json video = nlohmann::json::object(), audio = nlohmann::json::object();
};

Streams Probe(const std::string& path) {
  const auto report = nlohmann::json::parse(
      Shell("ffprobe -v error -count_frames -show_streams -of json '" + path + "'"));
  Streams streams;
  for (const auto& stream : report["streams"])
    (stream["codec_type"] == "video" ? streams.video : streams.audio) = stream;
  return streams;
}

// Frame `n` of a video file as RGBA samples of 16 bits, decoded by ffmpeg.
std::vector<uint16_t> DecodeFrame(const std::string& path, int n) {
  const std::string raw =
      Shell("ffmpeg -v error -i '" + path + "' -vf 'select=eq(n\\," + std::to_string(n) +
            ")' -frames:v 1 -f rawvideo -pix_fmt rgba64le -");
  std::vector<uint16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return samples;
}

// Frame `n` of a clip as a PNG file, taken out by ffmpeg.
std::string ExtractPng(const std::string& clip, int n, bool deep, const std::string& png) {
  Shell("ffmpeg -v error -y -i '" + clip + "' -vf 'select=eq(n\\," + std::to_string(n) +
        ")' -frames:v 1 -pix_fmt " + (deep ? "rgba64be" : "rgba") + " '" + png + "'");
  return png;
}

// Points 1 and 2 with their handles across the middle of a 64x48 frame.
const Args kStroke = {"--set", "Point 1/Activate=on", "--set", "Point 2/Activate=on",
                      "--set", "Point 1/Point=6,24",  "--set", "Point 1/Handle=0,20",
                      "--set", "Point 2/Point=58,24", "--set", "Point 2/Handle=50,30",
                      "--set", "Line Width=12"};

CliRun Render(const Args& args) { return RunCli(Args{"render"} + args + kStroke); }

// How far a decoded 64x48 frame is from a still, in 16-bit units (8-bit
// still samples scaled by 257): the largest difference of a colour and of an
// alpha sample, and the largest difference of a colour channel's mean over
// an 8x8 block (where subsampling and compression noise average out, and a
// wrong matrix, range or channel order does not).
struct Distance {
  uint32_t colour_max = 0, alpha_max = 0;
  double block_max = 0;
};

Distance Measure(const std::vector<uint16_t>& frame, const RawPng& still) {
  Distance d;
  const uint32_t scale = still.bit_depth == 16 ? 1 : 257;
  EXPECT_EQ(frame.size(), size_t{64 * 48 * 4});
  EXPECT_EQ(still.samples.size(), size_t{64 * 48 * 4});
  if (frame.size() != still.samples.size()) return d;
  std::vector<double> blocks(8 * 6 * 3);
  for (size_t i = 0; i < frame.size(); ++i) {
    const int diff = int(frame[i]) - int(still.samples[i] * scale);
    const size_t pixel = i / 4, channel = i % 4;
    if (channel == 3) {
      d.alpha_max = std::max(d.alpha_max, uint32_t(std::abs(diff)));
    } else {
      d.colour_max = std::max(d.colour_max, uint32_t(std::abs(diff)));
      blocks[((pixel / 64 / 8) * 8 + pixel % 64 / 8) * 3 + channel] += diff / 64.0;
    }
  }
  for (double b : blocks) d.block_max = std::max(d.block_max, std::abs(b));
  return d;
}

// Standard error without the progress log's lines ("lustre-strand: frame
// 3 done, ...", "lustre-strand: frames 0-9: rendered ..."), which a run off a
// terminal writes.
std::string WithoutProgress(const std::string& err) {
  std::string kept;
  for (size_t at = 0; at < err.size();) {
    const size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
    if (err.compare(at, 20, "lustre-strand: frame") != 0) kept += err.substr(at, end - at);
    at = end;
  }
  return kept;
}

// Each output kind: its codec and what survives of the picture. FFV1 is
// lossless, so its frames equal the still render bit for bit. ProRes keeps
// alpha within two 10-bit steps and block colours within 0.5 %, so its
// colour description must be read back as written. H.264 drops alpha
// (opaque) and subsamples colour, which on this small saturated pattern
// moves block colours by up to 8 % even at crf 0 (ffmpeg's own encode does
// the same): those rows check the channel order, not the matrix, from 8-bit
// and from 16-bit renders (which reach the encoder by different paths).
TEST(VideoOut, CarriesFramesSizeRateAlphaAndSoundOfEachKind) {
  // clang-format off
  const struct {
    const char* clip;
    const char* file;
    Args depth;
    const char* codec;
    const char* profile;
    uint32_t colour_max, alpha_max;
    double block_max;
    bool opaque;
  } cases[] = {
      {"rgba8", "out.mkv", {}, "ffv1", "", 0, 0, 0, false},
      {"rgba8", "out.mkv", {"--depth", "16"}, "ffv1", "", 0, 0, 0, false},
      {"rgba16", "out.mkv", {"--depth", "16"}, "ffv1", "", 0, 0, 0, false},
      {"rgba8", "out.mov", {}, "prores", "4444", 65535, 2 * 65535 / 1023, 0.005 * 65535, false},
      {"rgba8", "out.mp4", {}, "h264", "High", 65535, 65535, 0.1 * 65535, true},
      {"rgba16", "out.mp4", {"--depth", "16"}, "h264", "High", 65535, 65535, 0.1 * 65535, true}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.clip) + " -> " + c.file + (c.depth.empty() ? "" : " --depth 16"));
    TempFolder folder;
    const std::string clip = MakeClip(folder, c.clip);
    const CliRun run = Render(Args{"--input", clip, "--output", folder.File(c.file)} + c.depth);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    // Off a terminal the run logs its progress, ending with what it
    // rendered, and says nothing else.
    EXPECT_TRUE(Contains(run.err, "lustre-strand: frames 0-9: rendered 10 in ")) << run.err;
    EXPECT_TRUE(Contains(run.err, ", skipped 0 already written\n")) << run.err;
    EXPECT_EQ(WithoutProgress(run.err), "");
    const Streams out = Probe(folder.File(c.file));
    EXPECT_EQ(out.video.value("codec_name", ""), c.codec);
    if (*c.profile) { EXPECT_EQ(out.video.value("profile", ""), c.profile); }
    EXPECT_EQ(out.video.value("width", 0), 64);
    EXPECT_EQ(out.video.value("height", 0), 48);
    EXPECT_EQ(out.video.value("r_frame_rate", ""), "30000/1001");
    EXPECT_EQ(out.video.value("nb_read_frames", ""), "10");
    const bool sound = std::string(c.clip) != "rgba16";
    EXPECT_EQ(out.audio.value("codec_name", ""), sound ? "aac" : "");
    if (sound) {
      EXPECT_EQ(out.audio.value("nb_read_frames", ""),
                Probe(clip).audio.value("nb_read_frames", "?"));
    }
    const bool deep = !c.depth.empty() || std::string(c.clip) == "rgba16";
    for (int n : {0, 7}) {
      SCOPED_TRACE("frame " + std::to_string(n));
      const std::string png =
          ExtractPng(clip, n, std::string(c.clip) == "rgba16", folder.File("frame.png"));
      ASSERT_EQ(
          Render(Args{"--input", png, "--output", folder.File("still.png")} + c.depth).exit_status,
          0);
      const RawPng still = ReadPng(folder.File("still.png"));
      ASSERT_EQ(still.bit_depth, deep ? 16 : 8);
      const std::vector<uint16_t> frame = DecodeFrame(folder.File(c.file), n);
      const Distance d = Measure(frame, still);
      EXPECT_LE(d.colour_max, c.colour_max);
      EXPECT_LE(d.block_max, c.block_max);
      EXPECT_LE(d.alpha_max, c.alpha_max);
      if (c.opaque) {
        for (size_t i = 3; i < frame.size(); i += 4) ASSERT_EQ(frame[i], 65535) << "sample " << i;
      } else {
        EXPECT_NE(still.At(0, 0, 3), still.At(63, 0, 3));  // the alpha compared does vary
      }
    }
  }
}

// A range of a video's frames, with a keyframed stroke: frame i of the file
// is the still render of input frame 3 + i at that frame's time, and the
// sound covers just those four frames. Into a frame pattern, every frame of
// the video becomes a file, and a sequence goes into a video at --fps.
TEST(VideoIn, FramesAndKeyframesFollowTheFrameLoop) {
  TempFolder folder;
  const std::string clip = MakeClip(folder, "rgba8");
  std::ofstream(folder.File("anim.json")) << R"({"Point 1/Activate": true, "Point 2/Activate": true,
    "Point 1/Point": [6, 24], "Point 2/Point": [{"frame": 3, "value": [30, 10]}, {"frame": 6, "value": [58, 40]}],
    "Line Width": [{"frame": 3, "value": 4}, {"frame": 6, "value": 16}]})";
  const Args animated = {"--params", folder.File("anim.json")};
  const CliRun run = RunCli(
      Args{"render", "--input", clip, "--output", folder.File("part.mkv"), "--frames", "3-6"} +
      animated);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, folder.File("part.mkv") + "\n");
  const Streams out = Probe(folder.File("part.mkv"));
  EXPECT_EQ(out.video.value("nb_read_frames", ""), "4");
  // Four frames are 0.1335 s: 6.3 AAC frames of 1024 samples at 48 kHz.
  const int sound_frames = std::stoi(out.audio.value("nb_read_frames", "0"));
  EXPECT_TRUE(sound_frames >= 6 && sound_frames <= 7) << sound_frames;
  std::vector<uint16_t> previous;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("frame " + std::to_string(3 + i));
    const std::string png = ExtractPng(clip, 3 + i, false, folder.File("frame.png"));
    // clang-format off
    const Args still = {"render", "--input", png, "--output", folder.File("still.png"),
                        "--frames", std::to_string(3 + i), "--fps", "30000/1001"};
    // clang-format on
    ASSERT_EQ(RunCli(still + animated).exit_status, 0);
    const std::vector<uint16_t> frame = DecodeFrame(folder.File("part.mkv"), i);
    EXPECT_EQ(Measure(frame, ReadPng(folder.File("still.png"))).colour_max, 0u);
    EXPECT_NE(frame, previous);
    previous = frame;
  }
  const CliRun sequence =
      RunCli({"render", "--input", clip, "--output", folder.File("f.%02d.png")});
  ASSERT_EQ(sequence.exit_status, 0) << sequence.err;
  EXPECT_EQ(std::count(sequence.out.begin(), sequence.out.end(), '\n'), 10);
  // And back: the sequence at --fps 25 into a video, no point active, so the
  // frames pass through unchanged (8-bit samples scaled by 257).
  const CliRun back = RunCli({"render", "--input", folder.File("f.%02d.png"), "--frames", "0-9",
                              "--fps", "25", "--output", folder.File("seq.mkv")});
  ASSERT_EQ(back.exit_status, 0) << back.err;
  const Streams seq = Probe(folder.File("seq.mkv"));
  EXPECT_EQ(seq.video.value("r_frame_rate", ""), "25/1");
  EXPECT_EQ(seq.video.value("nb_read_frames", ""), "10");
  EXPECT_TRUE(seq.audio.empty());
  EXPECT_EQ(
      Measure(DecodeFrame(folder.File("seq.mkv"), 9), ReadPng(folder.File("f.09.png"))).colour_max,
      0u);
}

// The sound keeps its place against the pictures: here the video starts
// 0.5 s in and the tone ends at 0.3 s, so the frames carry no sound at all.
TEST(VideoOut, SoundKeepsItsOffsetFromThePictures) {
  TempFolder folder;
  Shell(
      "ffmpeg -v error -itsoffset 0.5 -f lavfi -i testsrc2=size=64x48:rate=25 -f lavfi -i "
      "sine=duration=0.3 "
      "-frames:v 10 -c:v ffv1 -c:a aac '" +
      folder.File("late.mkv") + "'");
  ASSERT_GT(std::atoi(Probe(folder.File("late.mkv")).audio.value("nb_read_frames", "").c_str()),
            10);  // the tone
  const CliRun run =
      RunCli({"render", "--input", folder.File("late.mkv"), "--output", folder.File("out.mkv")});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(std::atoi(Probe(folder.File("out.mkv")).audio.value("nb_read_frames", "").c_str()),
            0);  // "N/A"
}

// The sound of a stretch of frames ends where its last frame ends: with
// sound packets as long as a frame (1920 samples at 48 kHz, 25 frames a
// second), frames 2 to 5 carry exactly four, the first at the stretch's start.
TEST(VideoOut, SoundOfAStretchEndsWithItsLastFrame) {
  TempFolder folder;
  Shell(
      "ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=25 -f lavfi -i "
      "sine=sample_rate=48000,asetnsamples=n=1920 -frames:v 10 -t 0.4 -c:v ffv1 -c:a pcm_s16le '" +
      folder.File("in.mkv") + "'");
  const CliRun run = RunCli({"render", "--input", folder.File("in.mkv"), "--output",
                             folder.File("out.mkv"), "--frames", "2-5"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(Shell("ffprobe -v error -select_streams a -show_entries packet=pts -of csv=p=0 '" +
                  folder.File("out.mkv") + "'"),
            "0\n40\n80\n120\n");
}

// Sound in a codec the container does not take is left out, with one note;
// where it is taken, it is carried.
TEST(VideoOut, SoundTheContainerRefusesIsLeftOutWithANote) {
  // clang-format off
  const struct { const char* file; const char* audio; bool note; } cases[] = {
      {"out.mp4", "", true},
      {"out.mov", "pcm_s16le", false}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder folder;
    const CliRun run =
        Render({"--input", MakeClip(folder, "pcm"), "--output", folder.File(c.file)});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(WithoutProgress(run.err),
              c.note ? "lustre-strand: the audio of '" + folder.File("pcm.mov") +
                           "' (pcm_s16le) cannot go into a .mp4 file; '" + folder.File(c.file) +
                           "' is written without sound\n"
                     : "");
    EXPECT_EQ(Probe(folder.File(c.file)).audio.value("codec_name", ""), c.audio);
  }
}

// A 9- or 10-bit source renders at 16 bits unless --depth says 8, an 8-bit
// one at 8. An 8-bit render reaches the 16-bit file as multiples of 257; a
// 16-bit one keeps the source's finer steps. Away from the stroke (below
// y = 24 + 12) the pixels are the source's YUV as ffmpeg itself converts it
// to RGB, within 8 % on 8x8 block means: the chroma interpolation differs at
// the pattern's sharp edges, a wrong matrix, range, contrast or channel order
// does more. Alpha there is the source's, within rounding.
TEST(VideoIn, YuvSourcesRenderAtTheirDepthWithTheirAlpha) {
  // clang-format off
  const struct { const char* kind; Args depth; bool deep; uint32_t alpha_within; } cases[] = {
      {"yuv9", {}, true, 1}, {"yuv10", {}, true, 1}, {"yuv10", {"--depth", "8"}, false, 128},
      {"yuva10", {}, true, 1}, {"yuva10", {"--depth", "8"}, false, 128},
      {"yuva8", {}, false, 255}};  // ffmpeg widens 8-bit alpha as a << 8, we as a * 257
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + (c.deep ? " at 16 bits" : " at 8 bits"));
    TempFolder folder;
    const std::string clip = MakeClip(folder, c.kind);
    ASSERT_EQ(
        Render(Args{"--input", clip, "--output", folder.File("out.mkv")} + c.depth).exit_status, 0);
    const std::vector<uint16_t> frame = DecodeFrame(folder.File("out.mkv"), 4);
    ASSERT_EQ(frame.size(), 64u * 48u * 4u);
    // Below the stroke, the source's own depth shows: a deep source's samples
    // are not all 8-bit values widened (as the file widens an 8-bit render,
    // or as a 16-bit render widens an 8-bit layer).
    std::set<uint16_t> widened;
    for (int v = 0; v < 256; ++v) {
      widened.insert(static_cast<uint16_t>(v * 257));
      widened.insert(app::ChannelToSample16(Convert8To16(static_cast<A_u_char>(v))));
    }
    EXPECT_EQ(std::any_of(frame.begin() + 64 * 40 * 4, frame.end(),
                          [&](uint16_t v) { return widened.count(v) == 0; }),
              c.deep);
    std::vector<uint16_t> source = DecodeFrame(clip, 4);
    ASSERT_EQ(source.size(), frame.size());
    std::copy(frame.begin(), frame.begin() + 64 * 40 * 4,
              source.begin());  // the stroke's rows, as rendered
    const RawPng reference{64, 48,
                           16, PNG_COLOR_TYPE_RGB_ALPHA,
                           4,  std::vector<uint32_t>(source.begin(), source.end())};
    const Distance d = Measure(frame, reference);
    EXPECT_LE(d.block_max, 0.08 * 65535);
    EXPECT_LE(d.alpha_max, c.alpha_within);
  }
}

// Frames handed to the sink out of order are written in the order of the
// run; each frame is a solid colour, so the order shows in the file.
TEST(VideoOut, SinkWritesFramesInTheRunsOrder) {
  TempFolder folder;
  const std::string path = folder.File("order.mkv");
  app::VideoSink sink({path, 16, 8, {24, 1}, {5, 6, 7, 8}, ""});
  for (long frame : {7, 5, 8, 6}) {
    std::vector<PF_Pixel> pixels(16 * 8, PF_Pixel{255, static_cast<A_u_char>(frame * 10), 0, 0});
    PF_EffectWorld world{};
    world.width = 16;
    world.height = 8;
    world.rowbytes = 16 * 4;
    world.data = pixels.data();
    sink.WriteFrame(frame, world);
  }
  EXPECT_TRUE(folder.Files().size() == 1 && folder.Files()[0].find("order.mkv.lustre-tmp-") == 0);
  sink.Finish();
  EXPECT_EQ(folder.Files(), Args{"order.mkv"});
  for (int n = 0; n < 4; ++n) {
    const std::vector<uint16_t> decoded = DecodeFrame(path, n);
    ASSERT_EQ(decoded.size(), 16u * 8u * 4u);
    std::vector<uint16_t> expected;
    for (int i = 0; i < 16 * 8; ++i)
      expected.insert(expected.end(), {uint16_t((5 + n) * 10 * 257), 0, 0, 65535});
    EXPECT_EQ(decoded, expected) << "frame " << n;
  }
}

// Refused video input or output exits with 2, names the file and the cause,
// and leaves no file behind.
TEST(VideoInput, IsRefusedWithTwoNamingTheCauseAndWritingNothing) {
  // clang-format off
  const struct { Args args; std::vector<std::string> fragments; } cases[] = {
      {{"--input", "TEXT", "--output", "out.mkv"},
       {"text.mp4': Invalid data found when processing input"}},
      {{"--input", "TRUNC", "--output", "out.mkv"}, {"trunc.mkv': truncated"}},
      {{"--input", "MISSING", "--output", "out.mkv"}, {"missing.mov': No such file or directory"}},
      {{"--input", "SOUND", "--output", "out.mkv"}, {"sound.wav': it holds no video stream"}},
      {{"--input", "WIDE", "--output", "out.mkv"},
       {"wide.mkv': its frames are 30002x2 pixels", "than 30000 pixels"}},
      {{"--input", "CLIP", "--output", "out.avi"},
       {"out.avi", "video files are written as .mov, .mkv or .mp4"}},
      {{"--input", "CLIP", "--output", "no/such/folder/out.mkv"}, {"no/such/folder/out.mkv"}},
      {{"--input", "ODD", "--output", "out.mp4"},
       {"out.mp4': H.264 (yuv420p) needs a width divisible by 2", "63x47"}},
      {{"--input", "CLIP", "--output", "out.mkv", "--frames", "30-35"},
       {"--frames '30-35'", "fast.mkv' has frames 0 to 29"}}};
  // clang-format on
  TempFolder sources;
  const std::string clip = MakeClip(sources, "fast", "64x48", 30);
  const std::string whole = ReadFile(clip);
  std::ofstream(sources.File("trunc.mkv"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::ofstream(sources.File("text.mp4")) << "not a video\n";
  Shell("ffmpeg -v error -f lavfi -i sine -t 0.2 '" + sources.File("sound.wav") + "'");
  Shell(
      "ffmpeg -v error -f lavfi -i testsrc2=size=64x48,format=rgba,crop=63:47 -frames:v 2 -c:v "
      "ffv1 '" +
      sources.File("odd.mkv") + "'");
  Shell("ffmpeg -v error -f lavfi -i color=size=30002x2 -frames:v 1 -c:v ffv1 '" +
        sources.File("wide.mkv") + "'");
  const std::map<std::string, std::string> files = {{"CLIP", clip},
                                                    {"TRUNC", sources.File("trunc.mkv")},
                                                    {"TEXT", sources.File("text.mp4")},
                                                    {"MISSING", sources.File("missing.mov")},
                                                    {"SOUND", sources.File("sound.wav")},
                                                    {"ODD", sources.File("odd.mkv")},
                                                    {"WIDE", sources.File("wide.mkv")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    TempFolder folder;
    Args args = c.args;
    for (std::string& a : args)
      a = files.count(a)                              ? files.at(a)
          : a.find("out.") == 0 || a.find("no/") == 0 ? folder.File(a)
                                                      : a;
    const CliRun run = Render(args);
    EXPECT_EQ(run.exit_status, 2) << run.err;
    for (const std::string& fragment : c.fragments)
      EXPECT_TRUE(Contains(run.err, fragment)) << run.err;
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_EQ(run.out, "");
  }
}

// A clip whose timestamps start 2 s in (cut from a longer one with its
// timestamps kept) renders every frame; cut in half, it is refused.
TEST(VideoInput, ALateFirstTimestampIsNotTakenForTruncation) {
  TempFolder folder;
  const std::string clip = MakeClip(folder, "fast", "64x48", 30);
  for (const char* late : {"late.mkv", "late.mov"}) {
    SCOPED_TRACE(late);
    Shell("ffmpeg -v error -itsoffset 2 -i '" + clip + "' -c copy '" + folder.File(late) + "'");
    const CliRun run = Render({"--input", folder.File(late), "--output", folder.File("out.mkv")});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(Probe(folder.File("out.mkv")).video.value("nb_read_frames", ""), "30");
  }
  const std::string whole = ReadFile(folder.File("late.mkv"));
  std::ofstream(folder.File("cut.mkv"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  const CliRun cut =
      Render({"--input", folder.File("cut.mkv"), "--output", folder.File("cut-out.mkv")});
  EXPECT_EQ(cut.exit_status, 2);
  EXPECT_TRUE(Contains(cut.err, "cut.mkv': truncated")) << cut.err;
}

// Frames as wide or as tall as a layer may be are read; a pixel more is
// refused (the table above).
TEST(VideoInput, FramesAtTheLayerLimitAreRead) {
  TempFolder folder;
  for (const auto& [width, height] : {std::pair{30000, 2}, std::pair{2, 30000}}) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string path = folder.File(size + ".mkv");
    Shell("ffmpeg -v error -f lavfi -i color=size=" + size + " -frames:v 1 -c:v ffv1 '" + path +
          "'");
    app::VideoSource video(path, 0);
    EXPECT_EQ(video.Width(), width);
    EXPECT_EQ(video.Height(), height);
  }
}

// A playlist given as the input may name local files, but never makes the
// command open a connection: a server listening where the playlist points
// (closing each connection at once, so that a faulty command ends) is never
// called.
TEST(VideoInput, APlaylistOpensNoConnection) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(server, 4), 0);
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::atomic<bool> done{false};
  std::atomic<int> calls{0};
  std::thread listener([&] {
    for (pollfd waiting{server, POLLIN, 0}; !done;) {
      if (poll(&waiting, 1, 50) == 1) close(accept(server, nullptr, nullptr)), ++calls;
    }
  });
  TempFolder folder;
  std::ofstream(folder.File("remote.m3u8"))
      << "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nhttp://127.0.0.1:"
      << ntohs(address.sin_port) << "/clip.ts\n#EXT-X-ENDLIST\n";
  const CliRun run =
      Render({"--input", folder.File("remote.m3u8"), "--output", folder.File("out.mkv")});
  done = true;
  listener.join();
  close(server);
  EXPECT_EQ(run.exit_status, 2) << run.err;
  EXPECT_TRUE(Contains(run.err, "remote.m3u8'")) << run.err;
  EXPECT_EQ(calls, 0);
}

// A termination request during a video render exits with 130 and leaves no
// output file: standard error is a terminal, and the signal goes once the
// progress bar over the frames shows. (SIGINT takes the same handler; the
// still render's test sends both.)
TEST(VideoInput, ASignalDuringTheRenderExitsWith130AndWritesNothing) {
  TempFolder folder;
  const std::string clip = MakeClip(folder, "fast", "640x360", 60);
  Launch launch{Args{"render", "--input", clip, "--output", folder.File("out.mp4"), "--params",
                     std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json"},
                0, [](const std::string& err) { return Contains(err, "Rendering ["); }, SIGTERM};
  const CliRun run = RunCli(launch);
  EXPECT_EQ(run.exit_status, 130) << run.err;
  EXPECT_TRUE(Contains(run.err, "cancelled")) << run.err;
  EXPECT_FALSE(Contains(run.err, "100%")) << run.err;
  EXPECT_EQ(folder.Files(), Args{"fast.mkv"});
}

}  // namespace
}  // namespace testfiles
