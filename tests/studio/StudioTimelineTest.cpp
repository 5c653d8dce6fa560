// The studio over time: values across frames, the frame cache under key
// changes, and exports against the command's own files.
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "app/media/ImageIo.h"
#include "studio/StudioTestSupport.h"
#include "support/CliRun.h"
#include "support/TestFiles.h"

namespace {

using nlohmann::json;
using studiotest::Animated;
using studiotest::RunningStudio;
using testfiles::TempFolder;

json Key(long frame, const json& value, const char* ease = "linear") {
  return {{"frame", frame}, {"value", value}, {"ease", ease}};
}

// clang-format off
struct CurveCase { const char* name; json keys; long frame; json expected; };
// Expected values worked out by hand: a segment moves as 2s^2 - s^3 when
// only its start rests, 3s^2 - 2s^3 when both ends rest.
const CurveCase kCurves[] = {
    {"Line Width", {Key(0, 10), Key(10, 50)}, 2, 18},
    {"Line Width", {Key(0, 10, "out"), Key(10, 50, "in")}, 2, 10 + 40 * 0.104},
    {"Line Width", {Key(0, 10, "out"), Key(10, 50)}, 5, 25},
    {"Line Width", {Key(0, 10, "hold"), Key(10, 50)}, 9, 10},
    {"Line Width", {Key(0, 10), Key(10, 50)}, 40, 50},
    {"Point 1/Point", {Key(0, {0, 0}), Key(4, {100, 200})}, 1, {25, 50}},
    {"Color Dot 1/Color", {Key(0, "#000000"), Key(10, "#ffffff")}, 2, "#333333"},
};
// clang-format on

void ExpectValue(const json& got, const json& expected, const std::string& what) {
  if (expected.is_number()) {
    EXPECT_NEAR(got.get<double>(), expected.get<double>(), 1e-9) << what;
  } else if (expected.is_array()) {
    ASSERT_EQ(got.size(), expected.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) ExpectValue(got[i], expected[i], what);
  } else {
    EXPECT_EQ(got, expected) << what;
  }
}

TEST(StudioCurve, ValuesAreTheLibrarysAtEachFrame) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  for (const CurveCase& c : kCurves) {
    const httplib::Result curve = running.PostJson(
        "/api/curve",
        {{"doc", {{c.name, c.keys}}}, {"name", c.name}, {"first", c.frame - 1}, {"last", c.frame}});
    ASSERT_EQ(curve->status, 200) << curve->body;
    const json answer = json::parse(curve->body);
    EXPECT_EQ(answer["frames"], json({c.frame - 1, c.frame}));
    ExpectValue(answer["values"][1], c.expected, std::string(c.name) + " " + c.keys.dump());
  }
  // An unassigned parameter is its default; too long a range is refused.
  const json falloff = json::parse(running.PostJson("/api/curve", {{"name", "Falloff"}})->body);
  const json state = json::parse(running.PostJson("/api/state", json::object())->body);
  EXPECT_EQ(falloff["values"], json({state["values"]["Falloff"]}));
  EXPECT_EQ(
      running.PostJson("/api/curve", {{"name", "Falloff"}, {"first", 0}, {"last", 10000}})->status,
      400);
}

// clang-format off
struct CacheCase { const char* change; json line_width; std::set<long> redrawn; };
const json kWidths = {Key(0, 20), Key(10, 40), Key(20, 60), Key(30, 80)};
const CacheCase kCacheCases[] = {
    {"value of the key at 20", {Key(0, 20), Key(10, 40), Key(20, 70), Key(30, 80)}, {15, 25}},
    {"ease of the key at 30", {Key(0, 20), Key(10, 40), Key(20, 60), Key(30, 80, "in")}, {25}},
    {"a key after the last", {Key(0, 20), Key(10, 40), Key(20, 60), Key(30, 80), Key(33, 90)},
     {35}},
    {"no change", kWidths, {}},
};
// clang-format on

// A key change redraws only the frames whose values it changes; every other
// frame comes from the cache.
TEST(StudioCache, KeyChangeRedrawsOnlyItsSpan) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const auto render = [&](const json& widths, long frame) {
    const json doc{{"Point 1/Activate", true}, {"Point 2/Activate", true}, {"Line Width", widths}};
    return running.PostJson("/api/render", {{"doc", doc}, {"frame", frame}, {"scale", 4}})->body;
  };
  std::map<long, std::string> baseline;
  for (long frame : {5, 15, 25, 35}) baseline[frame] = render(kWidths, frame);
  for (const CacheCase& c : kCacheCases) {
    std::set<long> redrawn;
    for (long frame : {5, 15, 25, 35}) {
      const long before = running.Engine().RenderCount();
      const std::string pixels = render(c.line_width, frame);
      if (running.Engine().RenderCount() != before) redrawn.insert(frame);
      EXPECT_EQ(pixels == baseline[frame], redrawn.count(frame) == 0) << c.change << " " << frame;
    }
    EXPECT_EQ(redrawn, c.redrawn) << c.change;
  }
}

// A prefetch is drawn and kept like a render, and its seq overtakes no
// normal render of its tab.
TEST(StudioCache, PrefetchIsKeptAndSupersedesNothing) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const auto render = [&](long frame, long seq, bool prefetch) {
    const json body{{"frame", frame}, {"seq", seq}, {"prefetch", prefetch}};
    return running.Client().Post("/api/render", {{"X-Studio-Client", "tab"}}, body.dump(),
                                 "application/json");
  };
  const httplib::Result ahead = render(3, 100, true);
  ASSERT_EQ(ahead->status, 200) << ahead->body;
  const long drawn = running.Engine().RenderCount();
  EXPECT_EQ(render(3, 1, false)->body, ahead->body);
  EXPECT_EQ(render(4, 2, false)->status, 200);
  EXPECT_EQ(running.Engine().RenderCount(), drawn + 1);
}

// The export's status once it has ended, or once `done` frames are written.
json WaitForExport(const RunningStudio& running, long done = -1) {
  json status;
  for (int i = 0; i < 6000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
    status = json::parse(running.Client().Get("/api/export")->body);
    if (done >= 0 ? status.value("done", 0L) >= done : status["state"] != "running") break;
  }
  return status;
}

// The exported files are byte for byte those `render` writes from the
// saved document with the session's options.
TEST(StudioExport, FilesEqualTheCommands) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json")});
  const json doc = Animated();
  const httplib::Result started = running.PostJson(
      "/api/export", {{"doc", doc}, {"output", "out/f.%04d.png"}, {"frames", "0-2"}, {"jobs", 2}});
  ASSERT_EQ(started->status, 202) << started->body;
  const json status = WaitForExport(running);
  ASSERT_EQ(status["state"], "done") << status;
  std::ofstream(folder.File("saved.json")) << doc.dump();
  // clang-format off
  const testfiles::CliRun run = testfiles::RunCli({"render", "--params", folder.File("saved.json"),
      "--size", "320x180", "--frames", "0-2", "--output", folder.File("cmd.%04d.png")});
  // clang-format on
  ASSERT_EQ(run.exit_status, 0) << run.err;
  json expected_files = json::array();
  for (const char* frame : {"0000", "0001", "0002"}) {
    const std::string file = folder.File(std::string("out/f.") + frame + ".png");
    expected_files.push_back(file);
    EXPECT_TRUE(testfiles::ReadFile(file) ==
                testfiles::ReadFile(folder.File(std::string("cmd.") + frame + ".png")))
        << frame;
  }
  EXPECT_EQ(status["files"], expected_files);
  EXPECT_EQ(status["done"], 3);
  // One frame into one file.
  ASSERT_EQ(running.PostJson("/api/export", {{"doc", doc}, {"output", "one.png"}, {"frames", "1"}})
                ->status,
            202);
  EXPECT_EQ(WaitForExport(running)["files"], json({folder.File("one.png")}));
  EXPECT_TRUE(testfiles::ReadFile(folder.File("one.png")) ==
              testfiles::ReadFile(folder.File("cmd.0001.png")));
}

// A cancelled export keeps the frames it finished, each whole, and nothing
// else; a second export while one runs is refused.
TEST(StudioExport, CancelKeepsOnlyWholeFrames) {
  TempFolder folder;
  RunningStudio running({.document = folder.File("doc.json"), .size = {1920, 1080}});
  const json request{{"doc", Animated()}, {"output", "seq/f.%04d.png"}, {"jobs", 1}};
  ASSERT_EQ(running.PostJson("/api/export", request)->status, 202);
  EXPECT_EQ(running.PostJson("/api/export", request)->status, 409);
  ASSERT_GE(WaitForExport(running, 1)["done"], 1);
  ASSERT_EQ(running.PostJson("/api/export/cancel", json::object())->status, 200);
  const json status = WaitForExport(running);
  ASSERT_EQ(status["state"], "cancelled") << status;
  std::set<std::string> on_disk;
  for (const auto& entry : std::filesystem::directory_iterator(folder.File("seq"))) {
    on_disk.insert(entry.path().string());
  }
  const std::vector<std::string> kept = status["files"];
  EXPECT_EQ(on_disk, std::set<std::string>(kept.begin(), kept.end()));
  EXPECT_LT(kept.size(), 96u);
  for (const std::string& file : kept) EXPECT_EQ(app::ReadImage(file).width, 1920) << file;
}

}  // namespace
