// The entry point's own rules called in-process (stage names, the decoration
// cut, exceptions out of a command), render dispatch with its exception
// table, and the committed resource script.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Common/AEException.h"
#include "host/embedded/EmbeddedHost.h"
#include "shell/PluginEntry.h"
#include "shell/RenderDispatch.h"
#include "shell/ResourceScript.h"

namespace {

// Decoration puts the message between "\nLustre Strand [ " and " ]" and cuts
// the whole at 254 characters: messages up to 235 characters keep the
// closing bracket. Every length from empty to past the buffer's end.
TEST(Decoration, PrefixesTheNameAndCutsAt254) {
  for (size_t length = 0; length <= PF_MAX_EFFECT_MSG_LEN; ++length) {
    char msg[PF_MAX_EFFECT_MSG_LEN + 1] = {};
    std::memset(msg, 'x', length);
    shell::DecorateMessage(msg);
    EXPECT_EQ(std::string(msg),
              ("\nLustre Strand [ " + std::string(length, 'x') + " ]").substr(0, 254))
        << length;
  }
}

// An exception out of parameter set-up (here thrown by add_param, which only
// an in-process host may do) becomes the entry point's code: bad_alloc leaves
// the message and flags as they were; anything else says "Unknown internal
// error" and asks the host to show it.
TEST(EntryExceptions, EscapingParameterSetUpGiveTheTablesCode) {
  using AddParam = PF_Err (*)(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr);
  // clang-format off
  const struct { AddParam add_param; PF_Err code; const char* message; A_long flags; } cases[] = {
      {[](PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) -> PF_Err {
         throw std::runtime_error("host"); }, 512, "Unknown internal error",
       PF_OutFlag_DISPLAY_ERROR_MESSAGE},
      {[](PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) -> PF_Err { throw 42; }, 512,
       "Unknown internal error", PF_OutFlag_DISPLAY_ERROR_MESSAGE},
      {[](PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) -> PF_Err { throw std::bad_alloc(); },
       PF_Err_OUT_OF_MEMORY, "before", 0}};
  // clang-format on
  for (const auto& c : cases) {
    embedded::EmbeddedHost host;
    ASSERT_EQ(host.Call(shell::PluginEntry, PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr),
              PF_Err_NONE);
    std::strcpy(host.OutData()->return_msg, "before");
    const A_long flags_before = host.OutData()->out_flags;
    host.InData()->inter.add_param = c.add_param;
    EXPECT_EQ(host.Call(shell::PluginEntry, PF_Cmd_PARAMS_SETUP, nullptr, nullptr, nullptr),
              c.code);
    EXPECT_STREQ(host.OutData()->return_msg, c.message);
    EXPECT_EQ(host.OutData()->out_flags, flags_before | c.flags);
  }
}

// That global set-up selects the point layout, and unknown commands leave it,
// is checked through the loaded module by the integration tests.

// ---- Render dispatch ----------------------------------------------------------

int g_ran = 0;
void Ran8(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 8; }
void Ran16(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 16; }

TEST(RenderDispatchDepth, OnlyTheDeepBitDecides) {
  const std::pair<PF_WorldFlags, int> cases[] = {
      {0, 8}, {PF_WorldFlag_WRITEABLE, 8}, {PF_WorldFlag_DEEP, 16}, {~PF_WorldFlag_DEEP, 8}};
  for (const auto& [flags, ran] : cases) {
    PF_InData in_data{};
    PF_OutData out_data{};
    PF_LayerDef output{};
    output.world_flags = flags;
    g_ran = 0;
    EXPECT_EQ(RenderDispatchWith({Ran8, Ran16}, &in_data, &out_data, nullptr, &output),
              PF_Err_NONE);
    EXPECT_EQ(g_ran, ran) << flags;
  }
}

const std::string kLong(254, 'm');
void (*g_throw)() = nullptr;
void Throw(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_throw(); }

// message null: return_msg left as it was.
struct ErrorCase {
  void (*raise)();
  PF_Err code;
  const char* message;
};

class ErrorTableTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTableTest, CodeAndMessage) {
  PF_InData in_data{};
  PF_OutData out_data{};
  std::strcpy(out_data.return_msg, "as it was");
  PF_LayerDef output{};
  g_throw = GetParam().raise;
  EXPECT_EQ(RenderDispatchWith({Throw, Throw}, &in_data, &out_data, nullptr, &output),
            GetParam().code);
  EXPECT_STREQ(out_data.return_msg, GetParam().message ? GetParam().message : "as it was");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ErrorTableTest,
    ::testing::Values(
        ErrorCase{[] { throw SuiteNotFound(); }, 13, "Suite not found"},
        ErrorCase{[] { throw AEException(1, "AEWorld not initialized"); }, 1,
                  "AEWorld not initialized"},
        ErrorCase{[] { throw AEException(PF_Interrupt_CANCEL, "UI Ping: Error or user Abort."); },
                  PF_Interrupt_CANCEL, nullptr},
        ErrorCase{[] { throw AEException(PF_Err_INTERNAL_STRUCT_DAMAGED, kLong.c_str()); },
                  PF_Err_INTERNAL_STRUCT_DAMAGED, kLong.c_str()},
        ErrorCase{[] { throw std::out_of_range("Index out of Range"); }, 1, "Array Index Error"},
        ErrorCase{[] { throw std::bad_alloc(); }, PF_Err_OUT_OF_MEMORY, "Out of Memory"},
        ErrorCase{[] { throw std::runtime_error("elsewhere"); }, 1, "Unknown Error"},
        ErrorCase{[] { throw 42; }, 1, "Unknown Error"}));
// ---- Resource script --------------------------------------------------------
// The committed script is what the generator writes today (the integration
// tests check the bytes it embeds against the loaded module).
TEST(ResourceScript, CommittedFileIsWhatTheGeneratorWrites) {
  const std::string path = std::string(LUSTRE_SOURCE_DIR) + "/shell/resources/LustreStrand.rc";
  std::ifstream in(path, std::ios::binary);
  std::ostringstream committed;
  committed << in.rdbuf();
  ASSERT_FALSE(committed.str().empty()) << path;
  std::vector<char> text(descriptor::WriteResourceScript(nullptr, 0) + 1);
  descriptor::WriteResourceScript(text.data(), text.size());
  EXPECT_EQ(committed.str(), std::string(text.data(), text.size() - 1))
      << "regenerate with: lustre-resource-script shell/resources/LustreStrand.rc";
}

}  // namespace
