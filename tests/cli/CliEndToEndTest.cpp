// The lustre-strand program run as a user runs it: options in, PNG files and
// exit statuses out.
#include <gtest/gtest.h>
#include <signal.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "support/CliRun.h"
#include "support/TestFiles.h"

namespace testfiles {
namespace {

// "--set" before each assignment.
Args Sets(const Args& assignments) {
  Args args;
  for (const std::string& a : assignments) args.insert(args.end(), {"--set", a});
  return args;
}

// Runs `render` with the arguments and "--output <folder>/name"; the PNG written.
testfiles::RawPng Render(const TempFolder& folder, const Args& args,
                         const std::string& name = "out.png") {
  const CliRun run = RunCli(Args{"render"} + args + Args{"--output", folder.File(name)});
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, folder.File(name) + "\n");
  EXPECT_EQ(run.err, "");  // no progress bar off a terminal, no complaint at unload
  return run.exit_status == 0 ? testfiles::ReadPng(folder.File(name)) : testfiles::RawPng{};
}

// ---- Defaults and depths -------------------------------------------------------------

TEST(CliRender, BuiltInLayerIsFullHdByDefaultAndTakesSizeAndDepth) {
  // clang-format off
  const struct { Args args; uint32_t width, height; int depth; uint32_t alpha; } cases[] = {
      {{}, 1920, 1080, 8, 255},
      {{"--size", "320x200", "--depth", "16"}, 320, 200, 16, 65535}};
  // clang-format on
  for (const auto& c : cases) {
    TempFolder folder;
    std::ofstream(folder.File("out.png")) << "old";  // replaced, with no temporary file left
    const testfiles::RawPng png = Render(folder, c.args);
    EXPECT_EQ(std::vector({png.width, png.height}), std::vector({c.width, c.height}));
    EXPECT_EQ(std::vector({png.bit_depth, png.color_type}),
              std::vector({c.depth, PNG_COLOR_TYPE_RGB_ALPHA}));
    EXPECT_EQ(png.samples.at(3), c.alpha);
    EXPECT_EQ(folder.Files(), Args{"out.png"});
  }
}

// With every point off the effect draws nothing, so the output is the input
// converted by the rules for the depths in and out. The 16-bit input holds
// the PNG images p = (v * 65535 + 16384) >> 15 of every channel value v in
// 0..32768 (and 32768 - v in green).
TEST(CliRender, PassesTheLayerThroughByTheDepthConversionRules) {
  // clang-format off
  const struct { int input_bits; const char* depth; int output_bits; } cases[] = {
      {8, "", 8},
      {16, "", 16},
      {8, "16", 16},
      {16, "8", 8},
      {16, "16", 16}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.input_bits) + " bits in, --depth '" + c.depth + "'");
    TempFolder folder;
    const std::string in = folder.File("in.png");
    if (c.input_bits == 8) WritePattern(in, 40, 30);
    std::vector<uint32_t> all;
    for (uint32_t i = 0; c.input_bits == 16 && i < 182 * 181; ++i) {
      const uint32_t v = std::min<uint32_t>(i, 32768), p = (v * 65535u + 16384u) >> 15;
      all.insert(all.end(), {p, ((32768u - v) * 65535u + 16384u) >> 15, p, 65535});
    }
    if (c.input_bits == 16) testfiles::WritePng(in, 182, 181, 16, PNG_COLOR_TYPE_RGB_ALPHA, all);
    const testfiles::RawPng src = testfiles::ReadPng(in);
    const testfiles::RawPng dst =
        Render(folder, *c.depth ? Args{"--input", in, "--depth", c.depth} : Args{"--input", in});
    ASSERT_EQ(dst.bit_depth, c.output_bits);
    ASSERT_EQ(std::vector({dst.width, dst.height}), std::vector({src.width, src.height}));
    for (size_t i = 0; i < src.samples.size(); ++i) {
      uint32_t expected = src.samples[i];
      if (c.input_bits == 8 && c.output_bits == 16) {
        const uint32_t v = (expected * 32768u + 128u) / 255u;  // 8 -> 16 of the effect
        expected = (v * 65535u + 16384u) >> 15;                // 16-bit world -> PNG
      } else if (c.input_bits == 16 && c.output_bits == 8) {
        const uint32_t v = (expected * 32768u + 32767u) / 65535u;  // PNG -> 16-bit layer
        expected = (v * 255u + 16384u) >> 15;                      // 16 -> 8 of the effect
      }
      ASSERT_EQ(dst.samples[i], expected) << "sample " << i;
    }
  }
}

// ---- Threads -----------------------------------------------------------------------------

// Points 1 and 2 with their handles on the line y = 100, from x 40 to 360.
const Args kLine = Sets({"Point 1/Activate=on", "Point 2/Activate=on", "Point 1/Point=40,100",
                         "Point 1/Handle=0,100", "Point 2/Point=360,100", "Point 2/Handle=320,100",
                         "Show Path?=off"});

// ---- Stroke width under downsampling and the low-quality quirk -----------------------------

// The line drawn 40 wide on black without falloff; its width is the count of
// lit pixels in the middle column. At 1/2 the layer is the half-resolution
// one and the points scale with it. The options reach the host: which hosts
// and qualities get the quirk is the module tests' table.
TEST(CliStrokeWidth, FollowsTheFactorsTheEffectSees) {
  // clang-format off
  const struct { Args host; const char* size; uint32_t column; int width; } cases[] = {
      {{}, "400x200", 200, 40},
      {{"--downsample", "1/2"}, "200x100", 100, 20},
      {{"--app-id", "KeyG", "--quality", "low"}, "400x200", 200, 20}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host.empty() ? "full resolution"
                                : c.host[0] + " " + c.host[1] + " " + c.host.back());
    TempFolder folder;
    const testfiles::RawPng png =
        Render(folder, Args{"--size", c.size} +
                           Sets({"Rendering Style=Draw on Black", "Falloff=0", "Line Width=40"}) +
                           kLine + c.host);
    int lit = 0;
    for (uint32_t y = 0; y < png.height; ++y)
      lit +=
          std::max({png.At(c.column, y, 0), png.At(c.column, y, 1), png.At(c.column, y, 2)}) > 32;
    EXPECT_NEAR(lit, c.width, 1);
  }
}

// ---- Bad input: exit 2, a message naming the problem, no output file ----------------------

// Refused input exits with 2, names the problem and writes nothing. The rows
// that exit with 0 are accepted: a layer at the width limit, and Linear Light
// under the default host version; an older --host-version gives a shorter
// transfer-mode list (its entries per version are the host probe tests'
// table), and a refusal lists the choices. IN, MISSING, TRUNC, CRC, SIG, IHDR, NOEND,
// DPX, DPXBE, JSON, RANGE, WIDE and EDGE stand for files of the test.
TEST(CliInput, IsRefusedWithTwoNamingTheProblemAndWritingNothing) {
  const std::string transfer = "Original Blend Transfer=";
  const auto not_a_choice = [](const std::string& choice) {
    return std::vector<std::string>{"Original Blend Transfer", "'" + choice + "' is not a choice",
                                    "Luminosity"};
  };
  // clang-format off
  const struct { Args args; int exit_status; std::vector<std::string> fragments; } cases[] = {
      {{"--input", "MISSING"}, 2, {"missing.png': No such file or directory"}},
      {{"--input", "TRUNC"}, 2, {"trunc.png': truncated or damaged file (", "end of file"}},
      {{"--input", "CRC"}, 2,
       {"crc.png': not an image file that can be read (", "IHDR: CRC error"}},
      // The signature alone, and a header whose colour type libpng refuses
      // under a correct checksum. A file without its end chunk is read: the
      // reader stops at the end of the image data.
      {{"--input", "SIG"}, 2, {"sig.png': not an image file that can be read (", "end of file"}},
      {{"--input", "IHDR"}, 2, {"ihdr.png': not an image file that can be read (", "IHDR data"}},
      {{"--input", "NOEND"}, 0, {}},
      {{"--input", "DPX"}, 2,
       {"claim.dpx': damaged DPX header: it claims 4278190081 bytes of user data in a file of "
 "2048"}},
      {{"--input", "DPXBE"}, 2,
       {"claim-be.dpx': damaged DPX header: it claims 2049 bytes of user data in a file of 2048"}},
      {{"--input", "WIDE"}, 2, {"wide.png", "30000"}},
      {{"--input", "EDGE"}, 0, {}},  // 30000 pixels wide is still accepted
      // A value refused by the host's range check, late in the run; the
      // refusals of each form are the parameter and option tables' rows.
      {{"--set", "Line Width=1000.5"}, 2,
       {"\"Line Width\" (index 5): 1000.5 is outside the range 1 to 1000"}},
      // without nlohmann's tag
      {{"--params", "JSON"}, 2, {"bad.json': malformed JSON: parse error at line 1"}},
      {{"--params", "MISSING"}, 2, {"missing.png': No such file or directory"}},
      // The studio refuses a document as render does, before it serves.
      {{"studio", "--params", "RANGE"}, 2,
       {"range.json': parameter \"Line Width\" (index 5): 5000 is outside the range 1 to 1000"}},
      {{"--set", "Line Width"}, 2, {"write NAME=VALUE"}},
      {{"--size", "30001x10"}, 2, {"30000"}},
      {{"--depth", "12"}, 2, {"--depth"}},
      {{"--threads", "0"}, 2, {"--threads"}},
      {{"--scale", "2", "--downsample", "1/2"}, 2, {"--scale and --downsample"}},
      {{"--input", "IN", "--size", "10x10"}, 2, {"excludes"}},
      {{"--module", "MISSING"}, 2, {"cannot load the effect module"}},
      {{"render", "--output", "no/such/folder/x.png"}, 2, {"no/such/folder/x.png"}},
      {{"draw"}, 2, {"unknown command 'draw'"}},
      {{"--size", "64x64", "--set", transfer + "Linear Light"}, 0, {}},
      {{"--host-version", "11.0", "--set", transfer + "Linear Light"}, 2,
       not_a_choice("Linear Light")}};
  // clang-format on
  // The files the rows read, made once; each row writes into a folder of its own.
  TempFolder sources;
  WritePattern(sources.File("in.png"), 64, 64);
  const std::string whole = ReadFile(sources.File("in.png"));
  std::ofstream(sources.File("trunc.png"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::string damaged = whole;
  damaged[29] = static_cast<char>(damaged[29] ^ 0xff);  // the header chunk's checksum
  std::ofstream(sources.File("crc.png"), std::ios::binary) << damaged;
  std::ofstream(sources.File("sig.png"), std::ios::binary) << whole.substr(0, 8);
  std::ofstream(sources.File("noend.png"), std::ios::binary) << whole.substr(0, whole.size() - 12);
  std::string colour_type_7 = whole;
  colour_type_7[25] = 7;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(colour_type_7.data() + 12), 17);
  for (int i = 0; i < 4; ++i) colour_type_7[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  std::ofstream(sources.File("ihdr.png"), std::ios::binary) << colour_type_7;
  // DPX headers, in either byte order, whose user-data size (at byte 32) is
  // more than the 2048-byte file holds.
  std::string dpx(2048, '\0');
  dpx.replace(0, 4, "XPDS");
  dpx.replace(32, 4, std::string("\x01\x00\x00\xff", 4));
  std::ofstream(sources.File("claim.dpx"), std::ios::binary) << dpx;
  dpx.replace(0, 4, "SDPX");
  dpx.replace(32, 4, std::string("\x00\x00\x08\x01", 4));
  std::ofstream(sources.File("claim-be.dpx"), std::ios::binary) << dpx;
  std::ofstream(sources.File("bad.json")) << "{\"Line Width\": 30,,}";
  std::ofstream(sources.File("range.json")) << "{\"Line Width\": 5000}";
  testfiles::WritePng(sources.File("wide.png"), 30001, 1, 1, PNG_COLOR_TYPE_GRAY,
                      std::vector<uint32_t>(30001, 0));
  testfiles::WritePng(sources.File("edge.png"), 30000, 1, 1, PNG_COLOR_TYPE_GRAY,
                      std::vector<uint32_t>(30000, 0));
  const Args inputs = sources.Files();
  const std::map<std::string, std::string> files = {
      {"IN", "in.png"},     {"MISSING", "missing.png"}, {"TRUNC", "trunc.png"},
      {"CRC", "crc.png"},   {"DPX", "claim.dpx"},       {"DPXBE", "claim-be.dpx"},
      {"JSON", "bad.json"}, {"WIDE", "wide.png"},       {"EDGE", "edge.png"},
      {"RANGE", "range.json"},
      {"SIG", "sig.png"},   {"NOEND", "noend.png"},     {"IHDR", "ihdr.png"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    TempFolder folder;
    Args args = c.args[0] == "render" || c.args[0] == "draw" || c.args[0] == "studio"
                    ? Args{}
                    : Args{"render", "--output", folder.File("out.png")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    for (std::string& a : args) a = files.count(a) ? sources.File(files.at(a)) : a;
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exit_status, c.exit_status) << run.err;
    for (const std::string& fragment : c.fragments)
      EXPECT_TRUE(Contains(run.err, fragment)) << run.err;
    if (c.exit_status == 0) continue;
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_EQ(sources.Files(), inputs);
    EXPECT_EQ(run.out, "");
    // An image that cannot be read gets our one message, and nothing the
    // image libraries print themselves.
    if (!Contains(run.err, "cannot read image file")) continue;
    EXPECT_EQ(run.err.rfind("lustre-strand: ", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

// ---- Failures of the effect and cancellation -------------------------------------------------

// A layer too large to allocate gets the effect's own code and decorated
// message (exit 3), not a crash: 6000 x 6000 at 8 bits is 144 MB a world; the
// input and the output fit under the limit (the program itself takes some
// 250 MB of address space, mostly its libraries and the threads they start),
// the vertical view's rotated working world does not.
TEST(CliEffectEnd, AnAllocationFailureExitsWithTheEffectsErrorAndWritesNothing) {
#ifdef LUSTRE_SANITIZED
  GTEST_SKIP() << "built with -fsanitize=" LUSTRE_SANITIZED
                  ": the sanitizer's shadow memory needs far more "
                  "address space than the limit this test sets";
#endif
  TempFolder folder;
  // clang-format off
  const CliRun run =
      RunCli(Launch{{"render", "--size", "6000x6000", "--set", "Output View=Gradient View (vert)",
                     "--output", folder.File("out.png")}, 560LL << 20, {}, 0});
  // clang-format on
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_status, 3) << run.err;
  EXPECT_TRUE(Contains(run.err, "during render with error 4: Lustre Strand [")) << run.err;
  EXPECT_TRUE(folder.Files().empty());
}

// A signal during a render exits 130: standard error is a terminal, and the
// progress bar shows once the effect reports progress, so the render runs.
// Nothing is written.
TEST(CliEffectEnd, ASignalExitsWithItsStatusAndWritesNothing) {
  const auto rendering = [](const std::string& err) { return Contains(err, "Rendering ["); };
  // clang-format off
  const Args showcase = {"render", "--size", "2400x1600",
                         "--params", std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json",
                         "--set", "Line Width=900"};
  // clang-format on
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    TempFolder folder;
    const CliRun run =
        RunCli(Launch{showcase + Args{"--output", folder.File("out.png")}, 0, rendering, signal});
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exit_status, 130) << run.err;
    EXPECT_TRUE(Contains(run.err, "cancelled")) << run.err;
    EXPECT_FALSE(Contains(run.err, "100%")) << run.err;
    EXPECT_TRUE(folder.Files().empty());
  }
}

// ---- Sequences and keyframes -----------------------------------------------------------------

Args Lines(const std::string& text) {  // the lines printed, sorted
  Args lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// A stroke from (40, 100) whose end point eases from (200, 100) to (360, 160)
// while its width grows linearly from 10 to 50 over frames 0 to 4.
constexpr const char* kAnimated =
    R"({"Point 1/Activate": true, "Point 2/Activate": true, "Show Path?": false,
  "Point 1/Point": [40, 100], "Point 1/Handle": [40, 100],
  "Point 2/Point": [{"frame": 0, "value": [200, 100], "ease": "in-out"}, {"frame": 4, "value": [360, 160], "ease": "in-out"}],
  "Line Width": [{"frame": 0, "value": 10}, {"frame": 4, "value": 50}]})";

// Frames rendered by 4 workers are the same files as by one; each frame up
// to the last key differs from the next and the last holds. Frame 2 is half
// way in time: the width 30 and, eased in and out, the point half way too.
TEST(CliSequence, KeyframesReachTheEffectAndJobsDoNotChangeTheFiles) {
  TempFolder folder;
  std::ofstream(folder.File("anim.json")) << kAnimated;
  const Args common = {"render",   "--size", "400x200", "--params", folder.File("anim.json"),
                       "--frames", "0-5"};
  const CliRun one = RunCli(common + Args{"--jobs", "1", "--output", folder.File("a.%02d.png")});
  const CliRun four = RunCli(common + Args{"--jobs", "4", "--output", folder.File("b.####.png")});
  ASSERT_EQ(one.exit_status, 0) << one.err;
  ASSERT_EQ(four.exit_status, 0) << four.err;
  Args a_files, b_files;
  for (int f = 0; f <= 5; ++f) {
    a_files.push_back(folder.File("a.0" + std::to_string(f) + ".png"));
    b_files.push_back(folder.File("b.000" + std::to_string(f) + ".png"));
  }
  EXPECT_EQ(Lines(one.out), a_files);
  EXPECT_EQ(Lines(four.out), b_files);
  for (int f = 0; f <= 5; ++f) {
    SCOPED_TRACE(f);
    EXPECT_EQ(ReadFile(a_files[f]), ReadFile(b_files[f]));
    if (f < 4) { EXPECT_NE(ReadFile(a_files[f]), ReadFile(a_files[f + 1])); }
  }
  EXPECT_EQ(ReadFile(a_files[4]), ReadFile(a_files[5]));
  Render(folder,
         {"--size", "400x200", "--params", folder.File("anim.json"), "--frames", "2", "--set",
          "Line Width=30", "--set", "Point 2/Point=280,130"},
         "constant.png");
  EXPECT_EQ(ReadFile(folder.File("constant.png")), ReadFile(a_files[2]));
}

// A finished frame is left alone; a temporary file of a killed run is not a
// finished frame (and not ours to remove).
TEST(CliSequence, SkipExistingRendersOnlyFramesWithoutAFinishedFile) {
  TempFolder folder;
  std::ofstream(folder.File("out.0001.png")) << "old";
  std::ofstream(folder.File("out.0002.png.lustre-tmp-999-abcdef")) << "partial";
  const CliRun run = RunCli({"render", "--size", "64x48", "--frames", "0-2", "--skip-existing",
                             "--output", folder.File("out.%04d.png")});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(Lines(run.out), Args({folder.File("out.0000.png"), folder.File("out.0002.png")}));
  EXPECT_EQ(ReadFile(folder.File("out.0001.png")), "old");
  EXPECT_EQ(testfiles::ReadPng(folder.File("out.0002.png")).width, 64u);
  EXPECT_EQ(folder.Files(), Args({"out.0000.png", "out.0001.png", "out.0002.png",
                                  "out.0002.png.lustre-tmp-999-abcdef"}));
}

// Frames 0 and 1 of the input exist; frame 2 is missing or of another size.
TEST(CliSequence, AFailedFrameStopsTheRunNamingItAndKeepsTheFramesBefore) {
  // clang-format off
  const struct { uint32_t frame2_width; const char* said; } cases[] = {
      {0, "frame 2: cannot read image file"},
      {32, "frame 2: the input layer is 32x48 but the render is 64x48"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    TempFolder folder;
    WritePattern(folder.File("in.0.png"), 64, 48);
    WritePattern(folder.File("in.1.png"), 64, 48);
    if (c.frame2_width) WritePattern(folder.File("in.2.png"), c.frame2_width, 48);
    const CliRun run = RunCli({"render", "--input", folder.File("in.%d.png"), "--frames", "0-3",
                               "--jobs", "1", "--output", folder.File("out.%d.png")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_TRUE(Contains(run.err, c.said)) << run.err;
    Args expected = {"in.0.png", "in.1.png", "out.0.png", "out.1.png"};
    if (c.frame2_width) expected.insert(expected.begin() + 2, "in.2.png");
    EXPECT_EQ(folder.Files(), expected);
  }
}

// Each bad key is refused before anything is written, naming the file, the
// parameter and the key's position.
TEST(CliSequence, BadKeyframeFilesAreRefusedNamingFileParameterAndKey) {
  // clang-format off
  const struct { const char* json; std::vector<std::string> fragments; } cases[] = {
      {R"({"Line Width": [{"frame": 0, "value": 20}, {"frame": 0, "value": 30}]})",
       {"parameter \"Line Width\", key 2: frame 0 does not come after frame 0"}},
      {R"({"Line Width": [{"frame": 5, "value": 20}, {"frame": 3, "value": 30}]})",
       {"\"Line Width\", key 2: frame 3"}},
      {R"({"Line Width": [{"frame": 0, "value": 20}, {"frame": 48, "value": 1000.5}]})",
       {"key 2 (frame 48): parameter \"Line Width\" (index 5): 1000.5 is outside the range 1 to "
 "1000"}},
      {R"({"Falloff": [{"frame": 1, "value": 3, "ease": "bounce"}]})",
       {"\"Falloff\", key 1: \"ease\" \"bounce\" is not linear, hold, in, out or in-out"}},
      {R"({"Falloff": [{"frame": 1, "value": 3}, {"frame": 2}]})",
       {"\"Falloff\", key 2: has no \"value\""}},
      {R"({"Falloff": [{"frame": -1, "value": 3}]})",
       {"\"Falloff\", key 1: \"frame\" -1 is not a whole number"}},
      {R"({"Falloff": [{"frame": 1.5, "value": 3}]})",
       {"\"Falloff\", key 1: \"frame\" 1.5 is not a whole number"}},
      {R"({"Falloff": [{"frame": 1, "frmae": 2, "value": 3}]})",
       {"\"Falloff\", key 1: unknown field \"frmae\""}},
      {R"({"Falloff": [{"frame": 1, "value": 3}, 5]})", {"\"Falloff\", key 2: 5 is not a key"}},
      {R"({"Color Dot 2/Color": [{"frame": 0, "value": "#ffffff"}, {"frame": 3, "value": "#12"}]})",
       {"key 2 (frame 3): parameter \"Color Dot 2/Color\": '#12' is not a colour"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    TempFolder folder;
    std::ofstream(folder.File("bad.json")) << c.json;
    const CliRun run = RunCli({"render", "--size", "64x48", "--frames", "0-3", "--params",
                               folder.File("bad.json"), "--output", folder.File("out.%d.png")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_TRUE(Contains(run.err, "params file '" + folder.File("bad.json") + "': ")) << run.err;
    for (const std::string& fragment : c.fragments)
      EXPECT_TRUE(Contains(run.err, fragment)) << run.err;
    EXPECT_EQ(folder.Files(), Args{"bad.json"});
    EXPECT_EQ(run.out, "");
  }
}

// SIGINT to the command alone (a terminal's Ctrl-C would reach the workers
// too) once a frame is done: every worker stops, exit 130, the finished
// frames stay whole and no temporary file is left.
TEST(CliSequence, InterruptStopsEveryWorkerAndKeepsFinishedFrames) {
  TempFolder folder;
  Launch launch{{"render", "--size", "640x360", "--params",
                 std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json", "--frames", "0-59",
                 "--jobs", "2", "--output", folder.File("out.%04d.png")},
                0,
                [](const std::string& err) { return Contains(err, "/60 frames"); },
                SIGINT};
  const CliRun run = RunCli(launch);
  EXPECT_EQ(run.exit_status, 130) << run.err;
  EXPECT_TRUE(Contains(run.err, "cancelled")) << run.err;
  const Args files = folder.Files();
  EXPECT_GE(files.size(), 1u);
  EXPECT_LT(files.size(), 60u);
  for (const std::string& name : files) {
    EXPECT_EQ(name.size(), std::string("out.0000.png").size()) << name;
    EXPECT_EQ(testfiles::ReadPng(folder.File(name)).width, 640u) << name;
  }
  usleep(300000);  // no worker is left to write more
  EXPECT_EQ(folder.Files(), files);
}

// ---- params, about, descriptor -----------------------------------------------------------------

// Values picked out of `params --json`, by name and field ("/Line Width/index"),
// with the count of entries and of each popup's choices added.
TEST(CliInfo, ParamsJsonListsEveryControlWithQualifiedNamesByHostVersion) {
  // clang-format off
  const struct { const char* host_version; const char* pointer;
                 nlohmann::json expected; } cases[] = {
      // 112 registered entries, less 19 group starts (Line Rendering, Gradient
      // Color Dots, ten dots, Path Points, six points) and 19 group ends.
      {"", "/count", 112 - 2 * 19},
      {"", "/Line Width/index", 5},
      {"", "/Line Width/min", 1.0},
      {"", "/Line Width/max", 1000.0},
      {"", "/End Point Style/id", 78},
      {"", "/Color Dot 3~1Gradient Position/index", 31},
      {"", "/Color Dot 3~1Gradient Position/default", 80.0},
      {"", "/Point 2~1Activate/index", 88},
      {"", "/Point 2~1Point/default/y_percent", 49.0},
      {"", "/Original Blend Transfer/choice count", 25},
      {"11.0", "/Original Blend Transfer/choice count", 15},
      {"11.0", "/Original Blend Transfer/choices/14", "Luminosity"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.host_version) + c.pointer);
    const CliRun run =
        RunCli(*c.host_version ? Args{"params", "--json", "--host-version", c.host_version}
                               : Args{"params", "--json"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    nlohmann::json by_name = {{"count", nlohmann::json::parse(run.out).size()}};
    for (auto entry : nlohmann::json::parse(run.out)) {
      entry["choice count"] = entry.value("choices", nlohmann::json::array()).size();
      by_name[entry["name"].get<std::string>()] = entry;
    }
    EXPECT_EQ(by_name.value(nlohmann::json::json_pointer(c.pointer), nlohmann::json()), c.expected);
  }
}

TEST(CliInfo, ParamsTableAndDescriptorAreReadable) {
  // clang-format off
  const struct { Args command; std::vector<std::string> parts; } cases[] = {
      {{"params"},
       {"index", "Color Dot 10/Opacity", "1 Round | 2 Flat", "a number from -500 to 500"}},
      {{"descriptor"},
       {"\"QV_LUSTRESTRAND\"", "\"Ironbrook\"", "\"PluginEntry\"", "12.2",
        "0x00120E00 (version 2.4.1, stage release, build 0)",
        "0x02000040 (deep colour aware, uses output extent)"}}};
  // clang-format on
  for (const auto& c : cases) {
    const CliRun run = RunCli(c.command);
    ASSERT_EQ(run.exit_status, 0) << run.err;
    for (const std::string& part : c.parts)
      EXPECT_TRUE(Contains(run.out, part)) << part << "\n" << run.out;
  }
}

}  // namespace
}  // namespace testfiles
