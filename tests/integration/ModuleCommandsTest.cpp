// The module loaded like a host loads it: what it shows before any command
// (descriptor bytes, the resource script embedding them), then set-up, about,
// unknown commands, parameter UI updates, and how failures come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <new>
#include <set>
#include <sstream>
#include <stdexcept>

#include "ModuleHarness.h"

namespace harness {
namespace {

using namespace std::string_literals;

// A missing module and a library without the entry point are reported with
// the path (and the symbol) and the system's reason.
TEST(ModuleLoader, RefusalsNameThePathAndTheMissingSymbol) {
  // clang-format off
  const struct { std::string path; std::vector<std::string> parts; } cases[] = {
      {LUSTRE_MODULE_PATH ".missing", {LUSTRE_MODULE_PATH ".missing"}},
      {LUSTRE_LIBRARY_WITHOUT_ENTRY, {LUSTRE_LIBRARY_WITHOUT_ENTRY, "PluginEntry"}}};
  // clang-format on
  for (const auto& c : cases) {
    try {
      embedded::ModuleLoader loader(c.path);
      ADD_FAILURE() << "loaded " << c.path;
    } catch (const embedded::ModuleLoadError& e) {
      for (const std::string& part : c.parts)
        EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
      // The system's own explanation follows.
      EXPECT_FALSE(std::string(e.what()).ends_with(": ")) << e.what();
    }
  }
}

// ---- Descriptor, decoded field by field --------------------------------------

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | uint32_t{b.at(at + 3)} << 24;
}

TEST_F(ModuleTest, DescriptorFromTheModuleDecodesAsTabled) {
  // clang-format off
  const struct { const char* key; std::string data; } fields[] = {
      // keys as read; stored reversed
      {"kind", "TKFe"s},
      {"name", "\x0DLustre Strand\0\0"s},
      {"catg", "\x09Ironbrook\0\0"s},
      {"wx86", "PluginEntry\0"s},
      {"ePVR", "\2\0\0\0"s},
      {"eSVR", "\x0C\0\2\0"s},
      {"eVER", "\0\x0E\x12\0"s},
      {"eINF", "\0\0"s},
      {"eGLO", "\x40\0\0\x02"s},
      {"eMNA", "\x0FQV_LUSTRESTRAND"s},
      {"aeFL", "\x08\0\0\0"s},
      {"aeRD", "\0\0\0\0"s}};
  // clang-format on
  const std::vector<unsigned char> b = Module().Descriptor();
  const auto slice = [&](size_t at, size_t n) {
    return std::string(b.begin() + long(at), b.begin() + long(at + n));
  };
  ASSERT_GE(b.size(), 10u);
  EXPECT_EQ(b[0] | b[1] << 8, 1);  // list version
  EXPECT_EQ(Le32(b, 2), 0u);       // reserved
  ASSERT_EQ(Le32(b, 6), 12u);      // property count
  size_t at = 10;
  for (const auto& f : fields) {
    SCOPED_TRACE(f.key);
    ASSERT_LE(at + 16, b.size());
    const std::string key(f.key);
    EXPECT_EQ(slice(at, 8), "MIB8" + std::string(key.rbegin(), key.rend()));
    EXPECT_EQ(Le32(b, at + 8), 0u);
    const uint32_t length = Le32(b, at + 12);
    ASSERT_EQ(length, f.data.size());
    const size_t padded = (length + 3) / 4 * 4;
    ASSERT_LE(at + 16 + padded, b.size());
    EXPECT_EQ(slice(at + 16, length), f.data);
    EXPECT_EQ(slice(at + 16 + length, padded - length), std::string(padded - length, 0))
        << "padding";
    at += 16 + padded;
  }
  EXPECT_EQ(at, b.size());
}

TEST_F(ModuleTest, ResourceScriptEmbedsTheModulesDescriptorBytes) {
  std::ifstream in(std::string(LUSTRE_SOURCE_DIR) + "/shell/resources/LustreStrand.rc");
  ASSERT_TRUE(in) << "no resource script";
  const std::string script((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t start = script.find("16000 PIPL\nBEGIN\n");
  ASSERT_NE(start, std::string::npos);
  std::istringstream words(script.substr(start + 17, script.find("\nEND", start) - start - 17));
  std::vector<unsigned char> embedded;
  for (std::string word; words >> word;) {
    const unsigned long value = std::stoul(word, nullptr, 16);  // "0x1234," reads as 0x1234
    embedded.insert(embedded.end(), {static_cast<unsigned char>(value & 0xFF),
                                     static_cast<unsigned char>(value >> 8)});
  }
  EXPECT_EQ(embedded, Module().Descriptor());
  EXPECT_NE(script.find("VALUE \"FileVersion\", \"2.4.1\""), std::string::npos);
  EXPECT_NE(script.find("VALUE \"InternalName\", \"LustreStrand\""), std::string::npos);
}

// ---- Commands ------------------------------------------------------------------

std::vector<unsigned char> Bytes(const PF_OutData& out) {
  return {reinterpret_cast<const unsigned char*>(&out),
          reinterpret_cast<const unsigned char*>(&out + 1)};
}

TEST_F(ModuleTest, GlobalSetUpReportsTheVersionWordAndAddsItsFlagsToWhatWasThere) {
  constexpr A_u_long kVersionWord = 0x00120E00;  // 2.4.1, release, build 0
  constexpr A_long kGlobalFlags = 0x02000040;    // deep colour aware | uses output extent
  for (A_long before : std::vector<A_long>{0, PF_OutFlag_DISPLAY_ERROR_MESSAGE, kGlobalFlags,
                                           PF_OutFlag_SEND_UPDATE_PARAMS_UI | (1 << 6)}) {
    Session session(Module());
    session.OutData()->out_flags = before;
    PF_OutData expected = *session.OutData();
    expected.my_version = kVersionWord;
    expected.out_flags = before | kGlobalFlags;
    EXPECT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
    EXPECT_EQ(Bytes(*session.OutData()), Bytes(expected))
        << "version word, flags or another out_data field";
  }
}

TEST_F(ModuleTest, UnknownCommandsReturnNoneAndChangeNothing) {
  for (PF_Cmd cmd : std::vector<PF_Cmd>{
           PF_Cmd_UNUSED_0, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP,
           PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN, PF_Cmd_DO_DIALOG, PF_Cmd_FRAME_SETUP,
           PF_Cmd_FRAME_SETDOWN, 15, 99, -1}) {
    Session session(Module());
    session.SetUp();
    std::strcpy(session.OutData()->return_msg, "untouched");
    const std::vector<unsigned char> before = Bytes(*session.OutData());
    const long handles = LiveHandles();
    EXPECT_EQ(session.Call(cmd), PF_Err_NONE) << cmd;
    EXPECT_EQ(Bytes(*session.OutData()), before) << cmd;
    EXPECT_EQ(LiveHandles(), handles) << cmd;
  }
}

// Point and handle of the right groups are sent, only their disabled bit
// changed (set where the group's "Activate" is off).
TEST_F(ModuleTest, UiUpdatesSendPointAndHandleOfTheRightGroupsChangingOnlyTheDisabledBit) {
  // Changed: Point 3's "Activate" (ticked), Point 5's (unticked), another
  // control, a point control; then an update of the whole UI.
  // clang-format off
  const struct { PF_Cmd cmd; int changed; std::vector<int> active_groups, sent; } cases[] = {
      {PF_Cmd_USER_CHANGED_PARAM, 93, {3}, {94, 95}},
      {PF_Cmd_USER_CHANGED_PARAM, 103, {1}, {104, 105}},
      {PF_Cmd_USER_CHANGED_PARAM, 5, {1, 2}, {}},
      {PF_Cmd_USER_CHANGED_PARAM, 89, {2}, {}},
      {PF_Cmd_UPDATE_PARAMS_UI, 0, {2, 6}, {84, 85, 89, 90, 94, 95, 99, 100, 104, 105, 109, 110}}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.changed);
    Session session(Module());
    session.SetUp();
    session.MakeFrame(32, 24, false);
    for (int g : c.active_groups) session.Params().SetCheckbox(PointHeader(g) + 1, true);
    PF_UserChangedParamExtra extra{c.changed};
    const long handles = LiveHandles();
    EXPECT_EQ(session.Call(c.cmd, session.Params().Get(), nullptr, &extra), PF_Err_NONE);
    EXPECT_EQ(LiveHandles(), handles);
    std::vector<int> sent;
    for (const auto& call : session.Host().UpdateParamUICalls()) {
      sent.push_back(call.index);
      const int group = (call.index - 82) / 5 + 1;
      const bool active = std::count(c.active_groups.begin(), c.active_groups.end(), group) > 0;
      // The host's definition with the disabled bit set where the group is off.
      PF_ParamDef expected = session.Params().At(call.index);
      expected.ui_flags = (expected.ui_flags & ~PF_PUI_DISABLED) | (active ? 0 : PF_PUI_DISABLED);
      EXPECT_EQ(std::memcmp(&call.def, &expected, sizeof expected), 0) << call.index;
    }
    EXPECT_EQ(sent, c.sent);
  }
}

// ---- Failures ------------------------------------------------------------------

// Failed parameter set-up: add_param answers 7 on its third call, and the
// message the host left comes back decorated with the effect's name (the cut
// at 254 characters is checked at every length in the shell's tests). (A host
// callback never throws into the module: on Windows each image has its own
// unwinder. Exceptions out of a command are tested in process, in the shell's
// tests.)
TEST_F(ModuleTest, FailedParameterSetUpDecoratesTheHostsMessage) {
  Session session(Module());
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  std::strcpy(session.OutData()->return_msg, "add_param refused");
  session.Host().Faults().FailAddParamAt(3, 7);
  EXPECT_EQ(session.Call(PF_Cmd_PARAMS_SETUP), 7);
  EXPECT_STREQ(session.OutData()->return_msg, "\nLustre Strand [ add_param refused ]");
}

// A render the host's abort callback ends: a user cancel is undecorated (the
// host's text stays), other codes are decorated.
TEST_F(ModuleTest, RenderAbortDecoratesAllButAUserCancel) {
  // clang-format off
  const struct { PF_Err code; const char* message; } cases[] = {
      {PF_Interrupt_CANCEL, "host text"},
      {23, "\nLustre Strand [ UI Ping: Error or user Abort. ]"}};
  // clang-format on
  for (const auto& c : cases) {
    Session session(Module());
    session.Ready(40, 30, false);
    std::strcpy(session.OutData()->return_msg, "host text");
    session.Host().Faults().AbortAfterProgressCalls(0, c.code);
    EXPECT_EQ(session.Render(), c.code);
    EXPECT_STREQ(session.OutData()->return_msg, c.message);
  }
}

// Abort and progress handlers of the application that throw: the embedded
// host answers the module with an error code instead of unwinding into it
// (which on Windows would end the process), and the render ends with that
// code, every handle given back.
TEST_F(ModuleTest, ThrowingHostHandlersEndTheRenderWithTheHostsErrorCode) {
  // clang-format off
  const struct { bool in_abort; bool out_of_memory; PF_Err code; } cases[] = {
      {false, false, PF_Err_INTERNAL_STRUCT_DAMAGED},
      {true, true, PF_Err_OUT_OF_MEMORY}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in_abort ? "abort" : "progress");
    Session session(Module());
    session.Ready(40, 30, false);
    const auto raise = [out_of_memory = c.out_of_memory]() -> PF_Err {
      if (out_of_memory) throw std::bad_alloc();
      throw std::runtime_error("handler");
    };
    if (c.in_abort) {
      session.Host().SetAbortHandler(raise);
    } else {
      session.Host().SetProgressHandler([raise](A_long, A_long) { return raise(); });
    }
    EXPECT_EQ(session.Render(), c.code);
    EXPECT_STREQ(session.OutData()->return_msg,
                 "\nLustre Strand [ UI Ping: Error or user Abort. ]");
  }
}

}  // namespace
}  // namespace harness
