// What the frei0r tests share: running a program (ffmpeg, melt,
// gst-launch-1.0, the command) with extra environment, an RGBA test frame,
// and the command's render of a frame as the reference.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/TestFiles.h"

namespace frei0r_test {

using Args = std::vector<std::string>;

// The folder of the built plug-in: what FREI0R_PATH names.
inline std::string PluginFolder() {
  const std::string plugin = LUSTRE_FREI0R_PLUGIN;
  return plugin.substr(0, plugin.rfind('/'));
}

struct Ran {
  int status = -1;  // exit status; -1 when killed by a signal
  std::string out, err;
};

// Runs `args` (the program found on PATH) with standard input from /dev/null
// and `env` ("NAME=VALUE") added to the environment. A missing program ends
// with status 127 and says so on standard error.
inline Ran RunProgram(const Args& args, const Args& env = {}) {
  char out_name[] = "/tmp/lustre-frei0r-out-XXXXXX", err_name[] = "/tmp/lustre-frei0r-err-XXXXXX";
  const int out_fd = mkstemp(out_name), err_fd = mkstemp(err_name);
  Args storage = args;
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    freopen("/dev/null", "r", stdin);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "cannot run %s: not installed? (bash scripts/install-deps.sh test)\n", argv[0]);
    _exit(127);
  }
  close(out_fd);
  close(err_fd);
  int status = 0;
  waitpid(pid, &status, 0);
  Ran ran;
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ran.out = testfiles::ReadFile(out_name);
  ran.err = testfiles::ReadFile(err_name);
  unlink(out_name);
  unlink(err_name);
  return ran;
}

// The environment under which every host finds the plug-in; GStreamer gets a
// registry of its own so that no cached scan of an older build is used.
inline Args HostEnv(const testfiles::TempFolder& folder) {
  return {"FREI0R_PATH=" + PluginFolder(), "GST_REGISTRY=" + folder.File("gst-registry.bin")};
}

// An RGBA frame whose colours and alpha vary with x and y, so that a pixel
// moved, a channel swapped or an alpha premultiplied shows.
inline std::vector<uint32_t> PatternSamples(uint32_t w, uint32_t h) {
  std::vector<uint32_t> s;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      s.insert(s.end(), {(x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y) % 256,
                         255 - (x * 3 + y * 2) % 200});
    }
  }
  return s;
}

inline void WriteRgba(const std::string& path, uint32_t w, uint32_t h,
                      const std::vector<uint32_t>& samples) {
  testfiles::WritePng(path, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, samples);
}

// An 8-bit RGBA PNG's samples; fails the test for any other kind of file.
inline std::vector<uint32_t> ReadRgba(const std::string& path) {
  const testfiles::RawPng png = testfiles::ReadPng(path);
  EXPECT_EQ(png.bit_depth, 8) << path;
  EXPECT_EQ(png.color_type, PNG_COLOR_TYPE_RGB_ALPHA) << path;
  return png.samples;
}

// `lustre-strand render --input IN --set A --set B ... --output OUT`; the samples.
inline std::vector<uint32_t> CommandRender(const std::string& input, const Args& sets,
                                           const std::string& output) {
  Args args{LUSTRE_CLI_PATH, "render", "--input", input, "--output", output};
  for (const std::string& s : sets) args.insert(args.end(), {"--set", s});
  const Ran ran = RunProgram(args);
  EXPECT_EQ(ran.status, 0) << ran.err;
  return ran.status == 0 ? ReadRgba(output) : std::vector<uint32_t>{};
}

inline size_t DifferingSamples(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  size_t n = a.size() == b.size() ? 0 : std::max(a.size(), b.size());
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace frei0r_test
