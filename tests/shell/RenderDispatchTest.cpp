#include "shell/RenderDispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "Common/AEException.h"

namespace {

int g_ran = 0;
void Ran8(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 8; }
void Ran16(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 16; }

class DepthTest : public ::testing::TestWithParam<std::pair<PF_WorldFlags, int>> {};

TEST_P(DepthTest, OnlyTheDeepBitDecides) {
  PF_InData in_data{};
  PF_OutData out_data{};
  PF_LayerDef output{};
  output.world_flags = GetParam().first;
  g_ran = 0;
  EXPECT_EQ(RenderDispatchWith({Ran8, Ran16}, &in_data, &out_data, nullptr, &output), PF_Err_NONE);
  EXPECT_EQ(g_ran, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Flags, DepthTest,
                         ::testing::Values(std::pair{0, 8}, std::pair{PF_WorldFlag_WRITEABLE, 8},
                                           std::pair{PF_WorldFlag_DEEP, 16},
                                           std::pair{~PF_WorldFlag_DEEP, 8}));

int g_case = 0;
const std::string kLong(254, 'm');

[[noreturn]] void Throw(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
  switch (g_case) {
    case 0: throw SuiteNotFound();
    case 1: throw AEException(1, "AEWorld not initialized");
    case 2: throw AEException(PF_Interrupt_CANCEL, "UI Ping: Error or user Abort.");
    case 3: throw AEException(PF_Err_INTERNAL_STRUCT_DAMAGED, kLong.c_str());
    case 4: throw std::out_of_range("Index out of Range");
    case 5: throw std::bad_alloc();
    case 6: throw std::runtime_error("elsewhere");
    default: throw 42;
  }
}

struct ErrorCase {
  int what;
  PF_Err code;
  const char* message;  // null: return_msg left as it was
};

class ErrorTableTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTableTest, CodeAndMessage) {
  PF_InData in_data{};
  PF_OutData out_data{};
  std::strcpy(out_data.return_msg, "as it was");
  PF_LayerDef output{};
  g_case = GetParam().what;
  EXPECT_EQ(RenderDispatchWith({Throw, Throw}, &in_data, &out_data, nullptr, &output),
            GetParam().code);
  EXPECT_STREQ(out_data.return_msg, GetParam().message ? GetParam().message : "as it was");
}

INSTANTIATE_TEST_SUITE_P(Failures, ErrorTableTest,
                         ::testing::Values(ErrorCase{0, 13, "Suite not found"},
                                           ErrorCase{1, 1, "AEWorld not initialized"},
                                           ErrorCase{2, PF_Interrupt_CANCEL, nullptr},
                                           ErrorCase{3, PF_Err_INTERNAL_STRUCT_DAMAGED, kLong.c_str()},
                                           ErrorCase{4, 1, "Array Index Error"},
                                           ErrorCase{5, PF_Err_OUT_OF_MEMORY, "Out of Memory"},
                                           ErrorCase{6, 1, "Unknown Error"},
                                           ErrorCase{7, 1, "Unknown Error"}));

}  // namespace
