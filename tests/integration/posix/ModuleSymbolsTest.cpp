// The shared object's dynamic symbol table, as nm shows it: the entry point
// and the descriptor accessor, nothing else (the replaced allocation
// functions stay inside the module).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(ModuleExports, OnlyTheEntryPointAndTheDescriptorAccessor) {
  const std::string command = std::string("nm -D --defined-only '") + LUSTRE_MODULE_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr) << command;
  std::set<std::string> names;
  std::string address, type, name;
  for (char line[512]; std::fgets(line, sizeof line, pipe) != nullptr;) {
    if (std::istringstream(line) >> address >> type >> name) names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  EXPECT_EQ(names, (std::set<std::string>{"LustreStrand_Descriptor", "PluginEntry"}));
}

}  // namespace
