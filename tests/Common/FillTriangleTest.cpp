// The integer edge walk of FillTriangle: row y holds the x with
// floor(left x) < x <= floor(right x), each pixel plotted once.
#include "Common/FillTriangle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "Common/ScanCallBack.h"

namespace {

using Pixel = std::pair<int, int>;  // (x, y)

class PixelRecorder final : public ScanCallBack {
 public:
  void Visit(double, double) override { ++visits; }
  void Plot(int x, int y) override { plotted.push_back({x, y}); }
  bool Query(int, int) override { return false; }
  // The pixels plotted; fails if any was plotted twice.
  std::set<Pixel> Once() const {
    const std::set<Pixel> pixels(plotted.begin(), plotted.end());
    EXPECT_EQ(pixels.size(), plotted.size()) << "a pixel plotted twice";
    return pixels;
  }
  std::vector<Pixel> plotted;
  int visits = 0;
};

void Fill(const Pixel& a, const Pixel& b, const Pixel& c, PixelRecorder& r) {
  FillTriangle(a.first, a.second, b.first, b.second, c.first, c.second, r);
}

// A flat or collinear triangle, which the random property below almost never
// draws, plots nothing and visits nothing.
TEST(FillTriangle, DegenerateTrianglesPlotNothing) {
  const Pixel kCases[][3] = {{{0, 5}, {9, 5}, {3, 5}}, {{0, 0}, {2, 2}, {4, 4}}};
  for (const auto& c : kCases) {
    PixelRecorder recorder;
    Fill(c[0], c[1], c[2], recorder);
    EXPECT_TRUE(recorder.plotted.empty()) << c[1].first;
    EXPECT_EQ(recorder.visits, 0);
  }
}

// Twice the signed area of o, a, b.
long long Cross(const Pixel& o, const Pixel& a, const Pixel& b) {
  return static_cast<long long>(a.first - o.first) * (b.second - o.second) -
         static_cast<long long>(a.second - o.second) * (b.first - o.first);
}

// floor of the x of edge a -> b at row y (a.y < b.y), from the line equation.
long long EdgeFloor(const Pixel& a, const Pixel& b, long long y) {
  const long long num = (y - a.second) * (b.first - a.first), den = b.second - a.second;
  return a.first + num / den - (num % den != 0 && num < 0 ? 1 : 0);
}

// The pixels of the triangle by the row rule, from its edges' line equations
// rather than an incremental walk.
std::set<Pixel> ByRule(std::vector<Pixel> p) {
  std::stable_sort(p.begin(), p.end(),
                   [](const Pixel& a, const Pixel& b) { return a.second < b.second; });
  std::set<Pixel> pixels;
  if (p[0].second == p[2].second) return pixels;
  const bool longOnLeft = Cross(p[0], p[1], p[2]) > 0;
  for (long long y = p[0].second + 1; y <= p[2].second; ++y) {
    const long long longX = EdgeFloor(p[0], p[2], y);
    const long long shortX = y <= p[1].second ? EdgeFloor(p[0], p[1], y) : EdgeFloor(p[1], p[2], y);
    for (long long x = (longOnLeft ? longX : shortX) + 1; x <= (longOnLeft ? shortX : longX); ++x)
      pixels.insert({static_cast<int>(x), static_cast<int>(y)});
  }
  return pixels;
}

// Random triangles c r0 r1 and c r1 r2 each follow the row rule; when r0 and
// r2 lie on opposite sides of their shared edge c - r1, the two together
// visit no pixel twice.
TEST(FillTriangleProperty, RandomTrianglesFollowTheRowRuleAndNeighboursNeverOverlap) {
  std::mt19937 rng(8086u);
  std::uniform_int_distribution<int> coord(-40, 40);
  int neighbours = 0;
  for (int trial = 0; trial < 1500; ++trial) {
    SCOPED_TRACE(trial);
    Pixel c{coord(rng), coord(rng)}, r[3];
    for (Pixel& v : r) v = {coord(rng), coord(rng)};
    PixelRecorder first, second, both;
    Fill(c, r[0], r[1], first);
    Fill(c, r[1], r[2], second);
    Fill(c, r[0], r[1], both);
    Fill(c, r[1], r[2], both);
    ASSERT_EQ(first.Once(), ByRule({c, r[0], r[1]}));
    ASSERT_EQ(second.Once(), ByRule({c, r[1], r[2]}));
    if (static_cast<double>(Cross(c, r[1], r[0])) * static_cast<double>(Cross(c, r[1], r[2])) < 0) {
      ++neighbours;
      both.Once();
    }
  }
  EXPECT_GT(neighbours, 400);
}

}  // namespace
