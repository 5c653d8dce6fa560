// Faults while the command writes its output: a file-size limit, a folder
// without write permission, an output that names the input. Each ends with exit 2
// and a message naming the file and the cause, and leaves no partial file:
// whatever was under the final name before is still there, unchanged, and no
// temporary file is left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/CliRun.h"
#include "support/TestFiles.h"

namespace testfiles {
namespace {

const std::string kShowcase = std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json";

Args RenderArgs(const std::string& params = kShowcase) {
  return {"render", "--size", "480x320", "--depth", "16", "--params", params};
}

struct FaultRun {
  CliRun run;
  std::vector<std::string> files;  // in the output folder afterwards
  std::string old_output;          // what the final name holds afterwards
};

// Renders into `folder`/out.png, where an earlier output "old" already lies.
FaultRun RenderInto(const std::string& folder, Launch launch, const std::string& params) {
  const std::string output = folder + "/out.png";
  launch.args = RenderArgs(params) + Args{"--output", output};
  FaultRun result{RunCli(launch), {}, ReadFile(output)};
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    result.files.push_back(entry.path().filename().string());
  }
  return result;
}

TEST(WriteFaults, AFailedWriteEndsWithTheCauseAndLeavesTheOldFileAsItWas) {
  TempFolder folder;
  // The size of the finished PNG, so that the limits below cut it halfway.
  const CliRun whole = RunCli(RenderArgs() + Args{"--output", folder.File("whole.png")});
  ASSERT_EQ(whole.exit_status, 0) << whole.err;
  const auto half =
      static_cast<long long>(std::filesystem::file_size(folder.File("whole.png")) / 2);
  ASSERT_GT(half, 16 << 10) << "the render must be large enough to cut";

  const auto old_output_in = [&](const std::string& dir) {
    std::filesystem::create_directories(folder.File(dir));
    std::ofstream(folder.File(dir + "/out.png")) << "old";
  };
  for (const char* dir : {"limited", "locked"}) old_output_in(dir);
  // As root, permission bits do not stop a write: the command runs as nobody,
  // who needs to reach the folder through the test's own, and the command,
  // its module and the params file too: copies in the test's folder, since
  // the build's may lie where nobody cannot go.
  std::filesystem::permissions(folder.File(""), std::filesystem::perms(0755));
  std::filesystem::permissions(folder.File("locked"), std::filesystem::perms(0555));
  std::filesystem::create_directories(folder.File("bin"));
  std::filesystem::copy_file(LUSTRE_CLI_PATH, folder.File("bin/lustre-strand"));
  std::filesystem::copy_file(LUSTRE_MODULE_PATH, folder.File("bin/LustreStrand.so"));
  std::filesystem::copy_file(kShowcase, folder.File("showcase.json"));
  Launch limited, as_nobody;
  limited.file_size_limit = half;
  as_nobody.as_nobody = geteuid() == 0;
  limited.program = as_nobody.program = folder.File("bin/lustre-strand");
  // A write that fails part way (as on a full disk) and a temporary file that
  // cannot be created (as on a read-only mount).
  // clang-format off
  const struct { const char* fault; std::string dir; Launch launch; const char* cause; } cases[] = {
      {"a file-size limit", folder.File("limited"), limited, "File too large"},
      {"a folder without write permission", folder.File("locked"), as_nobody, "ermission denied"}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const FaultRun result = RenderInto(c.dir, c.launch, folder.File("showcase.json"));
    EXPECT_EQ(result.run.exit_status, 2) << result.run.err;
    EXPECT_TRUE(Contains(result.run.err, c.dir + "/out.png")) << result.run.err;
    EXPECT_TRUE(Contains(result.run.err, c.cause)) << result.run.err;
    EXPECT_EQ(result.files, Args{"out.png"}) << "a temporary file was left behind";
    EXPECT_EQ(result.old_output, "old");
    std::printf("[ PRINTED ] %s: %s", c.fault, result.run.err.c_str());
  }
  std::filesystem::permissions(folder.File("locked"), std::filesystem::perms(0755));
}

// Writing over a file that is still to be read would destroy the input; the
// command refuses before any work, however the two paths are spelled.
TEST(WriteFaults, AnOutputThatNamesAnInputFileIsRefusedAndTheInputKept) {
  TempFolder folder;
  for (const char* name : {"layer.png", "seq.0.png", "seq.1.png"}) {
    ASSERT_EQ(RunCli(Args{"render", "--size", "40x30", "--output", folder.File(name)}).exit_status,
              0);
  }
  std::filesystem::create_symlink(folder.File("layer.png"), folder.File("link.png"));
  const Args files = folder.Files();
  const std::string before = ReadFile(folder.File("layer.png"));
  // clang-format off
  const struct { std::string input, output; Args more; } cases[] = {
      {folder.File("layer.png"), folder.File("layer.png"), {}},
      {folder.File("layer.png"), folder.File("./layer.png"), {}},
      {folder.File("layer.png"), folder.File("link.png"), {}},
      {folder.File("seq.%d.png"), folder.File("seq.#.png"), {"--frames", "0-1"}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    const CliRun run = RunCli(Args{"render", "--input", c.input, "--output", c.output} + c.more);
    EXPECT_EQ(run.exit_status, 2) << run.err;
    EXPECT_TRUE(Contains(run.err, "is a file of the input")) << run.err;
    EXPECT_EQ(ReadFile(folder.File("layer.png")), before);
    EXPECT_EQ(folder.Files(), files);
    std::printf("[ PRINTED ] %s", run.err.c_str());
  }
}

// A sequence killed with SIGKILL halfway (full-size frames, so that the run
// still lasts long enough to be caught halfway by the 100 ms poll) (workers included, so nothing
// gets to clean up) has only finished frames under final names; a run with
// --skip-existing then renders the rest, and every frame is the one an
// uninterrupted run writes.
TEST(WriteFaults, ASequenceKilledHalfwayResumesWithSkipExisting) {
  TempFolder folder;
  // clang-format off
  const Args render = {"render", "--size", "1920x1080",
                       "--params", std::string(LUSTRE_SOURCE_DIR) + "/examples/animated.json",
                       "--frames", "0-23", "--jobs", "2"};
  // clang-format on
  const auto frame = [&](const char* stem, int f) {
    return folder.File(stem + std::to_string(100 + f) + ".png");
  };
  const CliRun whole = RunCli(render + Args{"--output", folder.File("whole.1##.png")});
  ASSERT_EQ(whole.exit_status, 0) << whole.err;

  const auto finished = [&] {
    int count = 0;
    for (int f = 0; f < 24; ++f) count += std::filesystem::exists(frame("out.", f));
    return count;
  };
  Launch killed{render + Args{"--output", folder.File("out.1##.png")}, 0,
                [&](const std::string&) { return finished() >= 4; }, SIGKILL};
  killed.signal_group = true;
  const CliRun run = RunCli(killed);
  ASSERT_EQ(run.signal, SIGKILL) << run.err;
  const int before_resume = finished();
  ASSERT_LT(before_resume, 24) << "the run ended before it could be killed";
  for (int f = 0; f < 24; ++f) {
    if (std::filesystem::exists(frame("out.", f))) {
      EXPECT_EQ(ReadFile(frame("out.", f)), ReadFile(frame("whole.", f))) << f;
    }
  }

  const CliRun resumed =
      RunCli(render + Args{"--skip-existing", "--output", folder.File("out.1##.png")});
  ASSERT_EQ(resumed.exit_status, 0) << resumed.err;
  for (int f = 0; f < 24; ++f)
    EXPECT_EQ(ReadFile(frame("out.", f)), ReadFile(frame("whole.", f))) << f;
  std::printf(
      "[ PRINTED ] killed after %d of 24 frames; the resumed run wrote %zu frames; %zu files of "
      "the "
      "killed run's frames in flight were left under temporary names\n",
      before_resume, size_t(std::count(resumed.out.begin(), resumed.out.end(), '\n')),
      folder.Files().size() - 48);
}

}  // namespace
}  // namespace testfiles
