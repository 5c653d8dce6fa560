// SuiteCache against the embedded host's basic suite: one acquire and one
// release per suite, SuiteNotFound for refused or null suites, and releases
// on the exception path.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Common/SuiteCache.h"
#include "host/embedded/EmbeddedHost.h"

namespace {

using embedded::SuiteAnswer;

struct Accessor {
  const char* suite;
  std::function<const void*(SuiteCache&)> get;
};

const Accessor kAccessors[] = {
    {"AEGP File Import Manager Suite",
     [](SuiteCache& c) -> const void* { return c.FileImportManagerSuite(); }},
    {"PF Param Utils Suite", [](SuiteCache& c) -> const void* { return c.ParamUtilsSuite(); }},
    {"PF Path Query Suite", [](SuiteCache& c) -> const void* { return c.PathQuerySuite(); }},
    {"PF Path Data Suite", [](SuiteCache& c) -> const void* { return c.PathDataSuite(); }},
};

class SuiteCacheTest : public ::testing::TestWithParam<Accessor> {
 protected:
  SuiteCacheTest() {
    // The path suites are served by their own host file; plain tables stand
    // in for them here.
    host_.RegisterSuite("PF Path Query Suite", 1, &path_query_);
    host_.RegisterSuite("PF Path Data Suite", 1, &path_data_);
  }
  embedded::EmbeddedHost host_;
  PF_PathQuerySuite1 path_query_{};
  PF_PathDataSuite1 path_data_{};
};

TEST_P(SuiteCacheTest, AcquiresOnceAndReleasesOnce) {
  const Accessor& a = GetParam();
  {
    SuiteCache cache(host_.InData()->pica_basicP);
    const void* first = a.get(cache);
    const void* second = a.get(cache);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(host_.AcquireAttempts(a.suite), 1);
    EXPECT_EQ(host_.ReleaseCount(a.suite), 0);
  }
  EXPECT_EQ(host_.ReleaseCount(a.suite), 1);
}

TEST_P(SuiteCacheTest, RefusedOrNullSuiteThrowsSuiteNotFoundAndIsNotReleased) {
  const Accessor& a = GetParam();
  for (SuiteAnswer answer : {SuiteAnswer::kRefuse, SuiteAnswer::kNull}) {
    embedded::EmbeddedHost host;
    host.SetSuiteAnswer(a.suite, answer);
    {
      SuiteCache cache(host.InData()->pica_basicP);
      try {
        a.get(cache);
        ADD_FAILURE() << "no exception for " << a.suite;
      } catch (const AEException& e) {
        EXPECT_EQ(e.Code(), 13);
        EXPECT_STREQ(e.Message(), "Suite not found");
        EXPECT_NE(dynamic_cast<const SuiteNotFound*>(&e), nullptr);
      }
      // The slot stayed empty: the host is asked again next time.
      EXPECT_THROW(a.get(cache), SuiteNotFound);
      EXPECT_EQ(host.AcquireAttempts(a.suite), 2);
    }
    EXPECT_EQ(host.ReleaseCount(a.suite), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Suites, SuiteCacheTest, ::testing::ValuesIn(kAccessors),
                         [](const auto& info) {
                           std::string name = info.param.suite;
                           std::erase(name, ' ');
                           return name;
                         });

TEST(SuiteCacheConstructionTest, NullBasicSuiteThrowsSuiteNotFound) {
  EXPECT_THROW(SuiteCache cache(nullptr), SuiteNotFound);
}

TEST(SuiteCacheUnwindTest, ReleasesWhatItHadWhenALaterSuiteFails) {
  embedded::EmbeddedHost host;
  host.SetSuiteAnswer("AEGP File Import Manager Suite", SuiteAnswer::kRefuse);
  try {
    SuiteCache cache(host.InData()->pica_basicP);
    cache.ParamUtilsSuite();
    cache.FileImportManagerSuite();
    ADD_FAILURE() << "no exception";
  } catch (const SuiteNotFound&) {
  }
  EXPECT_EQ(host.ReleaseCount("PF Param Utils Suite"), 1);
  EXPECT_EQ(host.ReleaseCount("AEGP File Import Manager Suite"), 0);
}

}  // namespace
