// AEWorld over the embedded host, AEException's message cut, and the tabled
// errors of AEWorld and of the world operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Common/AEWorld.h"
#include "Common/CommonTools.h"
#include "CommonTestSupport.h"

using namespace ctest;

namespace {

TEST(AEExceptionTest, KeepsTheFirst254CharactersThroughCopyAndAssignment) {
  for (size_t n : {0u, 1u, 253u, 254u, 255u, 256u, 300u, 1000u}) {
    SCOPED_TRACE(n);
    std::string message;
    for (size_t i = 0; i < n; ++i) message.push_back(static_cast<char>('a' + i % 26));
    const AEException e(42, message.c_str());
    const AEException copy(e);
    AEException assigned;
    assigned = e;
    for (const AEException* x : {&e, &copy, const_cast<const AEException*>(&assigned)}) {
      EXPECT_EQ(x->Code(), 42);
      EXPECT_EQ(std::string(x->Message()), message.substr(0, 254));
    }
  }
}

constexpr const char* kWidth = "AEWorld: width for new world is 0!!! :(";
constexpr const char* kHeight = "AEWorld: height for new world is 0!!! :(";
constexpr const char* kUnusable = "AEWorld not initialized";
constexpr const char* kDepths = "Blit Error: Worlds have different bitdepths";
const DepthColor kWhite = DepthColor::From8({255, 255, 255, 255});

PF_EffectWorld& W(Host& h, bool deep = false, A_long height = 4) {
  return *h.CreateWorld(4, height, deep, true);
}

// act starts from an empty AEWorld.
struct ErrorCase {
  const char* name;
  void (*act)(Host&, AEWorld&);
  PF_Err code;
  const char* message;
};

const ErrorCase kErrors[] = {
    {"default exception", [](Host&, AEWorld&) { throw AEException(); }, 1, "Unknown Error"},
    {"width 0", [](Host&, AEWorld& w) { w.Allocate(0, 10, false); }, 1, kWidth},
    {"width -5", [](Host&, AEWorld& w) { w.Allocate(-5, 10, false); }, 1, kWidth},
    {"both 0: width first", [](Host&, AEWorld& w) { w.Allocate(0, 0, false); }, 1, kWidth},
    {"height 0", [](Host&, AEWorld& w) { w.Allocate(10, 0, false); }, 1, kHeight},
    {"height -1", [](Host&, AEWorld& w) { w.Allocate(10, -1, false); }, 1, kHeight},
    {"host refuses",
     [](Host& h, AEWorld& w) {
       h.Faults().FailNewWorldWith(PF_Err_OUT_OF_MEMORY);
       w.Allocate(10, 10, false);
     },
     PF_Err_OUT_OF_MEMORY, "Could not Allocate AEWorld"},
    {"owning read-only",
     [](Host& h, AEWorld& w) { w.Wrap(h.CreateWorld(4, 4, false, false), true); }, 1,
     "AEWorld: Can not own a read-only world"},
    {"empty unusable", [](Host&, AEWorld& w) { w.CheckUsable(); }, 1, kUnusable},
    {"no in_data", [](Host& h, AEWorld&) { AEWorld(nullptr, &W(h), false).CheckUsable(); }, 1,
     kUnusable},
    {"fill empty", [](Host&, AEWorld& w) { FillWorld(w, kWhite, nullptr); }, 1, kUnusable},
    {"copy into empty", [](Host& h, AEWorld& w) { CopyInto(w, W(h), 0, 0); }, 1, kUnusable},
    {"line in empty", [](Host&, AEWorld& w) { DrawLine(w, 0, 0, 1, 1, kWhite); }, 1, kUnusable},
    {"box in empty",
     [](Host&, AEWorld& w) {
       DrawRect(IntBox{0, 1, 0, 1}, w, kWhite);
     },
     1, kUnusable},
    {"blit 8 to 16", [](Host& h, AEWorld&) { Blit(W(h), W(h, true), nullptr, 0, 0); }, 1, kDepths},
    {"blit 16 to 8", [](Host& h, AEWorld&) { Blit(W(h, true), W(h), nullptr, 0, 0); }, 1, kDepths},
    {"copy 8 into 16",
     [](Host& h, AEWorld&) {
       AEWorld d(h.InData(), &W(h, true), false);
       CopyInto(d, W(h), 0, 0);
     },
     1, kDepths},
    {"transfer sizes",
     [](Host& h, AEWorld&) {
       Transfer(h.InData(), W(h), W(h, false, 5), 0.0, PF_Xfer_MULTIPLY, PF_Quality_HI, nullptr);
     },
     1, "Worlds do not have the same dimensions.  Cannot do transfer"},
    {"transfer mode 99",
     [](Host& h, AEWorld&) { Transfer(h.InData(), W(h), W(h), 0.0, 99, PF_Quality_HI, nullptr); },
     PF_Err_BAD_CALLBACK_PARAM, "AEWorld Transfer no worky!! :("},
};

TEST(CommonErrors, CodeAndMessageAsTabledAndNothingLeftAllocated) {
  for (const ErrorCase& c : kErrors) {
    SCOPED_TRACE(c.name);
    Host host;
    AEWorld world(host.InData());
    ExpectAEError([&] { c.act(host, world); }, c.code, c.message);
    EXPECT_EQ(world.World(), nullptr);
    EXPECT_FALSE(world.Owns());
    EXPECT_EQ(host.LiveWorlds(), 0);
  }
}

// Worlds within the 30000-pixel limit that a 32-bit process cannot hold are
// the host's out-of-memory error, never a short block: 30000 x 17896 deep is
// 4295040000 bytes, which a 32-bit size wraps to 72704.
TEST(AEWorldAddressSpace, WorldsBeyondA32BitProcessAreOutOfMemory) {
  if (sizeof(void*) > 4)
    GTEST_SKIP() << "needs a 32-bit process: a 64-bit one may be granted these worlds";
  // clang-format off
  const struct { A_long width, height; bool deep; } cases[] = {
      {30000, 30000, false},
      {30000, 30000, true},
      {30000, 17896, true}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) +
                 (c.deep ? " deep" : ""));
    Host host;
    AEWorld world(host.InData());
    ExpectAEError([&] { world.Allocate(c.width, c.height, c.deep); }, PF_Err_OUT_OF_MEMORY,
                  "Could not Allocate AEWorld");
    EXPECT_EQ(host.LiveWorlds(), 0);
  }
}

TEST(AEWorldTest, BorrowedWorldUntouchedOnDestructionAndAnOwnedOneDisposed) {
  for (bool writeable : {false, true}) {
    Host host;
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
    EXPECT_EQ(std::string(static_cast<const char*>(output->data), bytes),
              std::string(bytes, '\x5A'));
    EXPECT_EQ(host.LiveWorlds(), 0);
  }
  // Wrapped to own, a world from new_world is the wrapper's to dispose.
  Host host;
  PF_EffectWorld owned{};
  ASSERT_EQ(host.InData()->utils->new_world(host.InData()->effect_ref, 4, 4, 0, &owned),
            PF_Err_NONE);
  {
    AEWorld world(host.InData(), &owned, true);
    EXPECT_TRUE(world.Owns());
  }
  EXPECT_EQ(host.LiveWorlds(), 0);
}

// new_world and dispose_world logged around the embedded host's own; dispose
// can be made to fail.
struct LoggingHost {
  static inline std::vector<std::string> log;
  static inline PF_Err dispose_error = PF_Err_NONE;
  static inline PF_UtilCallbacks real{};
  static std::string Size(A_long w, A_long h) {
    return std::to_string(w) + "x" + std::to_string(h);
  }

  explicit LoggingHost(Host& host) : in_data(*host.InData()), utils(*host.InData()->utils) {
    real = utils;
    log.clear();
    dispose_error = PF_Err_NONE;
    utils.new_world = [](PF_ProgPtr ref, A_long w, A_long h, PF_NewWorldFlags f,
                         PF_EffectWorld* world) {
      log.push_back("new " + Size(w, h));
      return real.new_world(ref, w, h, f, world);
    };
    utils.dispose_world = [](PF_ProgPtr ref, PF_EffectWorld* world) {
      log.push_back("dispose " + Size(world->width, world->height));
      const PF_Err err = real.dispose_world(ref, world);
      return dispose_error != PF_Err_NONE ? dispose_error : err;
    };
    in_data.utils = &utils;
  }
  PF_InData in_data;
  PF_UtilCallbacks utils;
};

TEST(AEWorldTest, ReallocatingReleasesFirstAndAFailedDisposeThrowsUnlessQuiet) {
  Host host;
  LoggingHost logging(host);
  {
    AEWorld world(&logging.in_data, 4, 2, false);
    world.Allocate(6, 3, true);
    EXPECT_EQ(host.LiveWorlds(), 1);
  }
  EXPECT_EQ(LoggingHost::log,
            (std::vector<std::string>{"new 4x2", "dispose 4x2", "new 6x3", "dispose 6x3"}));
  EXPECT_EQ(host.LiveWorlds(), 0);

  LoggingHost::dispose_error = 77;
  AEWorld world(&logging.in_data, 4, 2, false);
  ExpectAEError([&] { world.Release(false); }, 77, "Could not dispose AEWorld");
  EXPECT_EQ(world.World(), nullptr);
  EXPECT_FALSE(world.Owns());
  world.Allocate(2, 2, false);
  EXPECT_NO_THROW(world.Release(true));
  world.Allocate(2, 2, false);
  // Destruction releases quietly as well (the failure is swallowed).
}

TEST(AEWorldTest, MakeCopyOfDuplicatesSizeDepthAndPixels) {
  Host host;
  PF_EffectWorld* source = host.CreateWorld(3, 2, true, false);
  Paint<PF_Pixel16>(*source);
  AEWorld copy(host.InData());
  copy.MakeCopyOf(source);
  ASSERT_NE(copy.World(), nullptr);
  EXPECT_TRUE(copy.Owns());
  EXPECT_NE(copy.World()->data, source->data);
  EXPECT_TRUE(IsDeep(*copy.World()));
  EXPECT_EQ(copy.World()->width, 3);
  EXPECT_EQ(copy.World()->height, 2);
  ExpectWorld<PF_Pixel16>(*copy.World(), Pattern<PF_Pixel16>);
}

}  // namespace
