#include "path/FakePath.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "path/AEObjectAutoPointer.h"
#include "path/PathPoint.h"

namespace {

constexpr int kParamCount = 113;
constexpr int kBase[6] = {82, 87, 92, 97, 102, 107};

// A parameter array built by hand: only the point groups are filled.
class PointParams {
 public:
  PointParams() : defs_(kParamCount), ptrs_(kParamCount) {
    for (int i = 0; i < kParamCount; ++i) ptrs_[i] = &defs_[i];
  }
  // Point k (1-based) at (x, y) with its handle at (hx, hy), in 16.16.
  void Set(int k, bool active, PF_Fixed x, PF_Fixed y, PF_Fixed hx, PF_Fixed hy) {
    const int b = kBase[k - 1];
    defs_[b + 1].u.bd.value = active ? 1 : 0;
    defs_[b + 2].u.td.x_value = x;
    defs_[b + 2].u.td.y_value = y;
    defs_[b + 3].u.td.x_value = hx;
    defs_[b + 3].u.td.y_value = hy;
  }
  // Point k at (10 k, 20 k) pixels with its handle 3 pixels to the right.
  void SetSimple(int k, bool active) {
    Set(k, active, (10 * k) << 16, (20 * k) << 16, (10 * k + 3) << 16, (20 * k) << 16);
  }
  PF_ParamDef** Params() { return ptrs_.data(); }

 private:
  std::vector<PF_ParamDef> defs_;
  std::vector<PF_ParamDef*> ptrs_;
};

struct FixedCase {
  const char* name;
  PF_Fixed px, py, hx, hy;
  PF_PathVertex expected;
};

class PathPointFixed : public testing::TestWithParam<FixedCase> {};

TEST_P(PathPointFixed, ConvertsAndMirrors) {
  const FixedCase& c = GetParam();
  PointParams params;
  params.Set(1, true, c.px, c.py, c.hx, c.hy);
  const PathPoint p = PathPoint::Read(params.Params(), 82);
  EXPECT_EQ(p.vertex.x, c.expected.x);
  EXPECT_EQ(p.vertex.y, c.expected.y);
  EXPECT_EQ(p.vertex.tan_in_x, c.expected.tan_in_x);
  EXPECT_EQ(p.vertex.tan_in_y, c.expected.tan_in_y);
  EXPECT_EQ(p.vertex.tan_out_x, c.expected.tan_out_x);
  EXPECT_EQ(p.vertex.tan_out_y, c.expected.tan_out_y);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PathPointFixed,
    testing::Values(
        // 100.5 * 65536 converts to exactly 100.5.
        FixedCase{"half_pixel", 6586368, 65536 * 7, 65536 * 110, 65536 * 7,
                  {100.5, 7, 110, 7, 91, 7}},
        // A handle on its point moves by (0.5, 0.5); the mirror goes the other way.
        FixedCase{"handle_on_point", 65536 * 40, 65536 * 30, 65536 * 40, 65536 * 30,
                  {40, 30, 40.5, 30.5, 39.5, 29.5}},
        FixedCase{"negative", -65536 * 12 - 16384, 65536 * 3, -65536 * 10, 65536 * 5,
                  {-12.25, 3, -10, 5, -14.5, 1}},
        // Equal in x only: not on the point, nothing added.
        FixedCase{"same_x_only", 65536 * 5, 65536 * 5, 65536 * 5, 65536 * 9,
                  {5, 5, 5, 9, 5, 1}}),
    [](const testing::TestParamInfo<FixedCase>& info) { return std::string(info.param.name); });

struct ListCase {
  const char* name;
  std::vector<int> active;  // 1-based point numbers switched on
  bool open;
  std::vector<int> expected;  // point numbers in the path, closing copy included
  bool checkout;
  int segments;
};

class FakePathList : public testing::TestWithParam<ListCase> {};

TEST_P(FakePathList, ActivePointsInOrderWithClosingCopy) {
  const ListCase& c = GetParam();
  PointParams params;
  for (int k = 1; k <= 6; ++k) params.SetSimple(k, false);
  for (int k : c.active) params.SetSimple(k, true);
  AEObjectAutoPointer<PathObject> path(new FakePath(ReadPathPoints(params.Params()), c.open));
  EXPECT_EQ(path->Checkout(), c.checkout);
  EXPECT_EQ(path->IsOpen(), c.open);
  EXPECT_EQ(path->NumSegments(), c.segments);
  ASSERT_EQ(path->NumVertices(), static_cast<int32_t>(c.expected.size()));
  for (size_t i = 0; i < c.expected.size(); ++i) {
    PF_PathVertex v{};
    const PF_PathVertex& r = path->GetVertex(v, static_cast<int32_t>(i));
    EXPECT_EQ(&r, &v);
    const int k = c.expected[i];
    EXPECT_EQ(v.x, 10.0 * k) << "entry " << i;
    EXPECT_EQ(v.y, 20.0 * k) << "entry " << i;
    EXPECT_EQ(v.tan_in_x, 10.0 * k + 3) << "entry " << i;
    EXPECT_EQ(v.tan_out_x, 10.0 * k - 3) << "entry " << i;
  }
  PF_PathVertex v{};
  EXPECT_THROW(path->GetVertex(v, path->NumVertices()), std::out_of_range);
  EXPECT_THROW(path->GetVertex(v, -1), std::out_of_range);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FakePathList,
    testing::Values(ListCase{"three_closed", {1, 3, 6}, false, {1, 3, 6, 1}, true, 3},
                    ListCase{"three_open", {1, 3, 6}, true, {1, 3, 6}, true, 2},
                    ListCase{"two_closed", {2, 5}, false, {2, 5, 2}, true, 2},
                    ListCase{"one_closed", {4}, false, {4}, true, 0},
                    ListCase{"one_open", {4}, true, {4}, true, 0},
                    ListCase{"none", {}, false, {}, false, -1},
                    ListCase{"all_open", {1, 2, 3, 4, 5, 6}, true, {1, 2, 3, 4, 5, 6}, true, 5},
                    ListCase{"all_closed", {1, 2, 3, 4, 5, 6}, false, {1, 2, 3, 4, 5, 6, 1}, true,
                             6}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

}  // namespace
