#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "path/BezierPath.h"
#include "tests/path/TestPaths.h"

namespace {

using testpaths::Polygon;
using testpaths::Rectangle;
using testpaths::VertexPath;

struct InsideCase {
  const char* name;
  std::vector<Vec2d> points;
  bool closed;
  Vec2d q;
  bool inside;
};

class IsInsideShapes : public testing::TestWithParam<InsideCase> {};

TEST_P(IsInsideShapes, NonzeroWinding) {
  const InsideCase& c = GetParam();
  VertexPath source(Polygon(c.points, c.closed), !c.closed);
  BezierPath path(&source);
  EXPECT_EQ(path.IsInside(c.q.x, c.q.y), c.inside);
}

const std::vector<Vec2d> kSquare = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
// Crosses itself at (50, 50): a left and a right lobe wound in opposite senses.
const std::vector<Vec2d> kBowTie = {{10, 10}, {90, 90}, {90, 10}, {10, 90}};
// The square traced twice: winding number 2, which even-odd would call outside.
const std::vector<Vec2d> kTwice = {{10, 10}, {90, 10}, {90, 90}, {10, 90},
                                   {10, 10}, {90, 10}, {90, 90}, {10, 90}};

INSTANTIATE_TEST_SUITE_P(
    Shapes, IsInsideShapes,
    testing::Values(InsideCase{"square_near_corner", kSquare, true, {10.5, 10.5}, true},
                    InsideCase{"square_left", kSquare, true, {9.5, 50}, false},
                    InsideCase{"square_below", kSquare, true, {50, 90.5}, false},
                    InsideCase{"square_open", kSquare, false, {50, 50}, false},
                    InsideCase{"bowtie_left_lobe", kBowTie, true, {25, 50}, true},
                    InsideCase{"bowtie_right_lobe", kBowTie, true, {75, 50}, true},
                    InsideCase{"bowtie_top_gap", kBowTie, true, {50, 25}, false},
                    InsideCase{"bowtie_bottom_gap", kBowTie, true, {50, 75}, false},
                    InsideCase{"twice_centre", kTwice, true, {50, 50}, true},
                    InsideCase{"twice_outside", kTwice, true, {95, 50}, false}),
    [](const testing::TestParamInfo<InsideCase>& info) { return std::string(info.param.name); });

TEST(IsInsideRay, PassingExactlyThroughPolygonPointsCountsEachCrossingOnce) {
  // Queries at the exact y of points on the rectangle's vertical sides: the
  // ray toward -x runs through a polygon point whose edges lie above and
  // below it. Counted twice, a point on the right side would outweigh the
  // left side's single crossing for queries right of the rectangle.
  VertexPath source(Rectangle(10, 10, 90, 90), false);
  BezierPath path(&source);
  path.BuildPolygon(0.3);
  const Array1D<Vec2d>& polygon = path.Polygon();
  int checked = 0;
  for (int32_t i = 0; i < polygon.Count(); ++i) {
    const Vec2d& p = polygon[i];
    if (p.y < 20 || p.y > 80) continue;
    EXPECT_FALSE(path.IsInside(95, p.y)) << "y " << p.y;
    EXPECT_FALSE(path.IsInside(5, p.y)) << "y " << p.y;
    EXPECT_TRUE(path.IsInside(50, p.y)) << "y " << p.y;
    ++checked;
  }
  EXPECT_GT(checked, 300);
}

// ---- Classify: classes and nine-sample coverage --------------------------------

struct CellCase {
  const char* name;
  int32_t x;
  int32_t y;
  int32_t cellClass;
  int samplesInside;  // of nine
};

// Rectangle from (20.4, 30.4) to (60.4, 70.1). Samples of cell c sit at
// c + 1/6, c + 1/2, c + 5/6 on each axis.
class ClassifyRectangle : public testing::TestWithParam<CellCase> {};

TEST_P(ClassifyRectangle, ClassAndCoverage) {
  const CellCase& c = GetParam();
  VertexPath source(Rectangle(20.4, 30.4, 60.4, 70.1), false);
  BezierPath path(&source);
  int32_t cellClass = -1;
  double coverage = -1;
  path.Classify(c.x, c.y, cellClass, &coverage);
  EXPECT_EQ(cellClass, c.cellClass);
  EXPECT_EQ(coverage, c.samplesInside / 9.0);
  int32_t again = -1;
  path.Classify(c.x, c.y, again);  // coverage not asked
  EXPECT_EQ(again, c.cellClass);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, ClassifyRectangle,
    testing::Values(CellCase{"interior", 40, 50, 1, 9}, CellCase{"exterior_in_grid", 10, 50, 0, 0},
                    CellCase{"left_edge", 20, 50, 2, 6},     // two columns right of 20.4
                    CellCase{"right_edge", 60, 50, 2, 3},    // one column left of 60.4
                    CellCase{"top_edge", 40, 30, 2, 6},      // two rows below 30.4
                    CellCase{"bottom_edge", 40, 70, 2, 0},   // no row above 70.1
                    CellCase{"top_left_corner", 20, 30, 2, 4},
                    CellCase{"top_right_corner", 60, 30, 2, 2},
                    CellCase{"left_of_grid", -1, 50, 0, 0},
                    // The grid ends at trunc(max + 1): 61 wide, 71 high.
                    CellCase{"right_of_grid", 61, 50, 0, 0}, CellCase{"below_grid", 40, 71, 0, 0}),
    [](const testing::TestParamInfo<CellCase>& info) { return std::string(info.param.name); });

// ---- The whole grid against the geometry of a rectangle ---------------------------

struct GridCase {
  const char* name;
  double x0, y0, x1, y1;
};

class GridOfRectangle : public testing::TestWithParam<GridCase> {};

TEST_P(GridOfRectangle, EveryCellClassifiedByItsOverlap) {
  const GridCase& c = GetParam();
  VertexPath source(Rectangle(c.x0, c.y0, c.x1, c.y1), false);
  BezierPath path(&source);
  int32_t first = -1;
  path.Classify(0, 0, first);
  const Array2D<unsigned char>& grid = path.Grid();
  EXPECT_EQ(grid.Width(), static_cast<int32_t>(c.x1 + 1.0));
  EXPECT_EQ(grid.Height(), static_cast<int32_t>(c.y1 + 1.0));
  for (int32_t y = -2; y < grid.Height() + 2; ++y) {
    for (int32_t x = -2; x < grid.Width() + 2; ++x) {
      // The closed cell [x, x + 1] x [y, y + 1] against the rectangle.
      const bool overlaps = x + 1 >= c.x0 && x <= c.x1 && y + 1 >= c.y0 && y <= c.y1;
      const bool within = x > c.x0 && x + 1 < c.x1 && y > c.y0 && y + 1 < c.y1;
      int expected = within ? 1 : (overlaps ? 2 : 0);
      if (x < 0 || y < 0 || x >= grid.Width() || y >= grid.Height()) expected = 0;
      int32_t cellClass = -1;
      path.Classify(x, y, cellClass);
      ASSERT_EQ(cellClass, expected) << "cell " << x << ", " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rectangles, GridOfRectangle,
    testing::Values(GridCase{"thin", 5.2, 5.4, 6.8, 40.3},
                    // Partly at negative coordinates: the grid starts at cell 0.
                    GridCase{"negative_origin", -10.5, -7.25, 12.6, 9.7}),
    [](const testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

// ---- IsInside against an independent winding count -------------------------------

Vec2d Bernstein(const PF_PathVertex& a, const PF_PathVertex& b, double t) {
  const double u = 1.0 - t;
  const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  return {w[0] * a.x + w[1] * a.tan_out_x + w[2] * b.tan_in_x + w[3] * b.x,
          w[0] * a.y + w[1] * a.tan_out_y + w[2] * b.tan_in_y + w[3] * b.y};
}

// Winding number of a closed polyline around q, counting upward and downward
// crossings of the ray toward +x.
int WindingNumber(const std::vector<Vec2d>& poly, const Vec2d& q) {
  int wn = 0;
  for (size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vec2d& a = poly[i];
    const Vec2d& b = poly[i + 1];
    const double side = (b.x - a.x) * (q.y - a.y) - (q.x - a.x) * (b.y - a.y);
    if (a.y <= q.y) {
      if (b.y > q.y && side > 0) ++wn;
    } else if (b.y <= q.y && side < 0) {
      --wn;
    }
  }
  return wn;
}

double DistanceToPolyline(const std::vector<Vec2d>& poly, const Vec2d& q) {
  double best = 1e300;
  for (size_t i = 0; i + 1 < poly.size(); ++i) {
    const Vec2d ab = poly[i + 1] - poly[i];
    const Vec2d aq = q - poly[i];
    const double len2 = ab.Dot(ab);
    double t = len2 > 0 ? aq.Dot(ab) / len2 : 0.0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    best = std::fmin(best, (aq - ab * t).Length());
  }
  return best;
}

TEST(IsInsideProperty, AgreesWithWindingOfAFineFlattening) {
  std::mt19937 rng(31337u);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int insideCount = 0;
  int outsideCount = 0;
  for (int shape = 0; shape < 40; ++shape) {
    // A smooth star-shaped closed curve r(a) = r0 (1 + e1 cos(k1 a + p1)
    // + e2 cos(k2 a + p2)) through n points, with handles along its tangent.
    const int n = 4 + static_cast<int>(unit(rng) * 6);
    const Vec2d centre(150 + 100 * unit(rng), 150 + 100 * unit(rng));
    const double r0 = 40 + 60 * unit(rng);
    const double e1 = 0.3 * unit(rng), e2 = 0.2 * unit(rng);
    const int k1 = 2 + static_cast<int>(unit(rng) * 3), k2 = 3 + static_cast<int>(unit(rng) * 4);
    const double p1 = 6.28 * unit(rng), p2 = 6.28 * unit(rng);
    const double direction = unit(rng) < 0.5 ? 1.0 : -1.0;
    auto radius = [&](double a) {
      return r0 * (1 + e1 * std::cos(k1 * a + p1) + e2 * std::cos(k2 * a + p2));
    };
    auto at = [&](double a) {
      return Vec2d(centre.x + radius(a) * std::cos(a), centre.y + radius(a) * std::sin(a));
    };
    const double da = direction * 2 * std::numbers::pi / n;
    std::vector<PF_PathVertex> vertices;
    for (int i = 0; i <= n; ++i) {
      const double a = da * (i % n);
      const Vec2d p = at(a);
      const double h = 1e-6;
      const Vec2d tangent = (at(a + h) - at(a - h)) * (da / (2 * h) / 3.0);
      vertices.push_back({p.x, p.y, p.x - tangent.x, p.y - tangent.y, p.x + tangent.x,
                          p.y + tangent.y});
    }
    std::vector<Vec2d> fine;
    for (int i = 0; i < n; ++i) {
      for (int s = 0; s < 2000; ++s) fine.push_back(Bernstein(vertices[i], vertices[i + 1], s / 2000.0));
    }
    fine.push_back(fine.front());

    VertexPath source(vertices, false);
    BezierPath path(&source);
    for (int k = 0; k < 200; ++k) {
      const Vec2d q(centre.x - 200 + 400 * unit(rng), centre.y - 200 + 400 * unit(rng));
      if (DistanceToPolyline(fine, q) < 0.5) continue;
      const bool expected = WindingNumber(fine, q) != 0;
      ASSERT_EQ(path.IsInside(q.x, q.y), expected)
          << "shape " << shape << " query " << q.x << ", " << q.y;
      ++(expected ? insideCount : outsideCount);
    }
  }
  EXPECT_GT(insideCount, 500);
  EXPECT_GT(outsideCount, 500);
}

}  // namespace
