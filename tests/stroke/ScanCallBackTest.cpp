#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "path/Array1D.h"
#include "stroke/LListMakerCallback.h"
#include "stroke/TmpScanCallBack.h"

namespace {

template <typename P>
class TmpScanCallBackTyped : public testing::Test {};

using PixelTypes = testing::Types<PF_Pixel, PF_Pixel16>;
TYPED_TEST_SUITE(TmpScanCallBackTyped, PixelTypes);

// + 0.5 and truncation toward zero: -0.7 plots 0 where floor would give -1.
TYPED_TEST(TmpScanCallBackTyped, VisitPlotsTheTruncatedPixelOnly) {
  struct Case {
    double x, y;
    int px, py;
  };
  const Case cases[] = {{2.5, 3.49, 3, 3}, {-0.7, 0.0, 0, 0}, {-0.5, -0.5, 0, 0}, {5.499, 2.2, 5, 2}};
  constexpr int kWidth = 8, kHeight = 6, kRowPixels = 10;  // rows padded past the width
  for (const Case& c : cases) {
    std::vector<TypeParam> pixels(kRowPixels * kHeight, TypeParam{0, 0, 0, 0});
    PF_EffectWorld world{};
    world.data = pixels.data();
    world.rowbytes = kRowPixels * sizeof(TypeParam);
    world.width = kWidth;
    world.height = kHeight;
    const TypeParam colour{7, 1, 2, 3};
    TmpScanCallBack<TypeParam> callback(colour, &world);
    callback.Visit(c.x, c.y);
    for (int i = 0; i < kRowPixels * kHeight; ++i) {
      const bool target = i == c.py * kRowPixels + c.px;
      EXPECT_EQ(pixels[i].alpha, target ? 7 : 0) << c.x << ", " << c.y << " index " << i;
      EXPECT_EQ(pixels[i].blue, target ? 3 : 0) << c.x << ", " << c.y << " index " << i;
    }
  }
}

struct ListCase {
  const char* name;
  std::vector<Vec2d> visits;
  double maxX, minX, maxY, minY;
};

class LListMaker : public testing::TestWithParam<ListCase> {};

TEST_P(LListMaker, StoresInOrderAndKeepsTheBox) {
  const ListCase& c = GetParam();
  Array1D<Vec2d> list(10, Vec2d(-1, -1));
  LListMakerCallback maker(&list);
  for (const Vec2d& v : c.visits) maker.Visit(v.x, v.y);
  maker.Plot(3, 3);  // ignored
  ASSERT_EQ(maker.Count(), static_cast<int32_t>(c.visits.size()));
  for (size_t i = 0; i < c.visits.size(); ++i) EXPECT_EQ(list[static_cast<int32_t>(i)], c.visits[i]);
  EXPECT_EQ(list[maker.Count()], Vec2d(-1, -1));
  EXPECT_EQ(maker.MaxX(), c.maxX);
  EXPECT_EQ(maker.MinX(), c.minX);
  EXPECT_EQ(maker.MaxY(), c.maxY);
  EXPECT_EQ(maker.MinY(), c.minY);
}

INSTANTIATE_TEST_SUITE_P(
    Visits, LListMaker,
    testing::Values(ListCase{"two", {{1, 5}, {3, 2}}, 3, 1, 5, 2},
                    // The first point sets the box even when all are negative.
                    ListCase{"one_negative", {{-4, -7}}, -4, -4, -7, -7},
                    ListCase{"mixed", {{0, 0}, {-2, 9}, {7, -3}, {1, 1}}, 7, -2, 9, -3}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(LListMaker, FullListThrowsAfterWideningTheBox) {
  Array1D<Vec2d> list(2);
  LListMakerCallback maker(&list);
  maker.Visit(1, 1);
  maker.Visit(2, 2);
  try {
    maker.Visit(50, -50);
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Index out of Range");
  }
  EXPECT_EQ(maker.Count(), 2);
  EXPECT_EQ(maker.MaxX(), 50);
  EXPECT_EQ(maker.MinY(), -50);
}

}  // namespace
