// The embedded host's worlds, add_param and built-in suites, as an effect
// reaches them through in_data.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HostThreads.h"

namespace {

using embedded::EmbeddedHost;
using embedded::SuiteAnswer;

// ---- Worlds -------------------------------------------------------------------

// clang-format off
struct WorldCase { A_long width, height; bool deep; };
// clang-format on

class WorldLayoutTest : public ::testing::TestWithParam<WorldCase> {};

// Rows 16-byte aligned and long enough, depth flag, extent hint the whole
// world; the layer is read-only and the output and new_world's writeable.
TEST_P(WorldLayoutTest, RowsAlignedAndFlagsByRole) {
  const WorldCase& c = GetParam();
  EmbeddedHost host;
  PF_UtilCallbacks* u = host.InData()->utils;
  PF_EffectWorld fresh{};
  ASSERT_EQ(u->new_world(host.InData()->effect_ref, c.width, c.height,
                         c.deep ? PF_NewWorldFlag_DEEP_PIXELS : PF_NewWorldFlag_NONE, &fresh),
            PF_Err_NONE);
  EXPECT_EQ(host.LiveWorlds(), 1);
  PF_EffectWorld* layer = host.CreateWorld(c.width, c.height, c.deep, false);
  PF_EffectWorld* output = host.CreateWorld(c.width, c.height, c.deep, true);
  for (const PF_EffectWorld* w : {layer, output, &fresh}) {
    EXPECT_EQ(w->width, c.width);
    EXPECT_EQ(w->height, c.height);
    EXPECT_GE(w->rowbytes, c.width * (c.deep ? 8 : 4));
    EXPECT_EQ(w->rowbytes % 16, 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(w->data) % 16, 0u);
    EXPECT_EQ((w->world_flags & PF_WorldFlag_DEEP) != 0, c.deep);
    EXPECT_EQ((w->world_flags & PF_WorldFlag_WRITEABLE) != 0, w != layer);
    const PF_Rect& e = w->extent_hint;
    EXPECT_TRUE(e.left == 0 && e.top == 0 && e.right == c.width && e.bottom == c.height);
    // Every byte of the last row is addressable.
    std::memset(static_cast<char*>(w->data) + w->rowbytes * (c.height - 1), 0,
                static_cast<size_t>(c.width * (c.deep ? 8 : 4)));
  }
  EXPECT_EQ(host.LiveWorlds(), 1);  // host-owned worlds are not the effect's
  EXPECT_EQ(u->dispose_world(host.InData()->effect_ref, &fresh), PF_Err_NONE);
  EXPECT_EQ(host.LiveWorlds(), 0);
  // A second dispose of the same world is refused.
  PF_EffectWorld again = fresh;
  EXPECT_NE(u->dispose_world(host.InData()->effect_ref, &again), PF_Err_NONE);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorldLayoutTest,
                         ::testing::Values(WorldCase{1, 1, false}, WorldCase{1, 1, true},
                                           WorldCase{3, 5, false}, WorldCase{5, 3, true},
                                           WorldCase{17, 2, false}, WorldCase{1920, 4, true},
                                           WorldCase{30000, 1, false}));

class WorldSizeLimitTest : public ::testing::TestWithParam<std::pair<A_long, A_long>> {};

// Refused by CreateWorld (naming the 30000 limit when the size is positive)
// and by new_world.
TEST_P(WorldSizeLimitTest, RefusedByCreateWorldAndNewWorld) {
  const auto [width, height] = GetParam();
  EmbeddedHost host;
  try {
    host.CreateWorld(width, height, false, true);
    ADD_FAILURE() << "no exception";
  } catch (const std::invalid_argument& e) {
    if (width > 0 && height > 0) {
      EXPECT_NE(std::string(e.what()).find("30000"), std::string::npos) << e.what();
    }
  }
  PF_EffectWorld w{};
  EXPECT_EQ(host.InData()->utils->new_world(host.InData()->effect_ref, width, height, 0, &w),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(host.LiveWorlds(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorldSizeLimitTest,
                         ::testing::Values(std::pair{30001, 1}, std::pair{1, 30001},
                                           std::pair{100000, 100000}, std::pair{0, 5},
                                           std::pair{5, -1}));

// FailNewWorldWith (every new_world refused) is exercised by the effect's
// world tests.

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

// The host keeps a copy of each definition (with its text pointers); a fault
// armed after one call fails exactly the Nth call from then with its code.
TEST(AddParamTest, KeepsACopyOfEachDefinitionAndFailsTheNthCallFromNow) {
  static const char kChoices[] = "One|Two";
  for (int nth : {1, 3, 6}) {
    SCOPED_TRACE(nth);
    EmbeddedHost host;
    PF_ParamDef def = Popup(1, kChoices);
    ASSERT_EQ(host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def), PF_Err_NONE);
    host.Faults().FailAddParamAt(nth, 4242);
    for (int i = 1; i <= 6; ++i) {
      def.uu.id = i + 1;
      EXPECT_EQ(host.InData()->inter.add_param(host.InData()->effect_ref, -1, &def),
                i == nth ? 4242 : PF_Err_NONE)
          << i;
      def.uu.id = 999;  // the effect's own copy may change afterwards
    }
    // The refused call registers nothing.
    std::vector<A_long> ids;
    for (const PF_ParamDef& kept : host.RegisteredParams()) {
      ids.push_back(kept.uu.id);
      EXPECT_EQ(kept.u.pd.u.namesptr, kChoices);
    }
    std::vector<A_long> want{1};
    for (int i = 1; i <= 6; ++i) {
      if (i != nth) want.push_back(i + 1);
    }
    EXPECT_EQ(ids, want);
    host.ClearRegisteredParams();
    EXPECT_TRUE(host.RegisteredParams().empty());
  }
}

// ---- Suites --------------------------------------------------------------------

// How the basic suite answers when told to offer, refuse or give a null
// suite, with its attempt, acquire and release counts, is what the suite
// cache and host probe tests rely on and check through those counts.
TEST(BuiltInSuiteTest, OfferedOnlyAtItsVersion) {
  // clang-format off
  const struct { const char* name; int32_t version; bool offered; } cases[] = {
      {"PF Param Utils Suite", 1, true},
      {"PF Param Utils Suite", 2, false},
      {"AEGP File Import Manager Suite", 2, true},
      {"AEGP File Import Manager Suite", 1, false},
      {"PF Iterate Generic Suite", 1, true},
      {"PF Iterate Generic Suite", 2, false},
      {"No Such Suite", 1, false}};
  // clang-format on
  for (const auto& c : cases) {
    EmbeddedHost host;
    const void* suite = nullptr;
    const SPErr err = host.InData()->pica_basicP->AcquireSuite(c.name, c.version, &suite);
    EXPECT_EQ(err == kSPNoError && suite != nullptr, c.offered) << c.name << " " << c.version;
  }
}

// iterate_generic: every index exactly once, whatever the thread count; thread
// index 0 on the calling thread only; the host current on every thread that
// runs a call (handle and suite callbacks find it there); the error of the
// lowest failing index. Index 0 waits (a bounded time) until another thread
// has made a call, so that worker threads take part however fast the calls are.
TEST(IterateGenericSuiteTest, CallsEveryIndexOnceWithTheHostCurrentAndReturnsTheFirstError) {
  struct Record {
    const EmbeddedHost* host;
    std::thread::id caller;
    bool wait_for_another_thread;
    std::mutex mutex;
    std::condition_variable another_thread_called;
    std::vector<int> calls;
    std::vector<std::pair<std::thread::id, A_long>> indexes;
    int wrong_host = 0, index_zero_elsewhere = 0;
  };
  const PF_IterateGenericFunc fn = [](void* refcon, A_long thread_index, A_long i,
                                      A_long) -> PF_Err {
    auto* r = static_cast<Record*>(refcon);
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(r->mutex);
    r->calls.push_back(i);
    r->indexes.emplace_back(self, thread_index);
    r->wrong_host += EmbeddedHost::Current() != r->host;
    r->index_zero_elsewhere += (thread_index == 0) != (self == r->caller);
    r->another_thread_called.notify_all();
    if (i == 0 && r->wait_for_another_thread) {
      r->another_thread_called.wait_for(lock, std::chrono::seconds(10), [&] {
        return std::any_of(r->indexes.begin(), r->indexes.end(),
                           [&](const auto& e) { return e.first != self; });
      });
    }
    return i % 10 == 7 ? PF_Err(100 + i) : PF_Err_NONE;
  };
  for (const int threads : {1, 2, 5}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    embedded::SetHostThreadCount(threads);
    EmbeddedHost host;
    const void* table = nullptr;
    ASSERT_EQ(host.InData()->pica_basicP->AcquireSuite("PF Iterate Generic Suite", 1, &table),
              kSPNoError);
    const auto* suite = static_cast<const PF_IterateGenericSuite1*>(table);
    for (const A_long n : {0, 1, 6, 40}) {
      Record r{&host, std::this_thread::get_id(), threads > 1 && n > 1, {}, {}, {}, {}, 0, 0};
      EXPECT_EQ(suite->iterate_generic(n, &r, fn), n > 7 ? PF_Err(107) : PF_Err_NONE) << n;
      std::sort(r.calls.begin(), r.calls.end());
      std::vector<int> every(static_cast<size_t>(n));
      std::iota(every.begin(), every.end(), 0);
      EXPECT_EQ(r.calls, every) << n;
      EXPECT_EQ(r.wrong_host, 0) << n;
      EXPECT_EQ(r.index_zero_elsewhere, 0) << n;
      // Each thread keeps one index, no two threads share one, and every
      // index is below the number of threads.
      std::sort(r.indexes.begin(), r.indexes.end());
      r.indexes.erase(std::unique(r.indexes.begin(), r.indexes.end()), r.indexes.end());
      std::vector<A_long> seen;
      for (size_t k = 0; k < r.indexes.size(); ++k) {
        EXPECT_TRUE(k == 0 || r.indexes[k].first != r.indexes[k - 1].first) << n;
        EXPECT_LT(r.indexes[k].second, threads) << n;
        seen.push_back(r.indexes[k].second);
      }
      std::sort(seen.begin(), seen.end());
      EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << n;
      EXPECT_EQ(seen.size() > 1, r.wait_for_another_thread) << n;
    }
  }
  embedded::SetHostThreadCount(0);
}

// Refusals of the basic suite and the utility callbacks: names compared only
// when both are given, a suite asked for with no host current is null, and
// downsample factors and world disposal are checked field by field.
TEST(HostCallbackRefusals, EachBadArgumentAloneIsRefused) {
  EmbeddedHost host;
  const SPBasicSuite* basic = host.InData()->pica_basicP;
  EXPECT_TRUE(basic->IsEqual("a", "a"));
  EXPECT_FALSE(basic->IsEqual("a", "b"));
  EXPECT_FALSE(basic->IsEqual(nullptr, "a"));
  EXPECT_FALSE(basic->IsEqual("a", nullptr));

  const PF_RationalScale one{1, 1}, zero_den{1, 0}, zero_num{0, 1}, negative{-1, 2};
  for (const auto& [x, y] :
       {std::pair{zero_den, one}, std::pair{one, zero_den}, std::pair{zero_num, one},
        std::pair{one, zero_num}, std::pair{negative, one}, std::pair{one, negative}}) {
    EXPECT_THROW(host.SetDownsample(x, y), std::invalid_argument)
        << x.num << "/" << x.den << " " << y.num << "/" << y.den;
  }
  EXPECT_NO_THROW(host.SetDownsample({1, 2}, {1, 3}));

  PF_UtilCallbacks* u = host.InData()->utils;
  EXPECT_EQ(u->dispose_world(host.InData()->effect_ref, nullptr), PF_Err_BAD_CALLBACK_PARAM);
  PF_EffectWorld* layer = host.CreateWorld(4, 4, false, false);
  EXPECT_EQ(u->dispose_world(host.InData()->effect_ref, layer), PF_Err_BAD_CALLBACK_PARAM);

  EXPECT_EQ(host.InData()->inter.add_param(host.InData()->effect_ref, 0, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);

  // A new thread has no host current.
  const void* suite = &host;
  SPErr with_out = kSPNoError, without_out = kSPNoError;
  std::thread([&] {
    with_out = basic->AcquireSuite("PF Iterate Generic Suite", 1, &suite);
    without_out = basic->AcquireSuite("PF Iterate Generic Suite", 1, nullptr);
  }).join();
  EXPECT_NE(with_out, kSPNoError);
  EXPECT_EQ(suite, nullptr);
  EXPECT_NE(without_out, kSPNoError);
}

// A host that goes away stops being current on its thread, and leaves another
// host current as it was.
TEST(CurrentHost, ClearedOnlyByTheHostThatIsCurrent) {
  EmbeddedHost first;
  {
    EmbeddedHost second;
    EXPECT_EQ(EmbeddedHost::Current(), &second);
    first.MakeCurrent();
  }
  EXPECT_EQ(EmbeddedHost::Current(), &first);
  { EmbeddedHost third; }
  EXPECT_EQ(EmbeddedHost::Current(), nullptr);
}

// The abort and progress callbacks (a limit after N progress calls, handlers
// that see the calls) and Call are exercised with their exact counts by the
// render and module tests: the columns drawn before an abort, the codes it
// returns, and every command a module is sent.

}  // namespace
