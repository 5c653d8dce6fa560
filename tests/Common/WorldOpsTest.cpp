// Block copies, fills and the transfer of one world onto another.
#include <gtest/gtest.h>

#include <cstring>

#include "Common/AEException.h"
#include "Common/CommonTools.h"
#include "WorldTestPixels.h"
#include "host/embedded/EmbeddedHost.h"

using namespace worldtest;

namespace {

// ---- Blit: which source block lands where ----------------------------------------

struct BlitCase {
  const char* name;
  A_long srcW, srcH, dstW, dstH;
  bool hasRect;
  WorldRect rect;
  int32_t dx, dy;
  // Expected: the block of cols x rows from source (sx, sy) at dest (tx, ty).
  A_long sx, sy, tx, ty, cols, rows;
};

template <typename P>
void CheckBlit(const BlitCase& c) {
  embedded::EmbeddedHost host;
  const bool deep = PixelTraits<P>::kDeep;
  PF_EffectWorld* src = host.CreateWorld(c.srcW, c.srcH, deep, true);
  PF_EffectWorld* dst = host.CreateWorld(c.dstW, c.dstH, deep, true);
  PaintPattern<P>(*src);
  const P marker{1, 2, 3, 4};
  PaintSolid<P>(*dst, marker);

  Blit(*src, *dst, c.hasRect ? &c.rect : nullptr, c.dx, c.dy);

  for (A_long y = 0; y < c.dstH; ++y) {
    for (A_long x = 0; x < c.dstW; ++x) {
      const bool inside = x >= c.tx && x < c.tx + c.cols && y >= c.ty && y < c.ty + c.rows;
      const P want = inside ? Pattern<P>(x - c.tx + c.sx, y - c.ty + c.sy) : marker;
      ASSERT_TRUE(Same(*PixelAt<P>(*dst, x, y), want)) << c.name << " at " << x << "," << y;
    }
  }
}

class BlitTable : public ::testing::TestWithParam<BlitCase> {};

TEST_P(BlitTable, Copies8Bit) { CheckBlit<PF_Pixel>(GetParam()); }
TEST_P(BlitTable, Copies16Bit) { CheckBlit<PF_Pixel16>(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Cases, BlitTable,
    ::testing::Values(
        BlitCase{"whole into bigger at origin", 20, 10, 50, 50, false, {}, 0, 0, 0, 0, 0, 0, 20, 10},
        // 100 x 100 into 50 x 50 at (-10, -20): source columns 10..59, rows 20..69.
        BlitCase{"negative offset", 100, 100, 50, 50, false, {}, -10, -20, 10, 20, 0, 0, 50, 50},
        BlitCase{"right edge", 20, 10, 50, 50, false, {}, 45, 5, 0, 0, 45, 5, 5, 10},
        BlitCase{"bottom right corner", 20, 10, 50, 50, false, {}, 40, 45, 0, 0, 40, 45, 10, 5},
        BlitCase{"at dest width", 20, 10, 50, 50, false, {}, 50, 0, 0, 0, 0, 0, 0, 0},
        BlitCase{"at dest height", 20, 10, 50, 50, false, {}, 0, 50, 0, 0, 0, 0, 0, 0},
        BlitCase{"wholly left", 20, 10, 50, 50, false, {}, -20, 0, 0, 0, 0, 0, 0, 0},
        BlitCase{"wholly above", 20, 10, 50, 50, false, {}, 0, -10, 0, 0, 0, 0, 0, 0},
        BlitCase{"one column left in", 20, 10, 50, 50, false, {}, -19, 0, 19, 0, 0, 0, 1, 10},
        // Rectangle rows 2..5, columns 3..8 (inclusive) to (1, 1).
        BlitCase{"rectangle", 20, 10, 50, 50, true, {2, 3, 5, 8}, 1, 1, 3, 2, 1, 1, 6, 4},
        // A rectangle reaching outside the source is clamped to it first.
        BlitCase{"rectangle clamped", 20, 10, 50, 50, true, {-5, -5, 4, 4}, 2, 3, 0, 0, 2, 3, 5, 5},
        BlitCase{"single pixel", 20, 10, 50, 50, true, {9, 19, 9, 19}, 0, 0, 19, 9, 0, 0, 1, 1}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(Blit, RefusesWorldsOfDifferentDepths) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* w8 = host.CreateWorld(4, 4, false, true);
  PF_EffectWorld* w16 = host.CreateWorld(4, 4, true, true);
  for (auto [from, to] : {std::pair{w8, w16}, std::pair{w16, w8}}) {
    try {
      Blit(*from, *to, nullptr, 0, 0);
      FAIL() << "no exception";
    } catch (const AEException& e) {
      EXPECT_EQ(e.Code(), 1);
      EXPECT_STREQ(e.Message(), "Blit Error: Worlds have different bitdepths");
    }
  }
  AEWorld dest(host.InData(), w16, false);
  EXPECT_THROW(CopyInto(dest, *w8, 0, 0), AEException);
}

TEST(CopyInto, PlacesTheWholeSourceAtThePoint) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src = host.CreateWorld(3, 2, false, true);
  PF_EffectWorld* dst = host.CreateWorld(8, 8, false, true);
  PaintPattern<PF_Pixel>(*src);
  PaintSolid<PF_Pixel>(*dst, PF_Pixel{0, 0, 0, 0});
  AEWorld dest(host.InData(), dst, false);
  CopyInto(dest, *src, 4, 5);
  EXPECT_TRUE(Same(*PixelAt<PF_Pixel>(*dst, 4, 5), Pattern<PF_Pixel>(0, 0)));
  EXPECT_TRUE(Same(*PixelAt<PF_Pixel>(*dst, 6, 6), Pattern<PF_Pixel>(2, 1)));
  EXPECT_TRUE(Same(*PixelAt<PF_Pixel>(*dst, 7, 6), PF_Pixel{0, 0, 0, 0}));
  EXPECT_TRUE(Same(*PixelAt<PF_Pixel>(*dst, 3, 5), PF_Pixel{0, 0, 0, 0}));
}

TEST(WorldOps, RefuseAnUnusableWorld) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src = host.CreateWorld(3, 2, false, true);
  AEWorld empty(host.InData());
  const DepthColor white = DepthColor::From8({255, 255, 255, 255});
  const IntBox box{0, 1, 0, 1};
  auto expectUnusable = [](auto&& op) {
    try {
      op();
      FAIL() << "no exception";
    } catch (const AEException& e) {
      EXPECT_EQ(e.Code(), 1);
      EXPECT_STREQ(e.Message(), "AEWorld not initialized");
    }
  };
  expectUnusable([&] { FillWorld(empty, white, nullptr); });
  expectUnusable([&] { CopyInto(empty, *src, 0, 0); });
  expectUnusable([&] { DrawLine(empty, 0, 0, 1, 1, white); });
  expectUnusable([&] { DrawRect(box, empty, white); });
}

// ---- FillWorld --------------------------------------------------------------------

struct FillCase {
  const char* name;
  bool deep;
  bool hasRect;
  WorldRect rect;  // inclusive
  DepthColor color;
  PF_Pixel expected8;     // for 8-bit worlds
  PF_Pixel16 expected16;  // for 16-bit worlds
};

class FillTable : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTable, FillsExactlyTheInclusiveRectangle) {
  const FillCase& c = GetParam();
  embedded::EmbeddedHost host;
  PF_EffectWorld* w = host.CreateWorld(9, 7, c.deep, true);
  if (c.deep) PaintPattern<PF_Pixel16>(*w); else PaintPattern<PF_Pixel>(*w);
  AEWorld world(host.InData(), w, false);
  FillWorld(world, c.color, c.hasRect ? &c.rect : nullptr);
  for (A_long y = 0; y < 7; ++y) {
    for (A_long x = 0; x < 9; ++x) {
      const bool inside = !c.hasRect || (x >= c.rect.left && x <= c.rect.right &&
                                         y >= c.rect.top && y <= c.rect.bottom);
      if (c.deep) {
        const PF_Pixel16 want = inside ? c.expected16 : Pattern<PF_Pixel16>(x, y);
        ASSERT_TRUE(Same(*PixelAt<PF_Pixel16>(*w, x, y), want)) << c.name << " " << x << "," << y;
      } else {
        const PF_Pixel want = inside ? c.expected8 : Pattern<PF_Pixel>(x, y);
        ASSERT_TRUE(Same(*PixelAt<PF_Pixel>(*w, x, y), want)) << c.name << " " << x << "," << y;
      }
    }
  }
}

const DepthColor kRed8 = DepthColor::From8({255, 255, 0, 0});
// 16384 converts to 8 bits as (16384 * 255 + 16384) >> 15 = 128.
const DepthColor kHalf16 = DepthColor::From16({32768, 16384, 16384, 0});
// 128 converts to 16 bits as (128 * 32768 + 128) / 255 = 16448.
const DepthColor kHalf8 = DepthColor::From8({255, 128, 0, 0});

INSTANTIATE_TEST_SUITE_P(
    Cases, FillTable,
    ::testing::Values(
        FillCase{"8 whole", false, false, {}, kRed8, {255, 255, 0, 0}, {}},
        FillCase{"8 rect", false, true, {1, 2, 3, 5}, kRed8, {255, 255, 0, 0}, {}},
        FillCase{"8 single pixel", false, true, {6, 8, 6, 8}, kRed8, {255, 255, 0, 0}, {}},
        FillCase{"8 from 16-bit colour", false, true, {0, 0, 1, 1}, kHalf16, {255, 128, 128, 0}, {}},
        FillCase{"16 whole", true, false, {}, kHalf16, {}, {32768, 16384, 16384, 0}},
        FillCase{"16 rect", true, true, {1, 2, 3, 5}, kHalf16, {}, {32768, 16384, 16384, 0}},
        FillCase{"16 last row and column", true, true, {6, 8, 6, 8}, kHalf16, {},
                 {32768, 16384, 16384, 0}},
        FillCase{"16 from 8-bit colour", true, true, {2, 2, 4, 4}, kHalf8, {},
                 {32768, 16448, 0, 0}}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- Transfer ----------------------------------------------------------------------

TEST(Transfer, RefusesWorldsOfDifferentSizes) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* a = host.CreateWorld(4, 4, false, true);
  PF_EffectWorld* b = host.CreateWorld(4, 5, false, true);
  try {
    Transfer(host.InData(), *a, *b, 0.0, PF_Xfer_MULTIPLY, PF_Quality_HI, nullptr);
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), "Worlds do not have the same dimensions.  Cannot do transfer");
  }
}

TEST(Transfer, PassesTheHostsErrorOn) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* a = host.CreateWorld(4, 4, false, true);
  PF_EffectWorld* b = host.CreateWorld(4, 4, false, true);
  try {
    Transfer(host.InData(), *a, *b, 0.0, 99, PF_Quality_HI, nullptr);  // no such mode
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(e.Message(), "AEWorld Transfer no worky!! :(");
  }
}

// An opaque white source laid in normal mode over opaque black shows the
// opacity directly: 8-bit trunc(255 - 255a), 16-bit trunc(32768 - 32768a).
struct AmountCase {
  double amount;
  int expected8;
  int expected16;
};

class TransferAmount : public ::testing::TestWithParam<AmountCase> {};

TEST_P(TransferAmount, BecomesTheSourceOpacity) {
  const AmountCase& c = GetParam();
  embedded::EmbeddedHost host;
  for (bool deep : {false, true}) {
    PF_EffectWorld* src = host.CreateWorld(3, 3, deep, true);
    PF_EffectWorld* dst = host.CreateWorld(3, 3, deep, true);
    if (deep) {
      PaintSolid<PF_Pixel16>(*src, {32768, 32768, 32768, 32768});
      PaintSolid<PF_Pixel16>(*dst, {32768, 0, 0, 0});
    } else {
      PaintSolid<PF_Pixel>(*src, {255, 255, 255, 255});
      PaintSolid<PF_Pixel>(*dst, {255, 0, 0, 0});
    }
    Transfer(host.InData(), *src, *dst, c.amount, PF_Xfer_COPY, PF_Quality_HI, nullptr);
    const int got = deep ? PixelAt<PF_Pixel16>(*dst, 1, 1)->red : PixelAt<PF_Pixel>(*dst, 1, 1)->red;
    EXPECT_EQ(got, deep ? c.expected16 : c.expected8) << "amount " << c.amount << " deep " << deep;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TransferAmount,
                         ::testing::Values(AmountCase{0.0, 255, 32768}, AmountCase{1.0, 0, 0},
                                           // 127.5 and 16384 truncated
                                           AmountCase{0.5, 127, 16384},
                                           // 255 - 63.75 = 191.25; 32768 - 8192
                                           AmountCase{0.25, 191, 24576}));

TEST(Transfer, CoversTheInclusiveRectangleAtItsOwnPlace) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src = host.CreateWorld(6, 5, false, true);
  PF_EffectWorld* dst = host.CreateWorld(6, 5, false, true);
  PaintPattern<PF_Pixel>(*src);
  const PF_Pixel black{255, 0, 0, 0};
  PaintSolid<PF_Pixel>(*dst, black);
  const WorldRect rect{1, 2, 2, 4};  // rows 1..2, columns 2..4
  Transfer(host.InData(), *src, *dst, 0.0, PF_Xfer_IN_FRONT, PF_Quality_HI, &rect);
  for (A_long y = 0; y < 5; ++y) {
    for (A_long x = 0; x < 6; ++x) {
      const bool inside = y >= 1 && y <= 2 && x >= 2 && x <= 4;
      // The pattern's alpha 200 over opaque black: colour x * 200/255, alpha 255.
      const PF_Pixel px = *PixelAt<PF_Pixel>(*dst, x, y);
      if (inside) {
        EXPECT_EQ(px.alpha, 255);
        EXPECT_EQ(px.red, static_cast<int>(x * 200.0 / 255.0 + 0.5)) << x << "," << y;
        EXPECT_EQ(px.green, static_cast<int>(y * 200.0 / 255.0 + 0.5)) << x << "," << y;
      } else {
        EXPECT_TRUE(Same(px, black)) << x << "," << y;
      }
    }
  }
}

}  // namespace
