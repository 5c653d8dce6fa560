// The committed resource script is what the generator writes today (the
// integration tests check the bytes it embeds against the loaded module).
#include "shell/ResourceScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string CommittedScriptPath() {
  // This file is tests/shell/ResourceScriptTest.cpp below the source root.
  const std::string self = __FILE__;
  const std::string root = self.substr(0, self.rfind("tests/shell/"));
  return root + "shell/resources/LustreStrand.rc";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string GeneratedScript() {
  std::vector<char> text(descriptor::WriteResourceScript(nullptr, 0) + 1);
  descriptor::WriteResourceScript(text.data(), text.size());
  return std::string(text.data(), text.size() - 1);
}

TEST(ResourceScript, CommittedFileIsWhatTheGeneratorWrites) {
  const std::string committed = ReadFile(CommittedScriptPath());
  ASSERT_FALSE(committed.empty()) << CommittedScriptPath();
  EXPECT_EQ(committed, GeneratedScript())
      << "regenerate with: lustre-resource-script shell/resources/LustreStrand.rc";
}

}  // namespace
