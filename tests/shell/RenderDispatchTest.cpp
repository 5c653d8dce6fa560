#include "shell/RenderDispatch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "Common/AEException.h"
#include "render/FrameHarness.h"

namespace {

// ---- Which pipeline runs -----------------------------------------------------------------

int g_ran = 0;  // 8 or 16
void Record8(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 8; }
void Record16(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) { g_ran = 16; }

struct FlagCase {
  PF_WorldFlags flags;
  int expected;
};

class DepthSelectionTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(DepthSelectionTest, OnlyTheDeepBitDecides) {
  PF_InData in_data{};
  PF_OutData out_data{};
  PF_LayerDef output{};
  output.world_flags = GetParam().flags;
  g_ran = 0;
  EXPECT_EQ(RenderDispatchWith({Record8, Record16}, &in_data, &out_data, nullptr, &output),
            PF_Err_NONE);
  EXPECT_EQ(g_ran, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorldFlags, DepthSelectionTest,
    ::testing::Values(FlagCase{0, 8}, FlagCase{PF_WorldFlag_WRITEABLE, 8},
                      FlagCase{PF_WorldFlag_DEEP, 16},
                      FlagCase{PF_WorldFlag_DEEP | PF_WorldFlag_WRITEABLE, 16},
                      FlagCase{~static_cast<PF_WorldFlags>(PF_WorldFlag_DEEP), 8},
                      FlagCase{static_cast<PF_WorldFlags>(0x7FFFFFFF), 16}));

// ---- The error table -----------------------------------------------------------------------

enum class Throw {
  kSuiteNotFound,
  kWorldNotInitialized,
  kUserAbort,
  kNoneCode,
  kLongMessage,
  kOutOfRange,
  kBadAlloc,
  kRuntimeError,
  kInt
};

Throw g_throw = Throw::kInt;

const std::string kLong(254, 'm');

[[noreturn]] void Thrower(PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*) {
  switch (g_throw) {
    case Throw::kSuiteNotFound:
      throw SuiteNotFound();
    case Throw::kWorldNotInitialized:
      throw AEException(1, "AEWorld not initialized");
    case Throw::kUserAbort:
      throw AEException(PF_Interrupt_CANCEL, "UI Ping: Error or user Abort.");
    case Throw::kNoneCode:
      throw AEException(PF_Err_NONE, "nothing to say");
    case Throw::kLongMessage:
      throw AEException(PF_Err_INTERNAL_STRUCT_DAMAGED, kLong.c_str());
    case Throw::kOutOfRange:
      throw std::out_of_range("Index out of Range");
    case Throw::kBadAlloc:
      throw std::bad_alloc();
    case Throw::kRuntimeError:
      throw std::runtime_error("something else");
    case Throw::kInt:
      throw 42;
  }
  throw 0;
}

struct ErrorCase {
  const char* name;
  Throw what;
  bool deep;
  PF_Err code;
  const char* message;  // null: return_msg untouched
};

class ErrorTableTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTableTest, CodeAndMessage) {
  const ErrorCase c = GetParam();
  PF_InData in_data{};
  PF_OutData out_data{};
  std::strcpy(out_data.return_msg, "left alone");
  PF_LayerDef output{};
  output.world_flags = c.deep ? PF_WorldFlag_DEEP : 0;
  g_throw = c.what;
  EXPECT_EQ(RenderDispatchWith({Thrower, Thrower}, &in_data, &out_data, nullptr, &output), c.code);
  EXPECT_STREQ(out_data.return_msg, c.message != nullptr ? c.message : "left alone");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ErrorTableTest,
    ::testing::Values(
        ErrorCase{"SuiteNotFound", Throw::kSuiteNotFound, false, 13, "Suite not found"},
        ErrorCase{"WorldNotInitialized", Throw::kWorldNotInitialized, true, 1,
                  "AEWorld not initialized"},
        ErrorCase{"UserAbort", Throw::kUserAbort, false, PF_Interrupt_CANCEL, nullptr},
        ErrorCase{"NoneCode", Throw::kNoneCode, true, PF_Err_NONE, nullptr},
        ErrorCase{"LongMessage", Throw::kLongMessage, false, PF_Err_INTERNAL_STRUCT_DAMAGED,
                  kLong.c_str()},
        ErrorCase{"OutOfRange", Throw::kOutOfRange, true, 1, "Array Index Error"},
        ErrorCase{"BadAlloc", Throw::kBadAlloc, false, PF_Err_OUT_OF_MEMORY, "Out of Memory"},
        ErrorCase{"RuntimeError", Throw::kRuntimeError, true, 1, "Unknown Error"},
        ErrorCase{"Int", Throw::kInt, false, 1, "Unknown Error"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Through the real pipeline --------------------------------------------------------------

TEST(RenderDispatchPipeline, DeepOutputRendersSixteenBitPixels) {
  harness::Frame frame(64, 48, true);
  harness::FillPixels<PF_Pixel16>(frame.Input(), PF_Pixel16{32768, 0, 0, 0});
  frame.ActivatePoint(1, 10, 24, 0, 24);
  frame.ActivatePoint(2, 54, 24, 44, 24);
  frame.Params().SetCheckbox(param::kShowPath, false);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  // On the centre line: the first dot's red at full opacity over opaque black,
  // in 16-bit units (an 8-bit render would leave the upper bytes of the
  // wide pixels meaningless).
  const PF_Pixel16 p = *PixelAt<PF_Pixel16>(*frame.Output(), 32, 24);
  EXPECT_EQ(p.alpha, 32768);
  EXPECT_GT(p.red, 30000);
  EXPECT_EQ(p.green, 0);
  EXPECT_EQ(p.blue, 0);
}

TEST(RenderDispatchPipeline, AbortFromTheHostReturns517AndLeavesTheMessage) {
  harness::Frame frame(64, 48, false);
  frame.ActivatePoint(1, 10, 24, 0, 24);
  frame.ActivatePoint(2, 54, 24, 44, 24);
  frame.Host().AbortAfterProgressCalls(3);
  std::strcpy(frame.OutData()->return_msg, "previous");
  EXPECT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Interrupt_CANCEL);
  EXPECT_STREQ(frame.OutData()->return_msg, "previous");
}

TEST(RenderDispatchPipeline, FailedTemporaryWorldIsReportedWithItsMessage) {
  harness::Frame frame(64, 48, false);
  frame.Params().SetPopup(param::kOutputView, param::kViewGradientVertical);
  frame.Host().FailNewWorldWith(PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_STREQ(frame.OutData()->return_msg, "Could not Allocate AEWorld");
}

}  // namespace
