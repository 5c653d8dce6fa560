// AEWorld over the embedded host: allocation, wrapping, release, and the
// tabled errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"

namespace {

struct SizeErrorCase {
  A_long width;
  A_long height;
  const char* message;
};

class AEWorldSizeErrorTest : public ::testing::TestWithParam<SizeErrorCase> {};

TEST_P(AEWorldSizeErrorTest, ThrowsCodeOneAndStaysEmpty) {
  const SizeErrorCase& c = GetParam();
  embedded::EmbeddedHost host;
  AEWorld world(host.InData());
  try {
    world.Allocate(c.width, c.height, false);
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), c.message);
  }
  EXPECT_EQ(world.World(), nullptr);
  EXPECT_FALSE(world.Owns());
  EXPECT_EQ(host.LiveWorlds(), 0);
}

constexpr const char* kWidth = "AEWorld: width for new world is 0!!! :(";
constexpr const char* kHeight = "AEWorld: height for new world is 0!!! :(";

INSTANTIATE_TEST_SUITE_P(Sizes, AEWorldSizeErrorTest,
                         ::testing::Values(SizeErrorCase{0, 10, kWidth},
                                           SizeErrorCase{10, 0, kHeight},
                                           SizeErrorCase{-5, 10, kWidth},
                                           SizeErrorCase{0, 0, kWidth},
                                           SizeErrorCase{10, -1, kHeight}));

struct AllocCase {
  A_long width;
  A_long height;
  bool deep;
};

class AEWorldAllocateTest : public ::testing::TestWithParam<AllocCase> {};

TEST_P(AEWorldAllocateTest, OwnsAWritableWorldOfTheAskedSizeAndDepth) {
  const AllocCase& c = GetParam();
  embedded::EmbeddedHost host;
  {
    AEWorld world(host.InData(), c.width, c.height, c.deep);
    ASSERT_NE(world.World(), nullptr);
    EXPECT_TRUE(world.Owns());
    EXPECT_NO_THROW(world.CheckUsable());
    EXPECT_EQ(world.World()->width, c.width);
    EXPECT_EQ(world.World()->height, c.height);
    EXPECT_EQ(IsDeep(*world.World()), c.deep);
    EXPECT_NE(world.World()->world_flags & PF_WorldFlag_WRITEABLE, 0);
    EXPECT_EQ(host.LiveWorlds(), 1);
  }
  EXPECT_EQ(host.LiveWorlds(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, AEWorldAllocateTest,
                         ::testing::Values(AllocCase{1, 1, false}, AllocCase{7, 3, true},
                                           AllocCase{640, 2, false}, AllocCase{3, 500, true}));

TEST(AEWorldTest, HostAllocationFailureCarriesTheHostCode) {
  embedded::EmbeddedHost host;
  host.FailNewWorldWith(PF_Err_OUT_OF_MEMORY);
  AEWorld world(host.InData());
  try {
    world.Allocate(10, 10, false);
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), PF_Err_OUT_OF_MEMORY);
    EXPECT_STREQ(e.Message(), "Could not Allocate AEWorld");
  }
  EXPECT_EQ(world.World(), nullptr);
  EXPECT_FALSE(world.Owns());
}

TEST(AEWorldTest, OwningAReadOnlyWorldIsRefused) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* layer = host.CreateWorld(4, 4, false, false);
  AEWorld world(host.InData());
  try {
    world.Wrap(layer, true);
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), "AEWorld: Can not own a read-only world");
  }
  EXPECT_EQ(world.World(), nullptr);
}

TEST(AEWorldTest, CheckUsableNeedsAWorldAndInData) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* output = host.CreateWorld(4, 4, false, true);
  AEWorld empty(host.InData());
  AEWorld no_in_data(nullptr, output, false);
  for (const AEWorld* w : {&empty, &no_in_data}) {
    try {
      w->CheckUsable();
      ADD_FAILURE() << "no exception";
    } catch (const AEException& e) {
      EXPECT_EQ(e.Code(), 1);
      EXPECT_STREQ(e.Message(), "AEWorld not initialized");
    }
  }
}

// A borrowed world is neither disposed nor written when its AEWorld goes.
class AEWorldBorrowTest : public ::testing::TestWithParam<bool> {};

TEST_P(AEWorldBorrowTest, BorrowedWorldUntouchedOnDestruction) {
  embedded::EmbeddedHost host;
  const bool writeable = GetParam();
  PF_EffectWorld* output = host.CreateWorld(5, 3, false, writeable);
  const size_t bytes = static_cast<size_t>(output->rowbytes) * 3;
  std::memset(output->data, 0x5A, bytes);
  const PF_EffectWorld before = *output;
  {
    AEWorld world(host.InData(), output, false);
    EXPECT_EQ(world.World(), output);
    EXPECT_FALSE(world.Owns());
  }
  EXPECT_EQ(output->data, before.data);
  EXPECT_EQ(output->width, 5);
  EXPECT_EQ(output->world_flags, before.world_flags);
  const std::vector<unsigned char> expected(bytes, 0x5A);
  EXPECT_EQ(std::memcmp(output->data, expected.data(), bytes), 0);
  EXPECT_EQ(host.LiveWorlds(), 0);
}

INSTANTIATE_TEST_SUITE_P(Writeable, AEWorldBorrowTest, ::testing::Bool());

// A host whose new_world and dispose_world calls are logged, and whose
// dispose can be made to fail, around the embedded host's utilities.
struct LoggingHost {
  static inline std::vector<std::string> log;
  static inline PF_Err dispose_error = PF_Err_NONE;
  static inline PF_UtilCallbacks* real = nullptr;

  static PF_Err NewWorld(PF_ProgPtr ref, A_long w, A_long h, PF_NewWorldFlags f,
                         PF_EffectWorld* world) {
    log.push_back("new " + std::to_string(w) + "x" + std::to_string(h));
    return real->new_world(ref, w, h, f, world);
  }
  static PF_Err DisposeWorld(PF_ProgPtr ref, PF_EffectWorld* world) {
    log.push_back("dispose " + std::to_string(world->width) + "x" +
                  std::to_string(world->height));
    const PF_Err err = real->dispose_world(ref, world);
    return dispose_error != PF_Err_NONE ? dispose_error : err;
  }

  explicit LoggingHost(embedded::EmbeddedHost& host) : in_data(*host.InData()) {
    real = host.InData()->utils;
    utils = *real;
    utils.new_world = NewWorld;
    utils.dispose_world = DisposeWorld;
    in_data.utils = &utils;
    log.clear();
    dispose_error = PF_Err_NONE;
  }

  PF_InData in_data;
  PF_UtilCallbacks utils;
};

TEST(AEWorldTest, AllocatingTwiceReleasesTheFirstWorldBeforeAskingForTheSecond) {
  embedded::EmbeddedHost host;
  LoggingHost logging(host);
  {
    AEWorld world(&logging.in_data, 4, 2, false);
    world.Allocate(6, 3, true);
    EXPECT_EQ(host.LiveWorlds(), 1);
  }
  const std::vector<std::string> want = {"new 4x2", "dispose 4x2", "new 6x3", "dispose 6x3"};
  EXPECT_EQ(LoggingHost::log, want);
  EXPECT_EQ(host.LiveWorlds(), 0);
}

TEST(AEWorldTest, FailedDisposeThrowsUnlessQuiet) {
  embedded::EmbeddedHost host;
  LoggingHost logging(host);
  LoggingHost::dispose_error = 77;
  AEWorld world(&logging.in_data, 4, 2, false);
  try {
    world.Release(false);
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 77);
    EXPECT_STREQ(e.Message(), "Could not dispose AEWorld");
  }
  EXPECT_EQ(world.World(), nullptr);
  EXPECT_FALSE(world.Owns());

  world.Allocate(2, 2, false);
  EXPECT_NO_THROW(world.Release(true));
  world.Allocate(2, 2, false);
  // Destruction releases quietly as well (the failure is swallowed).
}

TEST(AEWorldTest, MakeCopyOfDuplicatesSizeDepthAndPixels) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* source = host.CreateWorld(3, 2, true, false);
  for (A_long y = 0; y < 2; ++y) {
    for (A_long x = 0; x < 3; ++x) {
      const A_u_short v = static_cast<A_u_short>(1000 * y + 10 * x);
      *PixelAt<PF_Pixel16>(*source, x, y) = {32768, v, static_cast<A_u_short>(v + 1),
                                             static_cast<A_u_short>(v + 2)};
    }
  }
  AEWorld copy(host.InData());
  copy.MakeCopyOf(source);
  ASSERT_NE(copy.World(), nullptr);
  EXPECT_TRUE(copy.Owns());
  EXPECT_NE(copy.World()->data, source->data);
  EXPECT_TRUE(IsDeep(*copy.World()));
  for (A_long y = 0; y < 2; ++y) {
    for (A_long x = 0; x < 3; ++x) {
      const PF_Pixel16 p = *PixelAt<PF_Pixel16>(*copy.World(), x, y);
      EXPECT_EQ(p.alpha, 32768);
      EXPECT_EQ(p.red, 1000 * y + 10 * x);
      EXPECT_EQ(p.blue, 1000 * y + 10 * x + 2);
    }
  }
}

}  // namespace
