#include "cli/ProgressLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;

// A log written to memory, its clock moved by hand.
struct LogUnderTest {
  std::chrono::steady_clock::time_point now{};
  std::FILE* file = std::tmpfile();
  ~LogUnderTest() { std::fclose(file); }
  cli::ProgressLog Log(long first, long last, long to_render) {
    return cli::ProgressLog(file, first, last, to_render, [this] { return now; });
  }
  std::vector<std::string> Lines() {
    std::fflush(file);
    std::rewind(file);
    std::vector<std::string> lines;
    char line[256];
    while (std::fgets(line, sizeof line, file)) lines.emplace_back(line);
    return lines;
  }
};

struct Timing {
  const char* name;
  std::vector<long> done_at_ms;     // when each frame (frames 0, 1, ...) finishes
  std::vector<long> frames_logged;  // the frames that get a line
};

class ProgressLogTiming : public testing::TestWithParam<Timing> {};

// The first frame's line tells a log's reader the run is alive; after that,
// a line when 5 s have passed since the last one, never more often.
TEST_P(ProgressLogTiming, LinesComeForTheFirstFrameThenEveryFiveSeconds) {
  LogUnderTest test;
  const Timing& t = GetParam();
  cli::ProgressLog log = test.Log(0, static_cast<long>(t.done_at_ms.size()) - 1,
                                  static_cast<long>(t.done_at_ms.size()));
  for (size_t frame = 0; frame < t.done_at_ms.size(); ++frame) {
    test.now = std::chrono::steady_clock::time_point(milliseconds(t.done_at_ms[frame]));
    log.FrameDone(static_cast<long>(frame));
  }
  std::vector<long> logged;
  for (const std::string& line : test.Lines()) {
    long frame = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "lustre-strand: frame %ld done", &frame), 1) << line;
    logged.push_back(frame);
  }
  EXPECT_EQ(logged, t.frames_logged);
}

INSTANTIATE_TEST_SUITE_P(
    Timings, ProgressLogTiming,
    testing::Values(Timing{"FastFrames", {100, 200, 300, 4900, 5099, 5100, 9000, 10100}, {0, 5, 7}},
                    Timing{"SlowFrames", {6000, 12000, 18000}, {0, 1, 2}},
                    Timing{"ExactlyFiveSecondsApart", {1000, 5999, 6000, 11000}, {0, 2, 3}}),
    [](const testing::TestParamInfo<Timing>& info) { return std::string(info.param.name); });

struct Text {
  const char* name;
  long first, last, to_render;
  long finished;  // frames done before the line looked at
  long elapsed_ms;
  const char* frame_line;  // the line of the last finished frame ("" when it gets none)
  const char* summary;
};

class ProgressLogText : public testing::TestWithParam<Text> {};

// The counts, rates and times, worked by hand.
TEST_P(ProgressLogText, SaysFramesDoneRateTimeLeftAndWhatWasSkipped) {
  LogUnderTest test;
  const Text& t = GetParam();
  cli::ProgressLog log = test.Log(t.first, t.last, t.to_render);
  for (long i = 0; i < t.finished; ++i) {
    test.now =
        std::chrono::steady_clock::time_point(milliseconds(i + 1 == t.finished ? t.elapsed_ms : 0));
    log.FrameDone(t.first + i);
  }
  test.now = std::chrono::steady_clock::time_point(milliseconds(t.elapsed_ms));
  log.Finish();
  const std::vector<std::string> lines = test.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), t.summary);
  if (*t.frame_line) {
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], t.frame_line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ProgressLogText,
    testing::Values(
        Text{"ShardWithFramesAlreadyThere", 12, 23, 10, 10, 125000,
             "lustre-strand: frame 21 done, 10/10 frames, 0.08 fps, 0:00 left\n",
             "lustre-strand: frames 12-23: rendered 10 in 2:05 (0.08 fps), skipped 2 already "
             "written\n"},
        Text{"FirstFrameAtOnceHasNoRateYet", 0, 9, 10, 1, 0,
             "lustre-strand: frame 0 done, 1/10 frames, 0.00 fps, --:-- left\n",
             "lustre-strand: frames 0-9: rendered 1 in 0:00, skipped 0 already written\n"},
        // 1 frame in 2.6 s: 0.38 fps, 2 more take 5.2 s; 2.6 s shows as 0:03.
        Text{"TimesRoundToTheNearestSecond", 0, 2, 3, 1, 2600,
             "lustre-strand: frame 0 done, 1/3 frames, 0.38 fps, 0:05 left\n",
             "lustre-strand: frames 0-2: rendered 1 in 0:03 (0.38 fps), skipped 0 already "
             "written\n"},
        Text{"EverythingAlreadyThere", 0, 5, 0, 0, 1000, "",
             "lustre-strand: frames 0-5: rendered 0 in 0:01, skipped 6 already written\n"}),
    [](const testing::TestParamInfo<Text>& info) { return std::string(info.param.name); });

}  // namespace
