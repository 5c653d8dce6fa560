// The committed resource script is what the generator writes today, and the
// PIPL resource in it holds exactly the descriptor bytes.
#include "shell/ResourceScript.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/Descriptor.h"

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

// The bytes of the raw data block after the "16000 PIPL" line: each 0xNNNN is a
// 16-bit word stored low byte first.
std::vector<unsigned char> PiplBytes(const std::string& script) {
  std::vector<unsigned char> bytes;
  const size_t header = script.find("16000 PIPL\nBEGIN\n");
  if (header == std::string::npos) {
    ADD_FAILURE() << "no PIPL resource";
    return bytes;
  }
  const size_t end = script.find("\nEND", header);
  std::istringstream words(script.substr(header + 17, end - header - 17));
  std::string word;
  while (words >> word) {
    if (word.back() == ',') {
      word.pop_back();
    }
    const unsigned long value = std::stoul(word, nullptr, 16);
    EXPECT_LE(value, 0xFFFFul) << word;
    bytes.push_back(static_cast<unsigned char>(value & 0xFF));
    bytes.push_back(static_cast<unsigned char>(value >> 8));
  }
  return bytes;
}

TEST(ResourceScript, CommittedFileIsWhatTheGeneratorWrites) {
  const std::string committed = ReadFile(CommittedScriptPath());
  ASSERT_FALSE(committed.empty()) << CommittedScriptPath();
  EXPECT_EQ(committed, GeneratedScript())
      << "regenerate with: lustre-resource-script shell/resources/LustreStrand.rc";
}

TEST(ResourceScript, PiplResourceHoldsTheDescriptorBytes) {
  unsigned int size = 0;
  const unsigned char* bytes = descriptor::DescriptorBytes(&size);
  EXPECT_EQ(PiplBytes(GeneratedScript()), std::vector<unsigned char>(bytes, bytes + size));
}

struct ScriptLine {
  const char* text;
};

class ResourceScriptLine : public ::testing::TestWithParam<ScriptLine> {};

TEST_P(ResourceScriptLine, AppearsInTheScript) {
  EXPECT_NE(GeneratedScript().find(GetParam().text), std::string::npos) << GetParam().text;
}

// US English is language id 1033 = primary 9 | sub-language 1 << 10.
INSTANTIATE_TEST_SUITE_P(
    VersionBlockAndLanguage, ResourceScriptLine,
    ::testing::Values(ScriptLine{"LANGUAGE 9, 1\n16000 PIPL\n"},
                      ScriptLine{"FILEVERSION 2,4,1,0\n"}, ScriptLine{"PRODUCTVERSION 2,4,1,0\n"},
                      ScriptLine{"VALUE \"FileVersion\", \"2.4.1\"\n"},
                      ScriptLine{"VALUE \"ProductVersion\", \"2.4.1\"\n"},
                      ScriptLine{"VALUE \"InternalName\", \"LustreStrand\"\n"},
                      ScriptLine{"VALUE \"ProductName\", \"LustreStrand\"\n"}));

TEST(ResourceScript, LengthIsReportedWhateverTheCapacity) {
  const std::string full = GeneratedScript();
  char small[16];
  EXPECT_EQ(descriptor::WriteResourceScript(small, sizeof small), full.size());
  EXPECT_EQ(std::string(small), full.substr(0, sizeof small - 1));
}

}  // namespace
