#include "render/Composite.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "Common/AEException.h"
#include "render/FrameHarness.h"

namespace {

// ---- The ratio handed to the host's blend ------------------------------------------------

struct RatioCase {
  double amount;
  PF_Fixed ratio;
};

class BlendRatioTest : public ::testing::TestWithParam<RatioCase> {};

TEST_P(BlendRatioTest, RoundsHalfUp) {
  EXPECT_EQ(CompositeBlendRatio(GetParam().amount), GetParam().ratio);
}

INSTANTIATE_TEST_SUITE_P(Amounts, BlendRatioTest,
                         ::testing::Values(RatioCase{0.5, 32768}, RatioCase{1.0, 65536},
                                           RatioCase{0.0, 0}, RatioCase{0.25, 16384},
                                           // 0.123 * 65536 = 8060.928 -> 8061
                                           RatioCase{0.123, 8061},
                                           // 0.3 * 65536 = 19660.8 -> 19661
                                           RatioCase{0.3, 19661}));

// ---- Compositing worlds -------------------------------------------------------------------

// An opaque stroke world and an opaque input with different colours everywhere.
template <typename P>
void FillOpaque(PF_EffectWorld* w, uint32_t seed) {
  using C = decltype(P{}.alpha);
  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  for (A_long y = 0; y < w->height; ++y) {
    for (A_long x = 0; x < w->width; ++x) {
      const uint32_t v = (static_cast<uint32_t>(x) * 37u + static_cast<uint32_t>(y) * 11u + seed);
      *PixelAt<P>(*w, x, y) = P{static_cast<C>(full), static_cast<C>(v % (full + 1)),
                                static_cast<C>((v * 3u) % (full + 1)),
                                static_cast<C>((v * 7u + 5u) % (full + 1))};
    }
  }
}

enum class Expect { kStroke, kInput, kCrossFade, kMultiplied };

struct CompositeCase {
  const char* name;
  bool deep;
  int32_t mode;
  double amount;
  Expect expect;
};

uint32_t Channel(const PF_Pixel& p, int i) {
  return i == 0 ? p.alpha : (i == 1 ? p.red : (i == 2 ? p.green : p.blue));
}
uint32_t Channel(const PF_Pixel16& p, int i) {
  return i == 0 ? p.alpha : (i == 1 ? p.red : (i == 2 ? p.green : p.blue));
}

template <typename P>
void CheckComposite(const CompositeCase& c) {
  harness::Frame frame(24, 16, c.deep);
  FillOpaque<P>(frame.Input(), 3);
  FillOpaque<P>(frame.Output(), 101);
  std::vector<P> stroke;
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 24; ++x) stroke.push_back(*PixelAt<P>(*frame.Output(), x, y));
  }
  StrokeSettings settings{};
  settings.compositeAmount = c.amount;
  settings.transferMode = c.mode;
  CompositeWithOriginal(frame.InData(), settings, *frame.Input(), *frame.Output());

  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  const int64_t ratio = static_cast<int64_t>(c.amount * 65536.0 + 0.5);
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 24; ++x) {
      const P s = stroke[static_cast<size_t>(y * 24 + x)];
      const P in = *PixelAt<P>(*frame.Input(), x, y);
      const P got = *PixelAt<P>(*frame.Output(), x, y);
      for (int i = 0; i < 4; ++i) {
        const int64_t sv = Channel(s, i);
        const int64_t iv = Channel(in, i);
        const int64_t gv = Channel(got, i);
        switch (c.expect) {
          case Expect::kStroke:
            ASSERT_EQ(gv, sv);
            break;
          case Expect::kInput:
            ASSERT_EQ(gv, iv);
            break;
          case Expect::kCrossFade:
            ASSERT_EQ(gv, (sv * (65536 - ratio) + iv * ratio + 32768) >> 16);
            break;
          case Expect::kMultiplied:
            // Opaque over opaque at full opacity: the product, to within rounding.
            ASSERT_LE(std::llabs(gv - (i == 0 ? full : (sv * iv) / full)), 1)
                << x << "," << y << " channel " << i;
            break;
        }
      }
    }
  }
}

class CompositeTest : public ::testing::TestWithParam<CompositeCase> {};

TEST_P(CompositeTest, AmountIsTheShareOfTheInputLayer) {
  if (GetParam().deep) {
    CheckComposite<PF_Pixel16>(GetParam());
  } else {
    CheckComposite<PF_Pixel>(GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CompositeTest,
    ::testing::Values(CompositeCase{"Normal0", false, -1, 0.0, Expect::kStroke},
                      CompositeCase{"Normal100", false, -1, 1.0, Expect::kInput},
                      CompositeCase{"Normal50", false, -1, 0.5, Expect::kCrossFade},
                      CompositeCase{"Normal30Deep", true, -1, 0.3, Expect::kCrossFade},
                      CompositeCase{"Normal100Deep", true, -1, 1.0, Expect::kInput},
                      CompositeCase{"Multiply100", false, PF_Xfer_MULTIPLY, 1.0, Expect::kInput},
                      CompositeCase{"Multiply100Deep", true, PF_Xfer_MULTIPLY, 1.0,
                                    Expect::kInput},
                      CompositeCase{"Multiply0", false, PF_Xfer_MULTIPLY, 0.0,
                                    Expect::kMultiplied},
                      CompositeCase{"Multiply0Deep", true, PF_Xfer_MULTIPLY, 0.0,
                                    Expect::kMultiplied}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Host failures --------------------------------------------------------------------------

PF_Err FailingBlend(PF_ProgPtr, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
                    PF_EffectWorld*) {
  return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

PF_Err FailingTransfer(PF_ProgPtr, PF_Quality, PF_ModeFlags, PF_Field, const PF_Rect*,
                       const PF_EffectWorld*, const PF_CompositeMode*, const PF_MaskWorld*,
                       A_long, A_long, PF_EffectWorld*) {
  return PF_Err_BAD_CALLBACK_PARAM;
}

TEST(CompositeErrors, BlendFailureCarriesTheHostCode) {
  harness::Frame frame(8, 8, false);
  FillOpaque<PF_Pixel>(frame.Input(), 1);
  FillOpaque<PF_Pixel>(frame.Output(), 2);
  PF_UtilCallbacks utils = *frame.InData()->utils;
  utils.blend = FailingBlend;
  PF_InData in_data = *frame.InData();
  in_data.utils = &utils;
  StrokeSettings settings{};
  settings.compositeAmount = 0.5;
  settings.transferMode = -1;
  try {
    CompositeWithOriginal(&in_data, settings, *frame.Input(), *frame.Output());
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_STREQ(e.Message(), "Blend no worky!! :(");
  }
}

TEST(CompositeErrors, TransferFailureLeavesTheInputLayerAndReleasesTheCopy) {
  harness::Frame frame(8, 8, true);
  FillOpaque<PF_Pixel16>(frame.Input(), 1);
  FillOpaque<PF_Pixel16>(frame.Output(), 2);
  PF_UtilCallbacks utils = *frame.InData()->utils;
  utils.transfer_rect = FailingTransfer;
  PF_InData in_data = *frame.InData();
  in_data.utils = &utils;
  StrokeSettings settings{};
  settings.transferMode = PF_Xfer_SCREEN;
  const long worldsBefore = frame.Host().LiveWorlds();
  EXPECT_THROW(CompositeWithOriginal(&in_data, settings, *frame.Input(), *frame.Output()),
               AEException);
  EXPECT_EQ(frame.Host().LiveWorlds(), worldsBefore);
  for (A_long y = 0; y < 8; ++y) {
    for (A_long x = 0; x < 8; ++x) {
      EXPECT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel16>(*frame.Output(), x, y),
                                     *PixelAt<PF_Pixel16>(*frame.Input(), x, y)));
    }
  }
}

}  // namespace
