// The embedded host's worlds, add_param, suites, PF_UpdateParamUI and the
// abort/progress callbacks, as an effect reaches them through in_data.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "host/embedded/EmbeddedHost.h"

namespace {

using embedded::EmbeddedHost;
using embedded::SuiteAnswer;

// ---- Worlds -------------------------------------------------------------------

struct WorldCase {
  A_long width;
  A_long height;
  bool deep;
};

class WorldLayoutTest : public ::testing::TestWithParam<WorldCase> {};

void ExpectLayout(const PF_EffectWorld& w, const WorldCase& c) {
  const A_long pixel = c.deep ? 8 : 4;
  EXPECT_EQ(w.width, c.width);
  EXPECT_EQ(w.height, c.height);
  EXPECT_GE(w.rowbytes, c.width * pixel);
  EXPECT_EQ(w.rowbytes % 16, 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(w.data) % 16, 0u);
  EXPECT_EQ((w.world_flags & PF_WorldFlag_DEEP) != 0, c.deep);
  EXPECT_EQ(w.extent_hint.left, 0);
  EXPECT_EQ(w.extent_hint.top, 0);
  EXPECT_EQ(w.extent_hint.right, c.width);
  EXPECT_EQ(w.extent_hint.bottom, c.height);
}

TEST_P(WorldLayoutTest, CreateWorldRowsAlignedAndFlagsByRole) {
  const WorldCase& c = GetParam();
  EmbeddedHost host;
  PF_EffectWorld* layer = host.CreateWorld(c.width, c.height, c.deep, false);
  PF_EffectWorld* output = host.CreateWorld(c.width, c.height, c.deep, true);
  ExpectLayout(*layer, c);
  ExpectLayout(*output, c);
  EXPECT_EQ(layer->world_flags & PF_WorldFlag_WRITEABLE, 0);
  EXPECT_NE(output->world_flags & PF_WorldFlag_WRITEABLE, 0);
  // Every byte of the last row is addressable.
  std::memset(static_cast<char*>(output->data) + output->rowbytes * (c.height - 1), 0,
              static_cast<size_t>(c.width * (c.deep ? 8 : 4)));
  EXPECT_EQ(host.LiveWorlds(), 0);  // host-owned worlds are not the effect's
}

TEST_P(WorldLayoutTest, NewWorldIsWriteableAndDisposable) {
  const WorldCase& c = GetParam();
  EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_EffectWorld w{};
  ASSERT_EQ(u->new_world(host.InData()->effect_ref, c.width, c.height,
                         c.deep ? PF_NewWorldFlag_DEEP_PIXELS : PF_NewWorldFlag_NONE, &w),
            PF_Err_NONE);
  ExpectLayout(w, c);
  EXPECT_NE(w.world_flags & PF_WorldFlag_WRITEABLE, 0);
  EXPECT_EQ(host.LiveWorlds(), 1);
  EXPECT_EQ(u->dispose_world(host.InData()->effect_ref, &w), PF_Err_NONE);
  EXPECT_EQ(host.LiveWorlds(), 0);
  // A second dispose of the same world is refused.
  PF_EffectWorld again = w;
  EXPECT_NE(u->dispose_world(host.InData()->effect_ref, &again), PF_Err_NONE);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorldLayoutTest,
                         ::testing::Values(WorldCase{1, 1, false}, WorldCase{1, 1, true},
                                           WorldCase{3, 5, false}, WorldCase{5, 3, true},
                                           WorldCase{17, 2, false}, WorldCase{1920, 4, true},
                                           WorldCase{30000, 1, false}));

struct BadSize {
  A_long width;
  A_long height;
};

class WorldSizeLimitTest : public ::testing::TestWithParam<BadSize> {};

TEST_P(WorldSizeLimitTest, RefusedByCreateWorldAndNewWorld) {
  const BadSize& s = GetParam();
  EmbeddedHost host;
  try {
    host.CreateWorld(s.width, s.height, false, true);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    if (s.width > 0 && s.height > 0) {
      EXPECT_NE(std::string(e.what()).find("30000"), std::string::npos) << e.what();
    }
  }
  PF_EffectWorld w{};
  EXPECT_EQ(host.InData()->utils->new_world(host.InData()->effect_ref, s.width, s.height, 0, &w),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(host.LiveWorlds(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorldSizeLimitTest,
                         ::testing::Values(BadSize{30001, 1}, BadSize{1, 30001},
                                           BadSize{100000, 100000}, BadSize{0, 5},
                                           BadSize{5, -1}));

TEST(NewWorldFaultTest, FailWithRefusesEveryCallUntilCleared) {
  EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_ProgPtr ref = host.InData()->effect_ref;
  PF_EffectWorld w{};
  host.FailNewWorldWith(PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(u->new_world(ref, 4, 4, 0, &w), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(u->new_world(ref, 4, 4, 0, &w), PF_Err_OUT_OF_MEMORY);
  host.FailNewWorldWith(PF_Err_NONE);
  ASSERT_EQ(u->new_world(ref, 4, 4, 0, &w), PF_Err_NONE);
  EXPECT_EQ(u->dispose_world(ref, &w), PF_Err_NONE);
}

TEST(NewWorldFaultTest, FailAtRefusesOnlyTheNthCall) {
  EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_ProgPtr ref = host.InData()->effect_ref;
  host.FailNewWorldAt(2, 99);
  PF_EffectWorld a{}, b{}, c{};
  EXPECT_EQ(u->new_world(ref, 4, 4, 0, &a), PF_Err_NONE);
  EXPECT_EQ(u->new_world(ref, 4, 4, 0, &b), 99);
  EXPECT_EQ(u->new_world(ref, 4, 4, 0, &c), PF_Err_NONE);
  EXPECT_EQ(host.LiveWorlds(), 2);
  u->dispose_world(ref, &a);
  u->dispose_world(ref, &c);
  EXPECT_EQ(host.LiveWorlds(), 0);
}

// ---- add_param -----------------------------------------------------------------

PF_ParamDef Popup(A_long id, const char* choices) {
  PF_ParamDef def;
  std::memset(&def, 0, sizeof def);
  def.param_type = PF_Param_POPUP;
  def.uu.id = id;
  def.u.pd.num_choices = 2;
  def.u.pd.dephault = 1;
  def.u.pd.u.namesptr = choices;
  return def;
}

TEST(AddParamTest, KeepsACopyOfEachDefinitionAndItsTextPointers) {
  EmbeddedHost host;
  static const char kChoices[] = "One|Two";
  for (A_long id = 1; id <= 3; ++id) {
    PF_ParamDef def = Popup(id, kChoices);
    ASSERT_EQ(host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def), PF_Err_NONE);
    def.uu.id = 999;  // the effect's own copy may change afterwards
  }
  ASSERT_EQ(host.RegisteredParams().size(), 3u);
  for (A_long id = 1; id <= 3; ++id) {
    EXPECT_EQ(host.RegisteredParams()[static_cast<size_t>(id - 1)].uu.id, id);
    EXPECT_EQ(host.RegisteredParams()[static_cast<size_t>(id - 1)].u.pd.u.namesptr, kChoices);
  }
  host.ClearRegisteredParams();
  EXPECT_TRUE(host.RegisteredParams().empty());
}

class AddParamFaultTest : public ::testing::TestWithParam<int> {};

TEST_P(AddParamFaultTest, FailsTheNthCallFromNowWithItsCode) {
  EmbeddedHost host;
  PF_ParamDef def = Popup(1, "A|B");
  host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def);  // before arming
  const int nth = GetParam();
  host.FailAddParamAt(nth, 4242);
  for (int i = 1; i <= 6; ++i) {
    const PF_Err err = host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def);
    EXPECT_EQ(err, i == nth ? 4242 : PF_Err_NONE) << "call " << i;
  }
  EXPECT_EQ(host.RegisteredParams().size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Nth, AddParamFaultTest, ::testing::Values(1, 3, 6));

// ---- Suites --------------------------------------------------------------------

struct AnswerCase {
  SuiteAnswer answer;
  bool error;
  bool table;
};

class SuiteAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(SuiteAnswerTest, BasicSuiteAnswersAsTold) {
  const AnswerCase& c = GetParam();
  EmbeddedHost host;
  static const int kTable = 7;
  host.RegisterSuite("Test Suite", 3, &kTable);
  host.SetSuiteAnswer("Test Suite", c.answer);
  SPBasicSuite* basic = host.InData()->pica_basicP;
  const void* suite = &host;  // must be overwritten
  const SPErr err = basic->AcquireSuite("Test Suite", 3, &suite);
  EXPECT_EQ(err != kSPNoError, c.error);
  EXPECT_EQ(suite, c.table ? static_cast<const void*>(&kTable) : nullptr);
  EXPECT_EQ(host.AcquireAttempts("Test Suite"), 1);
  EXPECT_EQ(host.AcquireCount("Test Suite"), c.table ? 1 : 0);
  basic->ReleaseSuite("Test Suite", 3);
  EXPECT_EQ(host.ReleaseCount("Test Suite"), 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, SuiteAnswerTest,
                         ::testing::Values(AnswerCase{SuiteAnswer::kOffer, false, true},
                                           AnswerCase{SuiteAnswer::kRefuse, true, false},
                                           AnswerCase{SuiteAnswer::kNull, false, false}));

struct BuiltInCase {
  const char* name;
  int32_t version;
  bool offered;
};

class BuiltInSuiteTest : public ::testing::TestWithParam<BuiltInCase> {};

TEST_P(BuiltInSuiteTest, OfferedOnlyAtItsVersion) {
  const BuiltInCase& c = GetParam();
  EmbeddedHost host;
  const void* suite = nullptr;
  const SPErr err = host.InData()->pica_basicP->AcquireSuite(c.name, c.version, &suite);
  EXPECT_EQ(err == kSPNoError && suite != nullptr, c.offered);
}

INSTANTIATE_TEST_SUITE_P(Suites, BuiltInSuiteTest,
                         ::testing::Values(BuiltInCase{"PF Param Utils Suite", 1, true},
                                           BuiltInCase{"PF Param Utils Suite", 2, false},
                                           BuiltInCase{"AEGP File Import Manager Suite", 2, true},
                                           BuiltInCase{"AEGP File Import Manager Suite", 1, false},
                                           BuiltInCase{"No Such Suite", 1, false}));

TEST(BasicSuiteTest, ContextFreeCallsReachTheCurrentHost) {
  EmbeddedHost first;
  EmbeddedHost second;  // current since constructed
  const void* suite = nullptr;
  first.InData()->pica_basicP->AcquireSuite("PF Param Utils Suite", 1, &suite);
  EXPECT_EQ(second.AcquireAttempts("PF Param Utils Suite"), 1);
  EXPECT_EQ(first.AcquireAttempts("PF Param Utils Suite"), 0);
  first.MakeCurrent();
  first.InData()->pica_basicP->AcquireSuite("PF Param Utils Suite", 1, &suite);
  EXPECT_EQ(first.AcquireAttempts("PF Param Utils Suite"), 1);
  // Another thread has no current host until one is made current there.
  std::thread([] { EXPECT_EQ(EmbeddedHost::Current(), nullptr); }).join();
}

TEST(UpdateParamUITest, RecordsEveryCallAndFailsTheNth) {
  EmbeddedHost host;
  const void* table = nullptr;
  ASSERT_EQ(host.InData()->pica_basicP->AcquireSuite("PF Param Utils Suite", 1, &table), 0);
  auto* suite = static_cast<const PF_ParamUtilsSuite1*>(table);
  PF_ParamDef def = Popup(5, "A|B");
  host.FailUpdateParamUIAt(2, 321);
  def.ui_flags = PF_PUI_DISABLED;
  EXPECT_EQ(suite->PF_UpdateParamUI(host.InData()->effect_ref, 84, &def), PF_Err_NONE);
  def.ui_flags = 0;
  EXPECT_EQ(suite->PF_UpdateParamUI(host.InData()->effect_ref, 85, &def), 321);
  EXPECT_EQ(suite->PF_UpdateParamUI(host.InData()->effect_ref, 86, &def), PF_Err_NONE);
  ASSERT_EQ(host.UpdateParamUICalls().size(), 3u);
  EXPECT_EQ(host.UpdateParamUICalls()[0].index, 84);
  EXPECT_EQ(host.UpdateParamUICalls()[0].def.ui_flags, PF_PUI_DISABLED);
  EXPECT_EQ(host.UpdateParamUICalls()[1].index, 85);
  EXPECT_EQ(host.UpdateParamUICalls()[1].def.ui_flags, 0);
  EXPECT_EQ(host.UpdateParamUICalls()[2].def.uu.id, 5);
}

// ---- Abort and progress ------------------------------------------------------------

class AbortAfterTest : public ::testing::TestWithParam<long> {};

TEST_P(AbortAfterTest, CallsAfterTheLimitReturnTheCode) {
  const long n = GetParam();
  EmbeddedHost host;
  host.AbortAfterProgressCalls(n, PF_Interrupt_CANCEL);
  PF_InData* in = host.InData();
  // One column at a time: abort, then progress.
  for (long column = 0; column < 6; ++column) {
    const bool stopped = column >= n;
    EXPECT_EQ(in->inter.abort(in->effect_ref), stopped ? PF_Interrupt_CANCEL : PF_Err_NONE)
        << "column " << column;
    EXPECT_EQ(in->inter.progress(in->effect_ref, column, 6),
              stopped ? PF_Interrupt_CANCEL : PF_Err_NONE)
        << "column " << column;
  }
  EXPECT_EQ(host.ProgressCalls(), 6);
  EXPECT_EQ(host.AbortCalls(), 6);
}

INSTANTIATE_TEST_SUITE_P(Limits, AbortAfterTest, ::testing::Values(0L, 1L, 4L));

TEST(ProgressHandlerTest, HandlersSeeTheCallsAndDecideTheAnswer) {
  EmbeddedHost host;
  PF_InData* in = host.InData();
  A_long last_current = -1, last_total = -1;
  host.SetProgressHandler([&](A_long current, A_long total) {
    last_current = current;
    last_total = total;
    return current >= 3 ? PF_Interrupt_CANCEL : PF_Err_NONE;
  });
  int aborts = 0;
  host.SetAbortHandler([&] { return ++aborts >= 2 ? PF_Interrupt_CANCEL : PF_Err_NONE; });
  EXPECT_EQ(in->inter.progress(in->effect_ref, 2, 10), PF_Err_NONE);
  EXPECT_EQ(last_current, 2);
  EXPECT_EQ(last_total, 10);
  EXPECT_EQ(in->inter.progress(in->effect_ref, 3, 10), PF_Interrupt_CANCEL);
  EXPECT_EQ(in->inter.abort(in->effect_ref), PF_Err_NONE);
  EXPECT_EQ(in->inter.abort(in->effect_ref), PF_Interrupt_CANCEL);
  EXPECT_EQ(host.ProgressCalls(), 2);
}

// ---- Call -----------------------------------------------------------------------

TEST(CallTest, PassesTheHostRecordsAndMakesTheHostCurrent) {
  EmbeddedHost host;
  EmbeddedHost other;  // constructed last, so current until Call switches
  static EmbeddedHost* seen_current = nullptr;
  static PF_InData* seen_in = nullptr;
  auto entry = [](PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef**, PF_LayerDef*,
                  void*) -> PF_Err {
    seen_current = EmbeddedHost::Current();
    seen_in = in;
    out->num_params = cmd;
    return 17;
  };
  EXPECT_EQ(host.Call(entry, PF_Cmd_PARAMS_SETUP, nullptr, nullptr, nullptr), 17);
  EXPECT_EQ(seen_current, &host);
  EXPECT_EQ(seen_in, host.InData());
  EXPECT_EQ(host.OutData()->num_params, PF_Cmd_PARAMS_SETUP);
  EXPECT_EQ(EmbeddedHost::FromEffectRef(host.InData()->effect_ref), &host);
}

}  // namespace
