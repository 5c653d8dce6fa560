#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "path/Array1D.h"
#include "path/LListMakerCallback.h"
#include "stroke/TmpScanCallBack.h"

namespace {

// + 0.5 and truncation toward zero: -0.7 plots 0 where floor would give -1.
template <typename P>
void CheckVisit() {
  // clang-format off
  const struct { double x, y; int px, py; } cases[] = {
      {2.5, 3.49, 3, 3},
      {-0.7, 0.0, 0, 0},
      {-0.5, -0.5, 0, 0},
      {5.499, 2.2, 5, 2}};
  // clang-format on
  constexpr int kRowPixels = 10, kHeight = 6;  // rows padded past the width of 8
  for (const auto& c : cases) {
    std::vector<P> pixels(kRowPixels * kHeight, P{0, 0, 0, 0});
    PF_EffectWorld world{};
    world.data = pixels.data();
    world.rowbytes = kRowPixels * sizeof(P);
    world.width = 8;
    world.height = kHeight;
    TmpScanCallBack<P>(P{7, 1, 2, 3}, &world).Visit(c.x, c.y);
    for (int i = 0; i < kRowPixels * kHeight; ++i) {
      const bool target = i == c.py * kRowPixels + c.px;
      EXPECT_EQ(pixels[i].alpha, target ? 7 : 0) << c.x << ", " << c.y << " index " << i;
      EXPECT_EQ(pixels[i].blue, target ? 3 : 0) << c.x << ", " << c.y << " index " << i;
    }
  }
}

TEST(TmpScanCallBack, VisitPlotsTheTruncatedPixelOnlyAtBothDepths) {
  CheckVisit<PF_Pixel>();
  CheckVisit<PF_Pixel16>();
}

TEST(LListMaker, StoresInOrderAndKeepsTheBox) {
  // The first point sets the box even when all are negative.
  // clang-format off
  const struct { std::vector<Vec2d> visits; double maxX, minX, maxY, minY; } cases[] = {
      {{{1, 5}, {3, 2}}, 3, 1, 5, 2},
      {{{-4, -7}}, -4, -4, -7, -7},
      {{{0, 0}, {-2, 9}, {7, -3}, {1, 1}}, 7, -2, 9, -3}};
  // clang-format on
  for (const auto& c : cases) {
    Array1D<Vec2d> list(10, Vec2d(-1, -1));
    LListMakerCallback maker(&list);
    for (const Vec2d& v : c.visits) maker.Visit(v.x, v.y);
    maker.Plot(3, 3);  // ignored
    ASSERT_EQ(maker.Count(), static_cast<int32_t>(c.visits.size()));
    for (size_t i = 0; i < c.visits.size(); ++i)
      EXPECT_EQ(list[static_cast<int32_t>(i)], c.visits[i]);
    EXPECT_EQ(list[maker.Count()], Vec2d(-1, -1));
    EXPECT_EQ((std::vector{maker.MaxX(), maker.MinX(), maker.MaxY(), maker.MinY()}),
              (std::vector{c.maxX, c.minX, c.maxY, c.minY}));
  }
}

TEST(LListMaker, FullListThrowsAfterWideningTheBox) {
  Array1D<Vec2d> list(2);
  LListMakerCallback maker(&list);
  maker.Visit(1, 1);
  maker.Visit(2, 2);
  EXPECT_THAT([&] { maker.Visit(50, -50); },
              testing::ThrowsMessage<std::out_of_range>(testing::StrEq("Index out of Range")));
  EXPECT_EQ(maker.Count(), 2);
  EXPECT_EQ(maker.MaxX(), 50);
  EXPECT_EQ(maker.MinY(), -50);
}

}  // namespace
