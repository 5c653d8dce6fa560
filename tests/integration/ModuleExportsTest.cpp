// What the module shows a host before any command: its dynamic symbols, its
// descriptor bytes, and the resource script that embeds the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ModuleHarness.h"

namespace {

using harness::ModuleTest;
using harness::Session;

// Names of the defined symbols in the module's dynamic symbol table.
std::set<std::string> DynamicSymbols(const std::string& path) {
  std::set<std::string> names;
  const std::string command = "nm -D --defined-only '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return names;
  }
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) {
      names.insert(name);
    }
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ModuleExports, OnlyTheEntryPointAndTheDescriptorAccessor) {
  EXPECT_EQ(DynamicSymbols(LUSTRE_MODULE_PATH),
            (std::set<std::string>{"LustreStrand_Descriptor", "PluginEntry"}));
}

TEST(ModuleLoader, MissingModuleIsReportedWithItsPath) {
  const std::string path = std::string(LUSTRE_MODULE_PATH) + ".missing";
  try {
    embedded::ModuleLoader loader(path);
    FAIL() << "loaded a module that does not exist";
  } catch (const embedded::ModuleLoadError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

TEST(ModuleLoader, LibraryWithoutTheEntryPointIsReportedWithPathAndSymbol) {
  const std::string path = "libm.so.6";
  try {
    embedded::ModuleLoader loader(path);
    FAIL() << "a library without PluginEntry was accepted";
  } catch (const embedded::ModuleLoadError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("PluginEntry"), std::string::npos) << e.what();
  }
}

// ---- Descriptor, decoded field by field --------------------------------------

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}

struct Field {
  const char* key;  // as read (the bytes hold it reversed)
  std::vector<unsigned char> data;
};

std::vector<unsigned char> Text(const std::string& s, std::vector<unsigned char> tail = {}) {
  std::vector<unsigned char> out(s.begin(), s.end());
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

const std::vector<Field> kFields = {
    {"kind", Text("TKFe")},
    {"name", Text("\x0DLustre Strand", {0, 0})},
    {"catg", Text("\x09Ironbrook", {0, 0})},
    {"wx86", Text("PluginEntry", {0})},
    {"ePVR", {2, 0, 0, 0}},
    {"eSVR", {12, 0, 2, 0}},
    {"eVER", {0x00, 0x0E, 0x12, 0x00}},
    {"eINF", {0, 0}},
    {"eGLO", {0x40, 0x00, 0x00, 0x02}},
    {"eMNA", Text("\x0FQV_LUSTRESTRAND")},
    {"aeFL", {8, 0, 0, 0}},
    {"aeRD", {0, 0, 0, 0}},
};

TEST_F(ModuleTest, DescriptorFromTheModuleDecodesAsTabled) {
  const std::vector<unsigned char> b = Module().Descriptor();
  ASSERT_GE(b.size(), 10u);
  EXPECT_EQ(b[0] | b[1] << 8, 1);  // list version
  EXPECT_EQ(Le32(b, 2), 0u);       // reserved
  ASSERT_EQ(Le32(b, 6), 12u);      // property count
  size_t at = 10;
  for (const Field& f : kFields) {
    SCOPED_TRACE(f.key);
    ASSERT_LE(at + 16, b.size());
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 4)),
              "MIB8");
    const std::string key(f.key);
    EXPECT_EQ(std::string(b.begin() + static_cast<long>(at + 4),
                          b.begin() + static_cast<long>(at + 8)),
              std::string(key.rbegin(), key.rend()));
    EXPECT_EQ(Le32(b, at + 8), 0u);
    const uint32_t length = Le32(b, at + 12);
    ASSERT_EQ(length, f.data.size());
    ASSERT_LE(at + 16 + length, b.size());
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + static_cast<long>(at + 16),
                                         b.begin() + static_cast<long>(at + 16 + length)),
              f.data);
    const size_t padded = (length + 3) / 4 * 4;
    for (size_t i = length; i < padded; ++i) {
      EXPECT_EQ(b.at(at + 16 + i), 0) << "padding";
    }
    at += 16 + padded;
  }
  EXPECT_EQ(at, b.size());
}

TEST_F(ModuleTest, DescriptorFlagsAreTheFlagsOfGlobalSetUp) {
  const std::vector<unsigned char> b = Module().Descriptor();
  Session session(Module());
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  // eGLO is the ninth property and eVER the seventh; every property before
  // them has a 16-byte header and data padded as tabled.
  const size_t eVER = 10 + 16 * 6 + (4 + 16 + 12 + 12 + 4 + 4) + 16;
  const size_t eGLO = eVER + 4 + 16 + 4 + 16;
  EXPECT_EQ(Le32(b, eVER), session.OutData()->my_version);
  EXPECT_EQ(static_cast<A_long>(Le32(b, eGLO)), session.OutData()->out_flags);
}

TEST_F(ModuleTest, ResourceScriptEmbedsTheModulesDescriptorBytes) {
  std::ifstream in(std::string(LUSTRE_SOURCE_DIR) + "/shell/resources/LustreStrand.rc");
  ASSERT_TRUE(in) << "no resource script";
  std::stringstream text;
  text << in.rdbuf();
  const std::string script = text.str();
  const size_t start = script.find("16000 PIPL\nBEGIN\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = script.find("\nEND", start);
  std::istringstream words(script.substr(start + 17, end - start - 17));
  std::vector<unsigned char> embedded;
  std::string word;
  while (words >> word) {
    const unsigned long value = std::stoul(word, nullptr, 16);  // "0x1234," reads as 0x1234
    embedded.push_back(static_cast<unsigned char>(value & 0xFF));
    embedded.push_back(static_cast<unsigned char>(value >> 8));
  }
  EXPECT_EQ(embedded, Module().Descriptor());
  EXPECT_NE(script.find("VALUE \"FileVersion\", \"2.4.1\""), std::string::npos);
  EXPECT_NE(script.find("VALUE \"InternalName\", \"LustreStrand\""), std::string::npos);
}

}  // namespace
