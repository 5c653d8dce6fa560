// The embedded host's fill, 16-bit iteration, blend and the placement and
// clipping of transfer_rect.
#include "host/embedded/PixelCallbacks.h"
#include "host/embedded/transfer/TransferRect.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "host/embedded/EmbeddedHost.h"

namespace {

template <typename P>
P* Px(const PF_EffectWorld& w, A_long x, A_long y) {
  return reinterpret_cast<P*>(static_cast<char*>(w.data) + y * w.rowbytes) + x;
}

// Sets every pixel of w to f(x, y).
template <typename P, typename F>
void Paint(PF_EffectWorld* w, F f) {
  for (A_long y = 0; y < w->height; ++y)
    for (A_long x = 0; x < w->width; ++x) *Px<P>(*w, x, y) = f(x, y);
}

// ---- fill -------------------------------------------------------------------------------

// The rectangle (right and bottom exclusive) and the block expected filled.
// clang-format off
struct FillCase { bool hasRect; PF_Rect rect; A_long left, top, right, bottom; };
// clang-format on

class HostFillTable : public ::testing::TestWithParam<FillCase> {};

TEST_P(HostFillTable, FillsTheRectangleClippedToTheWorld) {
  const FillCase& c = GetParam();
  embedded::EmbeddedHost host;
  PF_EffectWorld* w = host.CreateWorld(8, 6, false, true);
  Paint<PF_Pixel>(w, [](A_long, A_long) { return PF_Pixel{1, 2, 3, 4}; });
  const PF_Pixel color{255, 10, 20, 30};
  ASSERT_EQ(embedded::HostFill(nullptr, &color, c.hasRect ? &c.rect : nullptr, w), PF_Err_NONE);
  for (A_long y = 0; y < 6; ++y)
    for (A_long x = 0; x < 8; ++x) {
      const bool in = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
      EXPECT_EQ(Px<PF_Pixel>(*w, x, y)->red, in ? 10 : 2) << x << "," << y;
    }
}

// Whole world, inner, one pixel, reaching outside, empty, beyond the world.
INSTANTIATE_TEST_SUITE_P(Cases, HostFillTable,
                         ::testing::Values(FillCase{false, {}, 0, 0, 8, 6},
                                           FillCase{true, {2, 1, 5, 3}, 2, 1, 5, 3},
                                           FillCase{true, {7, 5, 8, 6}, 7, 5, 8, 6},
                                           FillCase{true, {-3, -2, 20, 2}, 0, 0, 8, 2},
                                           FillCase{true, {4, 4, 4, 5}, 0, 0, 0, 0},
                                           FillCase{true, {9, 0, 12, 6}, 0, 0, 0, 0}));

// ---- 16-bit iterate with origin ---------------------------------------------------------

using Seen = std::vector<std::tuple<A_long, A_long, A_u_short>>;  // x, y, input red
struct Visit {
  Seen seen;
  A_long failAt = -1;
};

PF_Err Record(void* refcon, A_long x, A_long y, PF_Pixel16* in, PF_Pixel16* out) {
  auto* v = static_cast<Visit*>(refcon);
  if (static_cast<A_long>(v->seen.size()) == v->failAt) return PF_Err_OUT_OF_MEMORY;
  v->seen.emplace_back(x, y, in->red);
  out->blue = 999;
  return PF_Err_NONE;
}

TEST(HostIterateOrigin16, VisitsTheAreaReadingTheSourceAtTheOrigin) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src = host.CreateWorld(5, 4, true, true);
  PF_EffectWorld* dst = host.CreateWorld(5, 4, true, true);
  Paint<PF_Pixel16>(src, [](A_long x, A_long y) {
    return PF_Pixel16{1, static_cast<A_u_short>(10 * x + y), 0, 0};
  });
  Paint<PF_Pixel16>(dst, [](A_long, A_long) { return PF_Pixel16{0, 0, 0, 0}; });
  Visit v, beyond;
  const PF_Rect area{1, 1, 3, 3}, edge{2, 0, 4, 1};
  const PF_Point origin{2, 1};
  ASSERT_EQ(
      embedded::HostIterateOrigin16(host.InData(), 0, 4, src, &area, &origin, &v, Record, dst),
      PF_Err_NONE);
  // Row by row; destination (x, y) reads source (x + 2, y + 1), clear beyond it.
  EXPECT_EQ(v.seen, (Seen{{1, 1, 32}, {2, 1, 42}, {1, 2, 33}, {2, 2, 43}}));
  EXPECT_EQ(Px<PF_Pixel16>(*dst, 2, 2)->blue, 999);
  EXPECT_EQ(Px<PF_Pixel16>(*dst, 3, 2)->blue, 0);
  ASSERT_EQ(
      embedded::HostIterateOrigin16(host.InData(), 0, 4, src, &edge, &origin, &beyond, Record, dst),
      PF_Err_NONE);
  // (2, 0) reads source (4, 1); (3, 0) reads (5, 1), outside, so transparent black.
  EXPECT_EQ(beyond.seen, (Seen{{2, 0, 41}, {3, 0, 0}}));
}

TEST(HostIterateOrigin16, SameWorldStopsAtTheFirstErrorAndRefuses8Bits) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* w = host.CreateWorld(3, 2, true, true);
  Visit v, failing;
  failing.failAt = 2;
  ASSERT_EQ(embedded::HostIterateOrigin16(host.InData(), 0, 2, w, nullptr, nullptr, &v, Record, w),
            PF_Err_NONE);
  EXPECT_EQ(v.seen.size(), 6u);
  EXPECT_EQ(
      embedded::HostIterateOrigin16(host.InData(), 0, 2, w, nullptr, nullptr, &failing, Record, w),
      PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(failing.seen.size(), 2u);
  PF_EffectWorld* w8 = host.CreateWorld(3, 2, false, true);
  EXPECT_NE(
      embedded::HostIterateOrigin16(host.InData(), 0, 2, w8, nullptr, nullptr, &v, Record, w8),
      PF_Err_NONE);
}

// ---- blend --------------------------------------------------------------------------------

// expected = (s1 * (65536 - r) + s2 * r + 32768) >> 16, worked out by hand.
// clang-format off
struct BlendCase { bool deep; int s1, s2; PF_Fixed ratio; int expected; };
// clang-format on

class HostBlendTable : public ::testing::TestWithParam<BlendCase> {};

template <typename P>
void CheckBlend(const BlendCase& c) {
  using C = decltype(P{}.red);
  embedded::EmbeddedHost host;
  PF_EffectWorld* a = host.CreateWorld(2, 2, c.deep, true);
  PF_EffectWorld* b = host.CreateWorld(2, 2, c.deep, true);
  PF_EffectWorld* out = host.CreateWorld(2, 2, c.deep, true);
  const C v1 = static_cast<C>(c.s1), v2 = static_cast<C>(c.s2);
  Paint<P>(a, [&](A_long, A_long) { return P{v1, v1, v1, v1}; });
  Paint<P>(b, [&](A_long, A_long) { return P{v2, v2, v2, v2}; });
  ASSERT_EQ(embedded::HostBlend(nullptr, a, b, c.ratio, out), PF_Err_NONE);
  for (A_long y = 0; y < 2; ++y)
    for (A_long x = 0; x < 2; ++x) {
      const P p = *Px<P>(*out, x, y);
      EXPECT_EQ(std::vector<int>({p.alpha, p.red, p.green, p.blue}),
                std::vector<int>(4, c.expected));
    }
}

TEST_P(HostBlendTable, MixesEveryChannelByTheRatio) {
  GetParam().deep ? CheckBlend<PF_Pixel16>(GetParam()) : CheckBlend<PF_Pixel>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostBlendTable,
    ::testing::Values(BlendCase{false, 200, 40, 0, 200}, BlendCase{false, 200, 40, 65536, 40},
                      // 255 * 32768 + 32768 >> 16: 127.5 rounds up to 128
                      BlendCase{false, 0, 255, 32768, 128},
                      // (100 * 49152 + 200 * 16384 + 32768) >> 16 = 125.5 -> 125
                      BlendCase{false, 100, 200, 16384, 125},
                      BlendCase{true, 32768, 0, 32768, 16384},
                      BlendCase{true, 0, 32768, 65536, 32768},
                      // (1 * 65535 + 2 * 1 + 32768) >> 16 = 1
                      BlendCase{true, 1, 2, 1, 1},
                      // (3 * 32768 + 4 * 32768 + 32768) >> 16 = 4: halves round up
                      BlendCase{true, 3, 4, 32768, 4},
                      // A ratio above 65536 is 65536: at 65537 full white would come out 32769
                      BlendCase{true, 0, 32768, 70000, 32768}));

// Fill of a 16-bit or missing world, blend of worlds of different sizes or
// depths, and transfer_rect with premultiplied alpha, at 16 bits in 8 or with
// an unknown mode are refused; straight 8-bit multiply is done.
TEST(HostCallbacks, RefuseWhatTheyDoNotImplement) {
  embedded::EmbeddedHost host;
  PF_EffectWorld* a = host.CreateWorld(2, 2, false, true);
  PF_EffectWorld* b = host.CreateWorld(3, 2, false, true);
  PF_EffectWorld* deep = host.CreateWorld(2, 2, true, true);
  const PF_Pixel color{255, 10, 20, 30};
  EXPECT_NE(embedded::HostFill(nullptr, &color, nullptr, deep), PF_Err_NONE);
  EXPECT_NE(embedded::HostFill(nullptr, &color, nullptr, nullptr), PF_Err_NONE);
  EXPECT_NE(embedded::HostBlend(nullptr, a, b, 0, a), PF_Err_NONE);
  EXPECT_NE(embedded::HostBlend(nullptr, a, a, 0, deep), PF_Err_NONE);
  PF_CompositeMode comp{};
  comp.xfer = PF_Xfer_MULTIPLY;
  comp.opacity = 255;
  auto call = [&](PF_ModeFlags flags, PF_EffectWorld* d, PF_TransferMode mode) {
    comp.xfer = mode;
    return embedded::HostTransferRect(nullptr, PF_Quality_HI, flags, PF_Field_FRAME, nullptr, a,
                                      &comp, nullptr, 0, 0, d);
  };
  EXPECT_EQ(call(PF_MF_Alpha_STRAIGHT, a, PF_Xfer_MULTIPLY), PF_Err_NONE);
  EXPECT_NE(call(PF_MF_Alpha_PREMUL, a, PF_Xfer_MULTIPLY), PF_Err_NONE);
  EXPECT_NE(call(PF_MF_Alpha_STRAIGHT, deep, PF_Xfer_MULTIPLY), PF_Err_NONE);
  EXPECT_NE(call(PF_MF_Alpha_STRAIGHT, a, 17), PF_Err_NONE);  // not a mode of any list
}

// ---- transfer_rect placement and clipping ---------------------------------------------------

// The block cols x rows from source (sx, sy) lands at (tx, ty); the rest of
// the destination is untouched.
// clang-format off
struct PlaceCase { bool hasRect; PF_Rect rect; A_long destX, destY, sx, sy, tx, ty, cols, rows; };
// clang-format on

class TransferRectPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TransferRectPlacement, WritesOnlyTheClippedBlock) {
  const PlaceCase& c = GetParam();
  embedded::EmbeddedHost host;
  PF_EffectWorld* src = host.CreateWorld(6, 5, false, true);
  PF_EffectWorld* dst = host.CreateWorld(7, 4, false, true);
  Paint<PF_Pixel>(src, [](A_long x, A_long y) {
    return PF_Pixel{255, static_cast<A_u_char>(x + 1), static_cast<A_u_char>(y + 1), 0};
  });
  Paint<PF_Pixel>(dst, [](A_long, A_long) { return PF_Pixel{255, 0, 0, 200}; });
  PF_CompositeMode comp{};
  comp.xfer = PF_Xfer_COPY;
  comp.opacity = 255;
  ASSERT_EQ(embedded::HostTransferRect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME,
                                       c.hasRect ? &c.rect : nullptr, src, &comp, nullptr, c.destX,
                                       c.destY, dst),
            PF_Err_NONE);
  for (A_long y = 0; y < 4; ++y)
    for (A_long x = 0; x < 7; ++x) {
      const PF_Pixel p = *Px<PF_Pixel>(*dst, x, y);
      if (x >= c.tx && x < c.tx + c.cols && y >= c.ty && y < c.ty + c.rows) {
        EXPECT_EQ(p.red, x - c.tx + c.sx + 1) << x << "," << y;
        EXPECT_EQ(p.green, y - c.ty + c.sy + 1) << x << "," << y;
      } else {
        EXPECT_EQ(p.blue, 200) << x << "," << y;
      }
    }
}

// Whole at origin, rectangle at its own place, rectangle moved, negative
// destination, rectangle reaching out of the source, wholly outside.
INSTANTIATE_TEST_SUITE_P(Cases, TransferRectPlacement,
                         ::testing::Values(PlaceCase{false, {}, 0, 0, 0, 0, 0, 0, 6, 4},
                                           PlaceCase{true, {1, 2, 4, 4}, 1, 2, 1, 2, 1, 2, 3, 2},
                                           PlaceCase{true, {0, 0, 2, 2}, 5, 3, 0, 0, 5, 3, 2, 1},
                                           PlaceCase{false, {}, -2, -1, 2, 1, 0, 0, 4, 4},
                                           PlaceCase{true, {-1, 3, 9, 9}, 0, 0, 0, 3, 1, 0, 6, 2},
                                           PlaceCase{false, {}, 7, 0, 0, 0, 0, 0, 0, 0}));

}  // namespace
