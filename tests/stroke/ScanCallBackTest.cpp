#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "path/Array1D.h"
#include "stroke/LListMakerCallback.h"
#include "stroke/TmpScanCallBack.h"

namespace {

// A small world over plain memory, rows padded past the pixels.
template <typename P>
class PlainWorld {
 public:
  PlainWorld(int width, int height) : storage_(static_cast<size_t>(height) * Stride(width)) {
    world_.data = storage_.data();
    world_.rowbytes = static_cast<A_long>(Stride(width));
    world_.width = width;
    world_.height = height;
  }
  PF_EffectWorld* World() { return &world_; }
  P At(int x, int y) const { return *PixelAt<P>(world_, x, y); }
  int CountNonZero() const {
    int n = 0;
    for (int y = 0; y < world_.height; ++y) {
      for (int x = 0; x < world_.width; ++x) {
        const P p = At(x, y);
        if (p.alpha || p.red || p.green || p.blue) ++n;
      }
    }
    return n;
  }

 private:
  static size_t Stride(int width) { return static_cast<size_t>(width) * sizeof(P) + 16; }
  std::vector<unsigned char> storage_;
  PF_EffectWorld world_{};
};

struct VisitCase {
  const char* name;
  double x, y;
  int px, py;
};

template <typename P>
P Colour();
template <>
PF_Pixel Colour<PF_Pixel>() {
  return {255, 10, 20, 30};
}
template <>
PF_Pixel16 Colour<PF_Pixel16>() {
  return {32768, 1000, 2000, 30000};
}

// + 0.5 and truncation toward zero, so -0.7 plots 0 (floor would give -1).
const VisitCase kVisits[] = {
    {"round_up", 2.5, 3.49, 3, 3},     {"negative_small", -0.7, 0.0, 0, 0},
    {"exact", 4.0, 1.0, 4, 1},         {"just_below_half", 5.499, 2.2, 5, 2},
    {"negative_half", -0.5, -0.5, 0, 0},
};

template <typename P>
class TmpScanCallBackTyped : public testing::Test {};

using PixelTypes = testing::Types<PF_Pixel, PF_Pixel16>;
TYPED_TEST_SUITE(TmpScanCallBackTyped, PixelTypes);

TYPED_TEST(TmpScanCallBackTyped, VisitRoundsByTruncation) {
  for (const VisitCase& c : kVisits) {
    SCOPED_TRACE(c.name);
    PlainWorld<TypeParam> world(8, 6);
    TmpScanCallBack<TypeParam> callback(Colour<TypeParam>(), world.World());
    callback.Visit(c.x, c.y);
    EXPECT_EQ(world.CountNonZero(), 1);
    const TypeParam p = world.At(c.px, c.py);
    const TypeParam want = Colour<TypeParam>();
    EXPECT_EQ(p.alpha, want.alpha);
    EXPECT_EQ(p.red, want.red);
    EXPECT_EQ(p.green, want.green);
    EXPECT_EQ(p.blue, want.blue);
    EXPECT_FALSE(callback.Query(c.px, c.py));
  }
}

TYPED_TEST(TmpScanCallBackTyped, PlotWritesTheAddressedPixelOnly) {
  PlainWorld<TypeParam> world(5, 4);
  TmpScanCallBack<TypeParam> callback(Colour<TypeParam>(), world.World());
  callback.Plot(4, 3);  // last pixel of the last row: row stride is honoured
  callback.Plot(0, 1);
  EXPECT_EQ(world.CountNonZero(), 2);
  EXPECT_EQ(world.At(4, 3).blue, Colour<TypeParam>().blue);
  EXPECT_EQ(world.At(0, 1).red, Colour<TypeParam>().red);
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
  EXPECT_FALSE(maker.Query(0, 0));
  ASSERT_EQ(maker.Count(), static_cast<int32_t>(c.visits.size()));
  for (size_t i = 0; i < c.visits.size(); ++i) EXPECT_EQ(list[static_cast<int32_t>(i)], c.visits[i]);
  EXPECT_EQ(list[static_cast<int32_t>(c.visits.size())], Vec2d(-1, -1));
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
