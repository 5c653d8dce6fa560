// Faults while the command writes its output: a full disk, a file-size limit,
// a read-only folder, an output that names the input. Each ends with exit 2
// and a message naming the file and the cause, and leaves no partial file:
// whatever was under the final name before is still there, unchanged, and no
// temporary file is left beside it.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "CliRun.h"
#include "TestFiles.h"

namespace testfiles {
namespace {

// A file system mounted on `path` for the life of the object; Mounted() is
// false where this process may not mount (not root, or no mount namespace).
class Mount {
 public:
  Mount(const std::string& path, const char* type, const std::string& options, unsigned long flags = 0,
        const char* source = "lustre-test") {
    std::filesystem::create_directories(path);
    mounted_ = mount(source, path.c_str(), type, flags, options.c_str()) == 0;
    // A bind mount takes its read-only flag only on a second, remounting call.
    if (mounted_ && (flags & MS_BIND) && (flags & MS_RDONLY)) {
      mounted_ = mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    path_ = path;
  }
  ~Mount() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

const Args kRender = {"render", "--size", "480x320", "--depth", "16", "--params",
                      std::string(LUSTRE_SOURCE_DIR) + "/examples/showcase.json"};

struct FaultRun {
  CliRun run;
  std::vector<std::string> files;  // in the output folder afterwards
  std::string old_output;          // what the final name holds afterwards
};

// Renders into `folder`/out.png, where an earlier output "old" already lies.
FaultRun RenderInto(const std::string& folder, Launch launch) {
  const std::string output = folder + "/out.png";
  launch.args = kRender + Args{"--output", output};
  FaultRun result{RunCli(launch), {}, ReadFile(output)};
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    result.files.push_back(entry.path().filename().string());
  }
  return result;
}

TEST(WriteFaults, AFailedWriteEndsWithTheCauseAndLeavesTheOldFileAsItWas) {
  TempFolder folder;
  // The size of the finished PNG, so that the limits below cut it halfway.
  const CliRun whole = RunCli(kRender + Args{"--output", folder.File("whole.png")});
  ASSERT_EQ(whole.exit_status, 0) << whole.err;
  const auto half = static_cast<long long>(std::filesystem::file_size(folder.File("whole.png")) / 2);
  ASSERT_GT(half, 16 << 10) << "the render must be large enough to cut";

  const auto old_output_in = [&](const std::string& dir) {
    std::filesystem::create_directories(folder.File(dir));
    std::ofstream(folder.File(dir + "/out.png")) << "old";
  };
  for (const char* dir : {"limited", "locked", "read-only-source"}) old_output_in(dir);
  // As root, permission bits do not stop a write: the command runs as nobody,
  // who needs to reach the folder through the test's own.
  std::filesystem::permissions(folder.File(""), std::filesystem::perms(0755));
  std::filesystem::permissions(folder.File("locked"), std::filesystem::perms(0555));
  Launch limited, as_nobody;
  limited.file_size_limit = half;
  as_nobody.as_nobody = geteuid() == 0;
  Mount full(folder.File("full"), "tmpfs", "size=" + std::to_string(half));
  if (full.Mounted()) old_output_in("full");
  Mount read_only(folder.File("read-only"), nullptr, "", MS_BIND | MS_RDONLY,
                  folder.File("read-only-source").c_str());
  const struct {
    const char* fault;
    bool possible;
    std::string dir;
    Launch launch;
    const char* cause;
  } cases[] = {
      {"a full disk", full.Mounted(), folder.File("full"), {}, "No space left on device"},
      {"a file-size limit", true, folder.File("limited"), limited, "File too large"},
      {"a read-only mount", read_only.Mounted(), folder.File("read-only"), {}, "Read-only file system"},
      {"a folder without write permission", true, folder.File("locked"), as_nobody, "ermission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    if (!c.possible) {
      std::printf("[ NOTE ] %s: cannot be set up here (mounting is refused), not tested\n", c.fault);
      continue;
    }
    const FaultRun result = RenderInto(c.dir, c.launch);
    EXPECT_EQ(result.run.exit_status, 2) << result.run.err;
    EXPECT_TRUE(Contains(result.run.err, c.dir + "/out.png")) << result.run.err;
    EXPECT_TRUE(Contains(result.run.err, c.cause)) << result.run.err;
    EXPECT_EQ(result.files, Args{"out.png"}) << "a temporary file was left behind";
    EXPECT_EQ(result.old_output, "old");
    std::printf("[ PRINTED ] %s: %s", c.fault, result.run.err.c_str());
  }
  std::filesystem::permissions(folder.File("locked"), std::filesystem::perms(0755));
}

// Reading a file while writing over it would destroy the input; the command
// refuses before any work, however the two paths are spelled.
TEST(WriteFaults, AnOutputThatNamesTheInputIsRefusedAndTheInputKept) {
  TempFolder folder;
  const std::string input = folder.File("layer.png");
  ASSERT_EQ(RunCli(Args{"render", "--size", "40x30", "--output", input}).exit_status, 0);
  std::filesystem::create_symlink(input, folder.File("link.png"));
  const std::string before = ReadFile(input);
  for (const std::string& output : {input, folder.File("./layer.png"), folder.File("link.png")}) {
    SCOPED_TRACE(output);
    const CliRun run = RunCli(Args{"render", "--input", input, "--output", output});
    EXPECT_EQ(run.exit_status, 2) << run.err;
    EXPECT_TRUE(Contains(run.err, "is the input")) << run.err;
    EXPECT_EQ(ReadFile(input), before);
    EXPECT_EQ(folder.Files(), (Args{"layer.png", "link.png"}));
    std::printf("[ PRINTED ] %s", run.err.c_str());
  }
}

}  // namespace
}  // namespace testfiles
