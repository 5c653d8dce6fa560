#include "Common/FillTriangle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "stroke/ScanCallBack.h"

namespace {

using Pixel = std::pair<int, int>;  // (x, y)

class PixelRecorder final : public ScanCallBack {
 public:
  void Visit(double, double) override { ++visits; }
  void Plot(int x, int y) override { ++plotted[{x, y}]; }
  bool Query(int, int) override { return false; }
  std::map<Pixel, int> plotted;  // pixel -> times plotted
  int visits = 0;
};

std::set<Pixel> Keys(const std::map<Pixel, int>& m) {
  std::set<Pixel> keys;
  for (const auto& [p, n] : m) keys.insert(p);
  return keys;
}

struct TriangleCase {
  const char* name;
  int v[6];
  std::set<Pixel> expected;
};

class FillTriangleRows : public testing::TestWithParam<TriangleCase> {};

TEST_P(FillTriangleRows, VisitsExactlyTheseOnce) {
  const TriangleCase& c = GetParam();
  PixelRecorder recorder;
  FillTriangle(c.v[0], c.v[1], c.v[2], c.v[3], c.v[4], c.v[5], recorder);
  EXPECT_EQ(Keys(recorder.plotted), c.expected);
  for (const auto& [p, n] : recorder.plotted) EXPECT_EQ(n, 1) << p.first << "," << p.second;
  EXPECT_EQ(recorder.visits, 0);
}

// Worked by hand: row y holds x with floor(left x) < x <= floor(right x).
INSTANTIATE_TEST_SUITE_P(
    Triangles, FillTriangleRows,
    testing::Values(
        // Rows: y 1 -> x 1..3 (right edge 4 - y), y 2 -> 1..2, y 3 -> 1, y 4 -> none.
        TriangleCase{"right_angle", {0, 0, 4, 0, 0, 4},
                     {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {1, 3}}},
        TriangleCase{"right_angle_reordered", {0, 4, 0, 0, 4, 0},
                     {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {1, 3}}},
        TriangleCase{"flat", {0, 5, 9, 5, 3, 5}, {}},
        TriangleCase{"degenerate_line", {0, 0, 2, 2, 4, 4}, {}},
        // Apex at the top: y 1 -> left 1, right 3: x 2, 3; y 2 -> left 0,
        // right 4: x 1..4.
        TriangleCase{"apex_top", {2, 0, 0, 2, 4, 2}, {{2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        // Flat bottom reached through a lower part: (0,0),(6,3),(0,6).
        // Right edge x = 2y for y <= 3 and 12 - 2y below; left edge x = 0.
        TriangleCase{"lower_part", {0, 0, 6, 3, 0, 6},
                     {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {1, 3}, {2, 3}, {3, 3},
                      {4, 3}, {5, 3}, {6, 3}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {1, 5}, {2, 5}}},
        // Negative slopes use floor, not truncation: edge (0,0) -> (-3,2)
        // gives x = floor(-1.5) = -2 on row 1.
        TriangleCase{"negative_slope", {0, 0, -3, 2, 3, 2},
                     {{-1, 1}, {0, 1}, {1, 1}, {-2, 2}, {-1, 2}, {0, 2}, {1, 2}, {2, 2}, {3, 2}}}),
    [](const testing::TestParamInfo<TriangleCase>& info) { return std::string(info.param.name); });

// floor(a / b) for b > 0, written out independently of the fill.
long long FloorDivide(long long a, long long b) {
  long long q = a / b;
  if (q * b > a) --q;
  return q;
}

// floor of the x of edge a -> b at row y (a.y < b.y, a.y <= y <= b.y).
long long EdgeFloor(const Pixel& a, const Pixel& b, long long y) {
  return a.first + FloorDivide((y - a.second) * (b.first - a.first), b.second - a.second);
}

// The pixels of the triangle by the rule, row by row, from the line
// equations of its edges rather than an incremental walk.
std::set<Pixel> ByRule(Pixel p[3]) {
  std::stable_sort(p, p + 3, [](const Pixel& a, const Pixel& b) { return a.second < b.second; });
  std::set<Pixel> pixels;
  if (p[0].second == p[2].second) return pixels;
  const long long cross = static_cast<long long>(p[2].first - p[0].first) * (p[1].second - p[0].second) -
                          static_cast<long long>(p[1].first - p[0].first) * (p[2].second - p[0].second);
  for (long long y = p[0].second + 1; y <= p[2].second; ++y) {
    const long long longX = EdgeFloor(p[0], p[2], y);
    const long long shortX = y <= p[1].second ? EdgeFloor(p[0], p[1], y) : EdgeFloor(p[1], p[2], y);
    const long long left = cross < 0 ? longX : shortX;
    const long long right = cross < 0 ? shortX : longX;
    for (long long x = left + 1; x <= right; ++x) pixels.insert({static_cast<int>(x), static_cast<int>(y)});
  }
  return pixels;
}

TEST(FillTriangleProperty, RandomTrianglesFollowTheRowRule) {
  std::mt19937 rng(8086u);
  std::uniform_int_distribution<int> coord(-40, 40);
  for (int trial = 0; trial < 2000; ++trial) {
    Pixel p[3];
    for (Pixel& v : p) v = {coord(rng), coord(rng)};
    PixelRecorder recorder;
    FillTriangle(p[0].first, p[0].second, p[1].first, p[1].second, p[2].first, p[2].second,
                 recorder);
    for (const auto& [px, n] : recorder.plotted) ASSERT_EQ(n, 1) << "trial " << trial;
    ASSERT_EQ(Keys(recorder.plotted), ByRule(p)) << "trial " << trial;
  }
}

TEST(FillTriangleProperty, TrianglesSharingAnEdgeNeverVisitAPixelTwice) {
  // Two triangles on opposite sides of a shared edge c - r1.
  std::mt19937 rng(1999u);
  std::uniform_int_distribution<int> coord(-30, 30);
  int checked = 0;
  for (int trial = 0; trial < 1000; ++trial) {
    const Pixel c{coord(rng), coord(rng)};
    Pixel ring[3];
    for (Pixel& v : ring) v = {coord(rng), coord(rng)};
    PixelRecorder pair;
    FillTriangle(c.first, c.second, ring[0].first, ring[0].second, ring[1].first, ring[1].second,
                 pair);
    FillTriangle(c.first, c.second, ring[1].first, ring[1].second, ring[2].first, ring[2].second,
                 pair);
    const long long side0 =
        static_cast<long long>(ring[1].first - c.first) * (ring[0].second - c.second) -
        static_cast<long long>(ring[1].second - c.second) * (ring[0].first - c.first);
    const long long side2 =
        static_cast<long long>(ring[1].first - c.first) * (ring[2].second - c.second) -
        static_cast<long long>(ring[1].second - c.second) * (ring[2].first - c.first);
    if ((side0 > 0 && side2 < 0) || (side0 < 0 && side2 > 0)) {
      ++checked;
      for (const auto& [px, n] : pair.plotted) {
        ASSERT_EQ(n, 1) << "trial " << trial << " pixel " << px.first << "," << px.second;
      }
    }
  }
  EXPECT_GT(checked, 300);
}

}  // namespace
