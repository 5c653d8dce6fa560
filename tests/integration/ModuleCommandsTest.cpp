// The module's command protocol, driven through dlopen like a host: set-up,
// about, unknown commands, parameter UI updates, and how failures come back.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModuleHarness.h"

namespace {

using harness::ModuleTest;
using harness::Session;

constexpr A_u_long kVersionWord = 0x00120E00;  // 2.4.1, release, build 0
constexpr A_long kGlobalFlags = 0x02000040;    // deep colour aware | uses output extent

std::vector<unsigned char> Bytes(const PF_OutData& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(&out);
  return std::vector<unsigned char>(p, p + sizeof out);
}

// ---- Global set-up -----------------------------------------------------------

class GlobalSetup : public ModuleTest, public ::testing::WithParamInterface<A_long> {};

TEST_P(GlobalSetup, ReportsTheVersionWordAndAddsItsFlagsToWhatWasThere) {
  Session session(Module());
  session.OutData()->out_flags = GetParam();
  PF_OutData expected = *session.OutData();
  expected.my_version = kVersionWord;
  expected.out_flags = GetParam() | kGlobalFlags;
  EXPECT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  EXPECT_EQ(session.OutData()->my_version, kVersionWord);
  EXPECT_EQ(session.OutData()->out_flags, GetParam() | kGlobalFlags);
  EXPECT_EQ(Bytes(*session.OutData()), Bytes(expected)) << "another out_data field changed";
}

INSTANTIATE_TEST_SUITE_P(FlagsBefore, GlobalSetup,
                         ::testing::Values(0, PF_OutFlag_DISPLAY_ERROR_MESSAGE, kGlobalFlags,
                                           PF_OutFlag_SEND_UPDATE_PARAMS_UI | (1 << 6)));

TEST_F(ModuleTest, ParameterSetUpAfterGlobalSetUpRegistersThePointLayout) {
  Session session(Module());
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  ASSERT_EQ(session.Call(PF_Cmd_PARAMS_SETUP), PF_Err_NONE);
  const auto& params = session.Host().RegisteredParams();
  ASSERT_EQ(params.size(), 112u);
  EXPECT_EQ(session.OutData()->num_params, 113);
  // Registered entry i is parameter i + 1: "Activate" of Point 3 at 93 is a
  // supervised checkbox, "Point" at 94 a greyed-out point.
  EXPECT_EQ(params[92].param_type, PF_Param_CHECKBOX);
  EXPECT_NE(params[92].flags & PF_ParamFlag_SUPERVISE, 0);
  EXPECT_EQ(params[93].param_type, PF_Param_POINT);
  EXPECT_NE(params[93].ui_flags & PF_PUI_DISABLED, 0);
  EXPECT_EQ(params[111].param_type, PF_Param_GROUP_END);
}

// ---- About and unknown commands ----------------------------------------------

TEST_F(ModuleTest, AboutWritesNameStageVersionBuildAndCredits) {
  Session session(Module());
  EXPECT_EQ(session.Call(PF_Cmd_ABOUT), PF_Err_NONE);
  EXPECT_STREQ(session.OutData()->return_msg,
               "Lustre Strand\n\nStage: Release\nVersion: v2.4.1.0\nBuildID: 14\n\n"
               "Written by the Lustre Strand team.");
}

class UnknownCommand : public ModuleTest, public ::testing::WithParamInterface<PF_Cmd> {};

TEST_P(UnknownCommand, ReturnsNoneAndChangesNothing) {
  Session session(Module());
  session.SetUp();
  std::strcpy(session.OutData()->return_msg, "untouched");
  const std::vector<unsigned char> before = Bytes(*session.OutData());
  const long handles = harness::LiveHandles();
  EXPECT_EQ(session.Call(GetParam()), PF_Err_NONE);
  EXPECT_EQ(Bytes(*session.OutData()), before);
  EXPECT_EQ(harness::LiveHandles(), handles);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnknownCommand,
                         ::testing::Values(PF_Cmd_UNUSED_0, PF_Cmd_GLOBAL_SETDOWN,
                                           PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP,
                                           PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN,
                                           PF_Cmd_DO_DIALOG, PF_Cmd_FRAME_SETUP,
                                           PF_Cmd_FRAME_SETDOWN, 15, 99, -1));

// ---- Parameter UI updates -----------------------------------------------------

struct UiCase {
  const char* name;
  PF_Cmd cmd;
  int changed;                    // param_index for USER_CHANGED_PARAM
  std::vector<int> activeGroups;  // groups whose "Activate" is ticked
  std::vector<int> sentIndexes;   // indexes sent, in order
};

class UiUpdate : public ModuleTest, public ::testing::WithParamInterface<UiCase> {};

TEST_P(UiUpdate, SendsPointAndHandleOfTheRightGroupsChangingOnlyTheDisabledBit) {
  const UiCase& c = GetParam();
  Session session(Module());
  session.SetUp();
  session.MakeFrame(32, 24, false);
  for (int g : c.activeGroups) {
    session.Params().SetCheckbox(harness::PointHeader(g) + 1, true);
  }
  PF_UserChangedParamExtra extra{c.changed};
  const long handles = harness::LiveHandles();
  EXPECT_EQ(session.Call(c.cmd, session.Params().Get(), nullptr, &extra), PF_Err_NONE);
  EXPECT_EQ(harness::LiveHandles(), handles);

  const auto& calls = session.Host().UpdateParamUICalls();
  std::vector<int> sent;
  for (const auto& call : calls) {
    sent.push_back(call.index);
    const int group = (call.index - 82) / 5 + 1;
    bool active = false;
    for (int g : c.activeGroups) {
      active = active || g == group;
    }
    EXPECT_EQ((call.def.ui_flags & PF_PUI_DISABLED) != 0, !active) << call.index;
    PF_ParamDef sentDef = call.def;
    PF_ParamDef hostDef = session.Params().At(call.index);
    sentDef.ui_flags &= ~PF_PUI_DISABLED;
    hostDef.ui_flags &= ~PF_PUI_DISABLED;
    EXPECT_EQ(std::memcmp(&sentDef, &hostDef, sizeof sentDef), 0) << call.index;
  }
  EXPECT_EQ(sent, c.sentIndexes);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, UiUpdate,
    ::testing::Values(
        UiCase{"Point3Ticked", PF_Cmd_USER_CHANGED_PARAM, 93, {3}, {94, 95}},
        UiCase{"Point5Unticked", PF_Cmd_USER_CHANGED_PARAM, 103, {1}, {104, 105}},
        UiCase{"OtherControl", PF_Cmd_USER_CHANGED_PARAM, 5, {1, 2}, {}},
        UiCase{"PointControl", PF_Cmd_USER_CHANGED_PARAM, 89, {2}, {}},
        UiCase{"AllGroups",
               PF_Cmd_UPDATE_PARAMS_UI,
               0,
               {2, 6},
               {84, 85, 89, 90, 94, 95, 99, 100, 104, 105, 109, 110}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Failures ------------------------------------------------------------------

// add_param replacements that throw out of parameter set-up.
PF_Err ThrowRuntimeError(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) {
  throw std::runtime_error("host failure");
}
PF_Err ThrowInt(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) { throw 42; }
PF_Err ThrowBadAlloc(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) { throw std::bad_alloc(); }

struct EscapeCase {
  const char* name;
  decltype(&ThrowInt) addParam;
  PF_Err code;
  const char* message;  // null: left as it was
  bool displayFlag;
};

class EscapingException : public ModuleTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(EscapingException, BecomesTheTablesCodeWithAnUndecoratedMessage) {
  const EscapeCase& c = GetParam();
  Session session(Module());
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  std::strcpy(session.OutData()->return_msg, "before");
  const A_long flagsBefore = session.OutData()->out_flags;
  session.InData()->inter.add_param = c.addParam;
  EXPECT_EQ(session.Call(PF_Cmd_PARAMS_SETUP), c.code);
  EXPECT_STREQ(session.OutData()->return_msg, c.message != nullptr ? c.message : "before");
  EXPECT_EQ(session.OutData()->out_flags,
            flagsBefore | (c.displayFlag ? PF_OutFlag_DISPLAY_ERROR_MESSAGE : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EscapingException,
    ::testing::Values(
        EscapeCase{"RuntimeError", ThrowRuntimeError, 512, "Unknown internal error", true},
        EscapeCase{"Int", ThrowInt, 512, "Unknown internal error", true},
        EscapeCase{"BadAlloc", ThrowBadAlloc, PF_Err_OUT_OF_MEMORY, nullptr, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A command that fails with a code and no message of its own: the message the
// host left is decorated with the effect's name and cut at 254 characters.
std::string Decorated(const std::string& message) {
  return ("\nLustre Strand [ " + message + " ]").substr(0, 254);
}

class Decoration : public ModuleTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(Decoration, FramesTheMessageWithTheEffectNameAndCutsIt) {
  Session session(Module());
  ASSERT_EQ(session.Call(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
  std::strcpy(session.OutData()->return_msg, GetParam().c_str());
  session.Host().FailAddParamAt(3, 7);
  EXPECT_EQ(session.Call(PF_Cmd_PARAMS_SETUP), 7);
  EXPECT_EQ(std::string(session.OutData()->return_msg), Decorated(GetParam()));
  EXPECT_LE(std::strlen(session.OutData()->return_msg), 254u);
}

INSTANTIATE_TEST_SUITE_P(Messages, Decoration,
                         ::testing::Values(std::string(), std::string("add_param refused"),
                                           std::string(230, 'm'), std::string(237, 'n'),
                                           std::string(238, 'o'), std::string(255, 'p')));

TEST_F(ModuleTest, EmptyMessageShowsTheNameAndTwoBlanksInBrackets) {
  EXPECT_EQ(Decorated(""), "\nLustre Strand [  ]");
}

// How a render ends when the host's abort callback answers a code.
struct AbortCase {
  const char* name;
  PF_Err code;
  const char* message;  // null: left as the host had it
};

class RenderAbort : public ModuleTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(RenderAbort, UserCancelIsUndecoratedOtherCodesAreDecorated) {
  const AbortCase& c = GetParam();
  Session session(Module());
  session.SetUp();
  session.MakeFrame(40, 30, false);
  session.ActivateThreePoints();
  std::strcpy(session.OutData()->return_msg, "host text");
  session.Host().AbortAfterProgressCalls(0, c.code);
  EXPECT_EQ(session.Render(), c.code);
  EXPECT_STREQ(session.OutData()->return_msg, c.message != nullptr ? c.message : "host text");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RenderAbort,
    ::testing::Values(AbortCase{"UserCancel", PF_Interrupt_CANCEL, nullptr},
                      AbortCase{"HostError", 23,
                                "\nLustre Strand [ UI Ping: Error or user Abort. ]"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
