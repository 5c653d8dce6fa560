// SuiteCache against the embedded host's basic suite: one acquire and one
// release per suite, SuiteNotFound for refused or null suites, and releases
// on the exception path.
#include <gtest/gtest.h>

#include <string>

#include "Common/SuiteCache.h"
#include "CommonTestSupport.h"

namespace {

using embedded::SuiteAnswer;

struct Accessor {
  const char* suite;
  const void* (*get)(SuiteCache&);
};

const Accessor kAccessors[] = {
    {"AEGP File Import Manager Suite",
     [](SuiteCache& c) -> const void* { return c.FileImportManagerSuite(); }},
    {"PF Param Utils Suite", [](SuiteCache& c) -> const void* { return c.ParamUtilsSuite(); }},
    {"PF Path Query Suite", [](SuiteCache& c) -> const void* { return c.PathQuerySuite(); }},
    {"PF Path Data Suite", [](SuiteCache& c) -> const void* { return c.PathDataSuite(); }},
};

TEST(SuiteCacheTest, AcquiresAnOfferedSuiteOnceAndReleasesItOnceButNeverARefusedOrNullOne) {
  // The path suites are served by their own host file; plain tables stand in here.
  PF_PathQuerySuite1 path_query{};
  PF_PathDataSuite1 path_data{};
  for (const Accessor& a : kAccessors) {
    for (SuiteAnswer answer : {SuiteAnswer::kOffer, SuiteAnswer::kRefuse, SuiteAnswer::kNull}) {
      SCOPED_TRACE(testing::Message() << a.suite << ", answer " << static_cast<int>(answer));
      embedded::EmbeddedHost host;
      host.RegisterSuite("PF Path Query Suite", 1, &path_query);
      host.RegisterSuite("PF Path Data Suite", 1, &path_data);
      host.SetSuiteAnswer(a.suite, answer);
      const bool offered = answer == SuiteAnswer::kOffer;
      {
        SuiteCache cache(host.InData()->pica_basicP);
        if (offered) {
          const void* first = a.get(cache);
          EXPECT_NE(first, nullptr);
          EXPECT_EQ(a.get(cache), first);
        } else {
          ctest::ExpectAEError([&] { a.get(cache); }, 13, "Suite not found");
          // The slot stayed empty: the host is asked again next time.
          EXPECT_THROW(a.get(cache), SuiteNotFound);
        }
        EXPECT_EQ(host.AcquireAttempts(a.suite), offered ? 1 : 2);
        EXPECT_EQ(host.ReleaseCount(a.suite), 0);
      }
      EXPECT_EQ(host.ReleaseCount(a.suite), offered ? 1 : 0);
    }
  }
}

TEST(SuiteCacheTest, NullBasicSuiteThrowsAndALaterFailureReleasesWhatWasHeld) {
  EXPECT_THROW(SuiteCache cache(nullptr), SuiteNotFound);
  embedded::EmbeddedHost host;
  host.SetSuiteAnswer("AEGP File Import Manager Suite", SuiteAnswer::kRefuse);
  try {
    SuiteCache cache(host.InData()->pica_basicP);
    cache.ParamUtilsSuite();
    cache.FileImportManagerSuite();
    ADD_FAILURE() << "no exception";
  } catch (const SuiteNotFound&) {}
  EXPECT_EQ(host.ReleaseCount("PF Param Utils Suite"), 1);
  EXPECT_EQ(host.ReleaseCount("AEGP File Import Manager Suite"), 0);
}

}  // namespace
