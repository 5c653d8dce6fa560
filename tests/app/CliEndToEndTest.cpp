// The lustre-strand program run as a user runs it: options in, PNG files and
// exit statuses out.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRunner.h"
#include "PngTestFiles.h"

namespace {

using cli::RunCli;
using cli::TempFolder;

// An 8-bit RGBA layer with every channel varying, so that any pixel moved or
// altered shows.
void WritePattern8(const std::string& path, uint32_t w, uint32_t h) {
  std::vector<uint32_t> s;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      s.insert(s.end(), {(x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y) % 256,
                         255 - (x + y) % 64});
    }
  }
  testpng::WritePng(path, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, s);
}

// A 16-bit layer whose samples are the PNG images of every 16-bit channel
// value 0..32768, p = (v * 65535 + 16384) >> 15, in red, green and blue.
void WriteAllValues16(const std::string& path, uint32_t w, uint32_t h) {
  std::vector<uint32_t> s;
  for (uint32_t i = 0; i < w * h; ++i) {
    const uint32_t v = std::min<uint32_t>(i, 32768);
    const uint32_t p = (v * 65535u + 16384u) >> 15;
    const uint32_t q = ((32768u - v) * 65535u + 16384u) >> 15;
    s.insert(s.end(), {p, q, p, 65535});
  }
  testpng::WritePng(path, w, h, 16, PNG_COLOR_TYPE_RGB_ALPHA, s);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// ---- Defaults and depths -------------------------------------------------------------

TEST(CliRender, DefaultRenderOnTheBuiltInLayerIsAFullHdPng) {
  TempFolder folder;
  const std::string out = folder.File("out.png");
  const cli::Run run = RunCli({"render", "--output", out});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, out + "\n");
  EXPECT_EQ(run.err, "");  // no progress bar off a terminal, no complaint at unload
  const testpng::RawPng png = testpng::ReadPng(out);
  EXPECT_EQ(png.width, 1920u);
  EXPECT_EQ(png.height, 1080u);
  EXPECT_EQ(png.bit_depth, 8);
  EXPECT_EQ(png.color_type, PNG_COLOR_TYPE_RGB_ALPHA);
  EXPECT_EQ(png.At(0, 0, 3), 255u);
  EXPECT_EQ(folder.Files(), std::vector<std::string>{"out.png"});
}

TEST(CliRender, SizeAndDepthShapeTheBuiltInLayer) {
  TempFolder folder;
  const std::string out = folder.File("out.png");
  const cli::Run run = RunCli({"render", "--size", "320x200", "--depth", "16", "--output", out});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const testpng::RawPng png = testpng::ReadPng(out);
  EXPECT_EQ(png.width, 320u);
  EXPECT_EQ(png.height, 200u);
  EXPECT_EQ(png.bit_depth, 16);
}

// With every point off the effect draws nothing, so the output is the input:
// each row is what the layer must come out as for a given input and --depth.
struct DepthCase {
  const char* name;
  int input_bits;
  const char* depth;  // "" for none
  int output_bits;
};

class CliDepths : public testing::TestWithParam<DepthCase> {};

TEST_P(CliDepths, PassTheLayerThroughByTheConversionRules) {
  const DepthCase& c = GetParam();
  TempFolder folder;
  const std::string in = folder.File("in.png");
  const std::string out = folder.File("out.png");
  if (c.input_bits == 8) {
    WritePattern8(in, 40, 30);
  } else {
    WriteAllValues16(in, 182, 181);
  }
  std::vector<std::string> args = {"render", "--input", in, "--output", out};
  if (*c.depth) args.insert(args.end(), {"--depth", c.depth});
  const cli::Run run = RunCli(args);
  ASSERT_EQ(run.exit_status, 0) << run.err;

  const testpng::RawPng src = testpng::ReadPng(in);
  const testpng::RawPng dst = testpng::ReadPng(out);
  ASSERT_EQ(dst.bit_depth, c.output_bits);
  ASSERT_EQ(dst.width, src.width);
  ASSERT_EQ(dst.height, src.height);
  for (size_t i = 0; i < src.samples.size(); ++i) {
    const uint32_t p = src.samples[i];
    uint32_t expected = p;
    if (c.input_bits == 8 && c.output_bits == 16) {
      const uint32_t v = (p * 32768u + 128u) / 255u;  // 8 -> 16 of the effect
      expected = (v * 65535u + 16384u) >> 15;         // 16-bit world -> PNG
    } else if (c.input_bits == 16 && c.output_bits == 8) {
      const uint32_t v = (p * 32768u + 32767u) / 65535u;  // PNG -> 16-bit layer
      expected = (v * 255u + 16384u) >> 15;              // 16 -> 8 of the effect
    }
    ASSERT_EQ(dst.samples[i], expected) << "sample " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CliDepths,
                         testing::Values(DepthCase{"eight_in_eight_out", 8, "", 8},
                                         DepthCase{"sixteen_in_sixteen_out_every_value", 16, "", 16},
                                         DepthCase{"eight_in_sixteen_out", 8, "16", 16},
                                         DepthCase{"sixteen_in_eight_out", 16, "8", 8},
                                         DepthCase{"sixteen_kept_at_sixteen", 16, "16", 16}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Output views -----------------------------------------------------------------------

struct Rgba {
  uint32_t r, g, b, a;
};

Rgba PixelOf(const testpng::RawPng& png, uint32_t x, uint32_t y) {
  return {png.At(x, y, 0), png.At(x, y, 1), png.At(x, y, 2), png.At(x, y, 3)};
}

bool IsOpaqueWhite(const Rgba& p) { return p.r == 255 && p.g == 255 && p.b == 255 && p.a == 255; }
bool IsOpaqueBlack(const Rgba& p) { return p.r == 0 && p.g == 0 && p.b == 0 && p.a == 255; }

TEST(CliViews, HorizontalGradientViewDrawsTheBarWithPositionZeroOnTheLeft) {
  TempFolder folder;
  const std::string out = folder.File("hoz.png");
  const cli::Run run = RunCli({"render", "--size", "1000x200", "--set",
                               "Output View=Gradient View (hoz)", "--output", out});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const testpng::RawPng png = testpng::ReadPng(out);
  // 1000 x 200: panel 500 x 200 at x 250..750, bar x 300..700, y 70..140.
  for (auto [x, y] : {std::pair{300u, 70u}, {700u, 70u}, {300u, 140u}, {700u, 140u}, {500u, 70u}}) {
    EXPECT_TRUE(IsOpaqueWhite(PixelOf(png, x, y))) << x << "," << y;
  }
  EXPECT_TRUE(IsOpaqueBlack(PixelOf(png, 5, 5)));
  EXPECT_TRUE(IsOpaqueBlack(PixelOf(png, 290, 100)));
  // Default dots: red at 20 %, green at 50 %, blue at 80 %.
  const Rgba left = PixelOf(png, 305, 105);
  const Rgba right = PixelOf(png, 695, 105);
  EXPECT_GT(left.r, left.b);
  EXPECT_GT(right.b, right.r);
}

TEST(CliViews, VerticalGradientViewIsTheBarTurnedAQuarterClockwise) {
  TempFolder folder;
  const std::string out = folder.File("vert.png");
  const cli::Run run = RunCli({"render", "--size", "200x1000", "--set",
                               "Output View=Gradient View (vert)", "--output", out});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const testpng::RawPng png = testpng::ReadPng(out);
  // Drawn in 1000 x 200 (bar x' 300..700, y' 70..140), then (x', y') goes to
  // (199 - y', x'): the bar spans x 59..129 and y 300..700.
  for (auto [x, y] : {std::pair{59u, 300u}, {129u, 300u}, {59u, 700u}, {129u, 700u}}) {
    EXPECT_TRUE(IsOpaqueWhite(PixelOf(png, x, y))) << x << "," << y;
  }
  EXPECT_TRUE(IsOpaqueBlack(PixelOf(png, 5, 5)));
  const Rgba top = PixelOf(png, 95, 305);
  const Rgba bottom = PixelOf(png, 95, 695);
  EXPECT_GT(top.r, top.b);
  EXPECT_GT(bottom.b, bottom.r);
}

TEST(CliViews, NormalViewDrawsTheStrokeAlongActivePointsOnly) {
  TempFolder folder;
  const std::string in = folder.File("in.png");
  const std::string out = folder.File("out.png");
  WritePattern8(in, 400, 200);
  const cli::Run run = RunCli({"render", "--input", in, "--output", out, "--set",
                               "Point 1/Activate=on", "--set", "Point 2/Activate=on", "--set",
                               "Point 1/Point=40,100", "--set", "Point 1/Handle=0,100", "--set",
                               "Point 2/Point=360,100", "--set", "Point 2/Handle=320,100", "--set",
                               "Show Path?=off"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const testpng::RawPng src = testpng::ReadPng(in);
  const testpng::RawPng dst = testpng::ReadPng(out);
  // On the line (y = 100) the stroke's centre colour replaces the layer;
  // 60 pixels above it the layer is untouched.
  EXPECT_NE(PixelOf(dst, 200, 100).r, PixelOf(src, 200, 100).r);
  for (uint32_t c = 0; c < 4; ++c) EXPECT_EQ(dst.At(200, 40, static_cast<int>(c)), src.At(200, 40, static_cast<int>(c)));
}

// ---- Parameters from --set and from a file --------------------------------------------------

TEST(CliParams, SetOptionsAndAJsonFileGiveTheSameImage) {
  TempFolder folder;
  const std::string json = folder.File("p.json");
  std::ofstream(json) << R"({"Point 1/Activate": true, "Point 2/Activate": "on",
    "Point 3/Activate": 1, "Line Width": 35.5, "End Point Style": "Flat",
    "Color Dot 2/Color": [255, 128, 0], "Color Dot 3/Color": "#00ffcc",
    "Point 2/Point": [150, 90], "Original Blend Transfer": "Screen",
    "Composite with Original": 40})";
  const cli::Run by_file = RunCli({"render", "--size", "300x200", "--params", json, "--output",
                                   folder.File("file.png")});
  const cli::Run by_set = RunCli(
      {"render", "--size", "300x200", "--output", folder.File("set.png"), "--set",
       "Point 1/Activate=on", "--set", "Point 2/Activate=true", "--set", "Point 3/Activate=1",
       "--set", "Line Width=35.5", "--set", "End Point Style=2", "--set",
       "Color Dot 2/Color=#ff8000", "--set", "Color Dot 3/Color=#00FFCC", "--set",
       "Point 2/Point=150,90", "--set", "Original Blend Transfer=Screen", "--set",
       "Composite with Original=40"});
  const cli::Run plain = RunCli({"render", "--size", "300x200", "--output", folder.File("plain.png")});
  ASSERT_EQ(by_file.exit_status, 0) << by_file.err;
  ASSERT_EQ(by_set.exit_status, 0) << by_set.err;
  ASSERT_EQ(plain.exit_status, 0) << plain.err;
  const testpng::RawPng a = testpng::ReadPng(folder.File("file.png"));
  const testpng::RawPng b = testpng::ReadPng(folder.File("set.png"));
  const testpng::RawPng c = testpng::ReadPng(folder.File("plain.png"));
  EXPECT_EQ(a.samples, b.samples);
  EXPECT_NE(a.samples, c.samples);  // the settings did draw something
}

TEST(CliParams, SetOverridesTheFile) {
  TempFolder folder;
  const std::string json = folder.File("p.json");
  std::ofstream(json) << R"j({"Output View": "Gradient View (hoz)"})j";
  const cli::Run run = RunCli({"render", "--size", "100x60", "--params", json, "--set",
                               "Output View=Normal", "--output", folder.File("a.png")});
  const cli::Run plain = RunCli({"render", "--size", "100x60", "--output", folder.File("b.png")});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFile(folder.File("a.png")), ReadFile(folder.File("b.png")));
}

// ---- Stroke width under downsampling and the low-quality quirk -----------------------------

// A horizontal line at y = 100 (full resolution) from x 40 to 360, drawn on
// black without falloff; the stroke's width is the count of lit pixels in the
// middle column.
struct WidthCase {
  const char* name;
  std::vector<std::string> host_args;
  const char* size;
  uint32_t column;
  int expected_width;
};

class CliStrokeWidth : public testing::TestWithParam<WidthCase> {};

TEST_P(CliStrokeWidth, FollowsTheFactorsTheEffectSees) {
  const WidthCase& c = GetParam();
  TempFolder folder;
  const std::string out = folder.File("w.png");
  std::vector<std::string> args = {
      "render", "--size", c.size, "--output", out, "--set", "Rendering Style=Draw on Black",
      "--set", "Falloff=0", "--set", "Show Path?=off", "--set", "Line Width=40", "--set",
      "Point 1/Activate=on", "--set", "Point 2/Activate=on", "--set", "Point 1/Point=40,100",
      "--set", "Point 1/Handle=0,100", "--set", "Point 2/Point=360,100", "--set",
      "Point 2/Handle=320,100"};
  args.insert(args.end(), c.host_args.begin(), c.host_args.end());
  const cli::Run run = RunCli(args);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const testpng::RawPng png = testpng::ReadPng(out);
  int lit = 0;
  for (uint32_t y = 0; y < png.height; ++y) {
    const Rgba p = PixelOf(png, c.column, y);
    if (std::max({p.r, p.g, p.b}) > 32) ++lit;
  }
  EXPECT_NEAR(lit, c.expected_width, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliStrokeWidth,
    testing::Values(WidthCase{"full_resolution", {}, "400x200", 200, 40},
                    // The layer is the half-resolution one; points scale with it.
                    WidthCase{"downsample_half", {"--downsample", "1/2"}, "200x100", 100, 20},
                    WidthCase{"keyg_low_quality", {"--app-id", "KeyG", "--quality", "low"},
                              "400x200", 200, 20},
                    WidthCase{"keyg_high_quality", {"--app-id", "KeyG", "--quality", "high"},
                              "400x200", 200, 40},
                    WidthCase{"other_host_low_quality", {"--app-id", "PrMr", "--quality", "low"},
                              "400x200", 200, 40}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Host version and the transfer-mode list ------------------------------------------------

struct TransferCase {
  const char* name;
  const char* version;  // "" for the default
  const char* choice;
  int exit_status;
};

class CliTransferChoices : public testing::TestWithParam<TransferCase> {};

TEST_P(CliTransferChoices, DependOnTheHostVersion) {
  const TransferCase& c = GetParam();
  TempFolder folder;
  const std::string out = folder.File("t.png");
  std::vector<std::string> args = {"render", "--size", "64x64", "--output", out, "--set",
                                   std::string("Original Blend Transfer=") + c.choice};
  if (*c.version) args.insert(args.end(), {"--host-version", c.version});
  const cli::Run run = RunCli(args);
  EXPECT_EQ(run.exit_status, c.exit_status) << run.err;
  if (c.exit_status == 2) {
    EXPECT_TRUE(Contains(run.err, "Original Blend Transfer")) << run.err;
    EXPECT_TRUE(Contains(run.err, std::string("'") + c.choice + "' is not a choice")) << run.err;
    EXPECT_TRUE(Contains(run.err, "Luminosity")) << run.err;  // the choices are listed
    EXPECT_TRUE(folder.Files().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliTransferChoices,
    testing::Values(TransferCase{"default_host_linear_light", "", "Linear Light", 0},
                    TransferCase{"v11_linear_light", "11.0", "Linear Light", 2},
                    TransferCase{"v11_luminosity", "11.0", "Luminosity", 0},
                    TransferCase{"v13_2_alpha_add", "13.2", "Alpha Add", 0},
                    TransferCase{"v13_2_pin_light", "13.2", "Pin Light", 2},
                    TransferCase{"v11_number_16", "11.0", "16", 2},
                    TransferCase{"v11_number_15", "11.0", "15", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Bad input: exit 2, a message naming the problem, no output file ----------------------

struct BadInputCase {
  const char* name;
  std::vector<std::string> args;  // OUT, IN, JSON, TRUNC and TEXT stand for files of the test
  const char* fragment;
};

class CliBadInput : public testing::TestWithParam<BadInputCase> {};

TEST_P(CliBadInput, ExitsWithTwoAndWritesNothing) {
  TempFolder folder;
  WritePattern8(folder.File("in.png"), 64, 64);
  const std::string whole = ReadFile(folder.File("in.png"));
  std::ofstream(folder.File("trunc.png"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::ofstream(folder.File("text.png")) << "GIF89a, not a PNG\n";
  std::ofstream(folder.File("bad.json")) << "{\"Line Width\": 30,,}";
  const std::vector<std::string> before = folder.Files();

  std::vector<std::string> args;
  for (const std::string& a : GetParam().args) {
    if (a == "OUT") args.push_back(folder.File("out.png"));
    else if (a == "IN") args.push_back(folder.File("in.png"));
    else if (a == "MISSING") args.push_back(folder.File("missing.png"));
    else if (a == "TRUNC") args.push_back(folder.File("trunc.png"));
    else if (a == "TEXT") args.push_back(folder.File("text.png"));
    else if (a == "JSON") args.push_back(folder.File("bad.json"));
    else args.push_back(a);
  }
  const cli::Run run = RunCli(args);
  EXPECT_EQ(run.exit_status, 2) << run.err;
  EXPECT_TRUE(Contains(run.err, GetParam().fragment)) << run.err;
  EXPECT_EQ(folder.Files(), before);
  EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliBadInput,
    testing::Values(
        BadInputCase{"missing_input", {"render", "--input", "MISSING", "--output", "OUT"},
                     "missing.png': No such file or directory"},
        BadInputCase{"truncated_png", {"render", "--input", "TRUNC", "--output", "OUT"},
                     "trunc.png': truncated or damaged PNG"},
        BadInputCase{"not_a_png", {"render", "--input", "TEXT", "--output", "OUT"},
                     "text.png': not a PNG file"},
        BadInputCase{"unknown_parameter", {"render", "--output", "OUT", "--set", "Line Widht=3"},
                     "unknown parameter 'Line Widht'"},
        BadInputCase{"unqualified_shared_name", {"render", "--output", "OUT", "--set", "Activate=on"},
                     "unknown parameter 'Activate'"},
        BadInputCase{"popup_text_not_a_choice",
                     {"render", "--output", "OUT", "--set", "End Point Style=Pointy"},
                     "parameter \"End Point Style\": 'Pointy' is not a choice; choices are: Round, Flat"},
        BadInputCase{"slider_above_range", {"render", "--output", "OUT", "--set", "Line Width=1000.5"},
                     "\"Line Width\" (index 5): 1000.5 is outside the range 1 to 1000"},
        BadInputCase{"slider_below_range", {"render", "--output", "OUT", "--set", "Falloff=-1"},
                     "\"Falloff\" (index 7): -1 is outside the range 0 to 100"},
        BadInputCase{"slider_not_a_number", {"render", "--output", "OUT", "--set", "Repeats=many"},
                     "\"Repeats\": 'many' is not a number"},
        BadInputCase{"malformed_json", {"render", "--output", "OUT", "--params", "JSON"},
                     "bad.json': malformed JSON"},
        BadInputCase{"missing_json", {"render", "--output", "OUT", "--params", "MISSING"},
                     "missing.png': No such file or directory"},
        BadInputCase{"malformed_point", {"render", "--output", "OUT", "--set", "Point 1/Point=12;40"},
                     "\"Point 1/Point\": '12;40' is not a point"},
        BadInputCase{"malformed_colour", {"render", "--output", "OUT", "--set", "Path Color=white"},
                     "\"Path Color\": 'white' is not a colour"},
        BadInputCase{"bad_checkbox", {"render", "--output", "OUT", "--set", "Close Path?=maybe"},
                     "\"Close Path?\": 'maybe' is not a checkbox value"},
        BadInputCase{"set_without_equals", {"render", "--output", "OUT", "--set", "Line Width"},
                     "write NAME=VALUE"},
        BadInputCase{"wider_than_the_limit", {"render", "--output", "OUT", "--size", "30001x10"},
                     "30000"},
        BadInputCase{"bad_size", {"render", "--output", "OUT", "--size", "big"}, "--size 'big'"},
        BadInputCase{"bad_downsample", {"render", "--output", "OUT", "--downsample", "1/0"},
                     "--downsample '1/0'"},
        BadInputCase{"bad_depth", {"render", "--output", "OUT", "--depth", "12"}, "--depth"},
        BadInputCase{"input_and_size", {"render", "--input", "IN", "--size", "10x10", "--output", "OUT"},
                     "excludes"},
        BadInputCase{"output_folder_missing", {"render", "--output", "no/such/folder/x.png"},
                     "no/such/folder/x.png"},
        BadInputCase{"missing_module", {"render", "--output", "OUT", "--module", "MISSING"},
                     "cannot load the effect module"},
        BadInputCase{"unknown_command", {"draw"}, "unknown command 'draw'"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Failures of the effect and cancellation -------------------------------------------------

TEST(CliEffectError, ALayerTooLargeToAllocateGetsTheEffectsErrorNotACrash) {
  TempFolder folder;
  cli::Launch launch;
  // 6000 x 6000 at 8 bits is 144 MB a world: the input and the output fit
  // under the limit (the program itself takes some 20 MB), the vertical
  // view's rotated working world does not.
  launch.args = {"render", "--size", "6000x6000", "--set", "Output View=Gradient View (vert)",
                 "--output", folder.File("big.png")};
  launch.address_space_limit = 380LL << 20;
  const cli::Run run = RunCli(launch);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_status, 3) << run.err;
  // The effect's own code and its decorated message.
  EXPECT_TRUE(Contains(run.err, "during render with error 4: Lustre Strand [")) << run.err;
  EXPECT_TRUE(folder.Files().empty());
}

class CliCancel : public testing::TestWithParam<int> {};

TEST_P(CliCancel, ASignalDuringTheRenderExits130AndWritesNothing) {
  TempFolder folder;
  cli::Launch launch;
  launch.args = {"render", "--size", "2400x1600", "--params",
                 std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json", "--set",
                 "Line Width=900", "--output", folder.File("c.png")};
  launch.stderr_on_terminal = true;
  // The progress bar shows once the effect reports progress: the render runs.
  launch.send_signal_when = [](const std::string& err) { return Contains(err, "Rendering ["); };
  launch.signal = GetParam();
  const cli::Run run = RunCli(launch);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_status, 130) << run.err;
  EXPECT_TRUE(Contains(run.err, "cancelled")) << run.err;
  EXPECT_FALSE(Contains(run.err, "100%")) << run.err;
  EXPECT_TRUE(folder.Files().empty());
}

INSTANTIATE_TEST_SUITE_P(Signals, CliCancel, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "SIGINT" : "SIGTERM"; });

// ---- params, about, descriptor -----------------------------------------------------------------

TEST(CliInfo, ParamsJsonListsEveryControlWithQualifiedNames) {
  const cli::Run run = RunCli({"params", "--json"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const nlohmann::json list = nlohmann::json::parse(run.out);
  // 112 registered entries, less 19 group starts (Line Rendering, Gradient
  // Color Dots, ten dots, Path Points, six points) and 19 group ends.
  EXPECT_EQ(list.size(), 112u - 2 * 19);
  std::map<std::string, nlohmann::json> by_name;
  for (const auto& entry : list) by_name[entry["name"].get<std::string>()] = entry;
  EXPECT_EQ(by_name["Line Width"]["index"], 5);
  EXPECT_EQ(by_name["Line Width"]["min"], 1.0);
  EXPECT_EQ(by_name["Line Width"]["max"], 1000.0);
  EXPECT_EQ(by_name["End Point Style"]["id"], 78);
  EXPECT_EQ(by_name["Color Dot 3/Gradient Position"]["index"], 31);
  EXPECT_EQ(by_name["Color Dot 3/Gradient Position"]["default"], 80.0);
  EXPECT_EQ(by_name["Point 2/Activate"]["index"], 88);
  EXPECT_EQ(by_name["Point 2/Point"]["default"]["y_percent"], 49.0);
  EXPECT_EQ(by_name["Original Blend Transfer"]["choices"].size(), 25u);
}

TEST(CliInfo, ParamsFollowTheHostVersion) {
  const cli::Run run = RunCli({"params", "--json", "--host-version", "11.0"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  for (const auto& entry : nlohmann::json::parse(run.out)) {
    if (entry["name"] == "Original Blend Transfer") {
      EXPECT_EQ(entry["choices"].size(), 15u);
      EXPECT_EQ(entry["choices"][14], "Luminosity");
    }
  }
}

TEST(CliInfo, ParamsTableIsReadable) {
  const cli::Run run = RunCli({"params"});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "index")) << run.out;
  EXPECT_TRUE(Contains(run.out, "Color Dot 10/Opacity")) << run.out;
  EXPECT_TRUE(Contains(run.out, "1 Round | 2 Flat")) << run.out;
  EXPECT_TRUE(Contains(run.out, "a number from -500 to 500")) << run.out;
}

TEST(CliInfo, AboutAndDescriptor) {
  const cli::Run about = RunCli({"about"});
  ASSERT_EQ(about.exit_status, 0) << about.err;
  EXPECT_TRUE(Contains(about.out, "Lustre Strand\n\nStage: Release\nVersion: v2.4.1.0\nBuildID: 14"))
      << about.out;
  const cli::Run descriptor = RunCli({"descriptor"});
  ASSERT_EQ(descriptor.exit_status, 0) << descriptor.err;
  for (const char* part : {"\"QV_LUSTRESTRAND\"", "\"Ironbrook\"", "\"PluginEntry\"",
                           "0x00120E00 (version 2.4.1, stage release, build 0)",
                           "0x02000040 (deep colour aware, uses output extent)", "12.2"}) {
    EXPECT_TRUE(Contains(descriptor.out, part)) << part << "\n" << descriptor.out;
  }
}

}  // namespace
