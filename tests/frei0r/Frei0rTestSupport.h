// What the frei0r tests share: running a program (ffmpeg, melt,
// gst-launch-1.0, the command) with extra environment, an RGBA test frame,
// and the command's render of a frame as the reference.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace frei0r_test {

using Args = std::vector<std::string>;

// The folder of the built plug-in: what FREI0R_PATH names.
inline std::string PluginFolder() {
  const std::string plugin = LUSTRE_FREI0R_PLUGIN;
  return plugin.substr(0, plugin.rfind('/'));
}

// Runs `args` (the program found on PATH) with `env` ("NAME=VALUE") added to
// the environment. A missing program ends with status 127 and says so on
// standard error.
inline testfiles::CliRun RunProgram(const Args& args, const Args& env = {}) {
  testfiles::Launch launch{Args(args.begin() + 1, args.end()), 0, {}, 0};
  launch.program = args.front();
  launch.env = env;
  return testfiles::RunCli(launch);
}

// The environment under which every host finds the plug-in; GStreamer gets a
// registry of its own so that no cached scan of an older build is used.
inline Args HostEnv(const testfiles::TempFolder& folder) {
  return {"FREI0R_PATH=" + PluginFolder(), "GST_REGISTRY=" + folder.File("gst-registry.bin")};
}

using testfiles::PatternSamples;

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
  const auto ran = RunProgram(args);
  EXPECT_EQ(ran.exit_status, 0) << ran.err;
  return ran.exit_status == 0 ? ReadRgba(output) : std::vector<uint32_t>{};
}

inline size_t DifferingSamples(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  size_t n = a.size() == b.size() ? 0 : std::max(a.size(), b.size());
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace frei0r_test
