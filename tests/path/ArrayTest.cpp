#include <gtest/gtest.h>

#include <stdexcept>

#include "path/Array1D.h"
#include "path/Array2D.h"

namespace {

// Counts live instances to check construction and destruction.
struct Tracked {
  static inline int live = 0;
  int value = 0;
  Tracked() { ++live; }
  explicit Tracked(int v) : value(v) { ++live; }
  Tracked(const Tracked& o) : value(o.value) { ++live; }
  Tracked& operator=(const Tracked&) = default;
  ~Tracked() { --live; }
};

struct IndexCase {
  const char* name;
  int32_t size;
  int32_t index;
  bool valid;
};

class Array1DIndex : public testing::TestWithParam<IndexCase> {};

TEST_P(Array1DIndex, ChecksEveryAccess) {
  const IndexCase& c = GetParam();
  Array1D<int> a(c.size, 7);
  const Array1D<int>& ca = a;
  if (c.valid) {
    EXPECT_EQ(a[c.index], 7);
    EXPECT_EQ(ca[c.index], 7);
    return;
  }
  try {
    a[c.index] = 1;
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Index out of Range");
  }
  EXPECT_THROW(ca[c.index], std::out_of_range);
}

INSTANTIATE_TEST_SUITE_P(
    Indices, Array1DIndex,
    testing::Values(IndexCase{"first", 3, 0, true}, IndexCase{"last", 3, 2, true},
                    IndexCase{"one_past", 3, 3, false}, IndexCase{"negative", 3, -1, false},
                    IndexCase{"empty", 0, 0, false}, IndexCase{"negative_size", -4, 0, false}),
    [](const testing::TestParamInfo<IndexCase>& info) { return std::string(info.param.name); });

TEST(Array1D, ResizeDestroysOldElementsAndCopiesTheFill) {
  Tracked::live = 0;
  {
    Array1D<Tracked> a(4, Tracked(5));
    EXPECT_EQ(Tracked::live, 4);
    EXPECT_EQ(a[3].value, 5);
    a.Resize(2, Tracked(9));
    EXPECT_EQ(Tracked::live, 2);
    EXPECT_EQ(a[1].value, 9);
    EXPECT_TRUE(a.Owned());
    a.Resize(0);
    EXPECT_EQ(Tracked::live, 0);
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_FALSE(a.Owned());
    a.Resize(3, Tracked(1));
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Array1D, TruncateKeepsStorageUntilResize) {
  Tracked::live = 0;
  {
    Array1D<Tracked> a(5, Tracked(2));
    a.Truncate(3);
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.Capacity(), 5);
    EXPECT_EQ(Tracked::live, 5);
    EXPECT_THROW(a[3], std::out_of_range);
    EXPECT_THROW(a.Truncate(6), std::out_of_range);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(Array1D, CopyIsDeepAndMoveEmptiesTheSource) {
  Array1D<int> a(3, 1);
  Array1D<int> b(a);
  b[0] = 42;
  EXPECT_EQ(a[0], 1);
  Array1D<int> c(std::move(b));
  EXPECT_EQ(c[0], 42);
  EXPECT_EQ(b.Count(), 0);  // NOLINT: moved-from state is defined
  a = c;
  EXPECT_EQ(a[0], 42);
}

struct CellCase {
  const char* name;
  int32_t x, y;
  bool valid;
};

class Array2DCell : public testing::TestWithParam<CellCase> {};

TEST_P(Array2DCell, RowMajorWithTheInnerCheck) {
  const CellCase& c = GetParam();
  Array2D<unsigned char> grid;
  grid.Resize(4, 3, 0);
  if (!c.valid) {
    EXPECT_THROW(grid(c.x, c.y), std::out_of_range);
    return;
  }
  grid(c.x, c.y) = 9;
  int nonZero = 0;
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 4; ++x) nonZero += grid(x, y) != 0;
  }
  EXPECT_EQ(nonZero, 1);
  EXPECT_EQ(grid(c.x, c.y), 9);
}

// The inner array checks only the flat index width * y + x, so (4, 0) is
// cell (0, 1) and passes; only flat indices outside 0..11 throw.
INSTANTIATE_TEST_SUITE_P(
    Cells, Array2DCell,
    testing::Values(CellCase{"origin", 0, 0, true}, CellCase{"last", 3, 2, true},
                    CellCase{"row_one", 2, 1, true}, CellCase{"below", 0, 3, false},
                    CellCase{"before", -1, 0, false}),
    [](const testing::TestParamInfo<CellCase>& info) { return std::string(info.param.name); });

}  // namespace
