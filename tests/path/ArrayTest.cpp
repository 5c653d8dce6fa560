#include <gtest/gtest.h>

#include <stdexcept>

#include "path/Array1D.h"
#include "path/Array2D.h"

namespace {

struct IndexCase {
  int32_t size;
  int32_t index;
  bool valid;
};

class Array1DIndex : public testing::TestWithParam<IndexCase> {};

TEST_P(Array1DIndex, ChecksEveryAccess) {
  const IndexCase& c = GetParam();
  Array1D<int> a(c.size, 7);
  if (c.valid) {
    EXPECT_EQ(a[c.index], 7);
    return;
  }
  try {
    a[c.index] = 1;
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Index out of Range");
  }
}

// Sizes below 1 leave no storage at all, so every index fails.
INSTANTIATE_TEST_SUITE_P(Indices, Array1DIndex,
                         testing::Values(IndexCase{3, 0, true}, IndexCase{3, 2, true},
                                         IndexCase{3, 3, false}, IndexCase{3, -1, false},
                                         IndexCase{0, 0, false}, IndexCase{-4, 0, false}));

struct Tracked {
  static inline int live = 0;
  int value = 0;
  explicit Tracked(int v) : value(v) { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  ~Tracked() { --live; }
};

TEST(Array1D, ResizeDestroysOldElementsAndCopiesTheFill) {
  Tracked::live = 0;
  {
    Array1D<Tracked> a(4, Tracked(5));
    EXPECT_EQ(Tracked::live, 4);
    a.Resize(2, Tracked(9));
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_EQ(a[1].value, 9);
    a.Truncate(1);  // storage kept until the next resize
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_THROW(a[1], std::out_of_range);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Array2D, RowMajorOverTheInnerCheck) {
  Array2D<unsigned char> grid;
  grid.Resize(4, 3, 0);
  grid(2, 1) = 9;
  EXPECT_EQ(grid(0, 0) + grid(1, 1) + grid(3, 2), 0);
  EXPECT_EQ(grid(2, 1), 9);
  EXPECT_THROW(grid(0, 3), std::out_of_range);
  EXPECT_THROW(grid(-1, 0), std::out_of_range);
}

}  // namespace
