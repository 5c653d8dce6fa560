// The inside test of a closed path: the path flattened into a polygon whose
// points are indexed by y, a nonzero-winding test that looks only at edges
// starting near the query's y, and a grid of cells classified outside /
// inside / boundary by recursive subdivision, so that only boundary cells
// need exact tests.
#include <algorithm>

#include "Common/CommonTools.h"
#include "path/BezierPath.h"
#include "path/LListMakerCallback.h"
#include "path/PathObject.h"

namespace {

// Levels of the grid's subdivision done before the rest goes to jobs.
constexpr int kGridLevelsBeforeJobs = 4;

// Contribution of edge A -> B (relative to the query point) to the winding
// number, for a ray from the origin toward -x; half-open in y so that a
// vertex on the ray is counted once.
int Crossing(const Vec2d& a, const Vec2d& b) {
  if (std::min(a.x, b.x) > 0.0) return 0;
  if (!(std::min(a.y, b.y) < 0.0 && 0.0 <= std::max(a.y, b.y))) return 0;
  const int s = a.y - b.y >= 0.0 ? 1 : -1;
  if (std::max(a.x, b.x) <= 0.0) return s;
  const double x = a.x + (a.y * (b.x - a.x)) / (a.y - b.y);
  return x <= 0.0 ? s : 0;
}

}  // namespace

void BezierPath::BuildPolygon(double step) {
  if (SourceIsOpen() || polygonBuilt_) return;
  const double length = Length();
  // Each curve yields at most L_i / step + 2 points; the closing point fits too.
  const int32_t capacity =
      static_cast<int32_t>(2.0 * Source().NumSegments() + length / step + 5.0);
  polygon_.Resize(capacity, Vec2d(0.0, 0.0));
  LListMakerCallback maker(&polygon_);
  Sample(maker, step);
  const int32_t count = maker.Count();

  yIndex_.Resize(count, OrderVal());
  for (int32_t i = 0; i < count; ++i) yIndex_[i] = OrderVal{polygon_[i].y, i};
  // Stable, so that equal y keep polygon order on every platform.
  if (count > 0) {
    std::stable_sort(yIndex_.Data(), yIndex_.Data() + count,
                     [](const OrderVal& l, const OrderVal& r) { return l.value < r.value; });
  }

  polygon_[count] = polygon_[0];
  polygon_.Truncate(count + 1);
  minX_ = maker.MinX();
  minY_ = maker.MinY();
  maxX_ = maker.MaxX();
  maxY_ = maker.MaxY();
  searchRadius_ = step * 3.0;
  polygonBuilt_ = true;
}

// The first entry for values below the index, the last for values above it,
// otherwise the last entry whose value is <= v.
int32_t BezierPath::RowSearch(double v) const {
  const int32_t n = yIndex_.Count();
  if (v < yIndex_[0].value) return 0;
  if (v > yIndex_[n - 1].value) return n - 1;
  int32_t lo = -1;
  int32_t hi = n;
  while (hi - lo > 1) {
    const int32_t mid = (lo + hi) / 2;
    if (v < yIndex_[mid].value) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return lo;
}

// Nonzero winding over the edges whose first point lies within the search
// radius of q in y.
bool BezierPath::WindingInside(const Vec2d& q) const {
  return WindingInsideRows(q, RowSearch(q.y - searchRadius_), RowSearch(q.y + searchRadius_));
}

// The same over index entries lo..hi, found once for every query of one y.
bool BezierPath::WindingInsideRows(const Vec2d& q, int32_t lo, int32_t hi) const {
  int sum = 0;
  for (int32_t k = lo; k <= hi; ++k) {
    const int32_t e = yIndex_[k].index;
    sum += Crossing(polygon_[e] - q, polygon_[e + 1] - q);
  }
  return sum != 0;
}

bool BezierPath::IsInside(double x, double y) {
  if (SourceIsOpen()) return false;
  BuildPolygon(kFlatteningStep);
  return WindingInside(Vec2d(x, y));
}

// Whether the boundary reaches the closed rectangle [x0, x1 + 1] x [y0, y1 + 1]:
// a polygon point inside it, or an edge crossing its top or bottom side.
bool BezierPath::Touches(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
  const double left = x0;
  const double right = static_cast<double>(x1) + 1;
  const double top = y0;
  const double bottom = static_cast<double>(y1) + 1;
  const int32_t rowEnd = RowSearch(bottom);
  for (int32_t k = RowSearch(top); k <= rowEnd; ++k) {
    const Vec2d& p = polygon_[yIndex_[k].index];
    if (left <= p.x && p.x <= right && top <= p.y && p.y <= bottom) return true;
  }
  const Vec2d topLeft(left, top);
  const Vec2d topRight(right, top);
  const Vec2d bottomLeft(left, bottom);
  const Vec2d bottomRight(right, bottom);
  const int32_t edgeEnd = RowSearch(bottom + searchRadius_);
  for (int32_t k = RowSearch(top - searchRadius_); k <= edgeEnd; ++k) {
    const int32_t e = yIndex_[k].index;
    const Vec2d& a = polygon_[e];
    const Vec2d& b = polygon_[e + 1];
    // Parallel segments (answer 2) do not count.
    if (SegmentIntersection(a, b, topLeft, topRight, nullptr) == 1) return true;
    if (SegmentIntersection(a, b, bottomLeft, bottomRight, nullptr) == 1) return true;
  }
  return false;
}

void BezierPath::FillBlock(int32_t x0, int32_t x1, int32_t y0, int32_t y1,
                           unsigned char cellClass) {
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) grid_(x, y) = cellClass;
  }
}

// Classifies the cells of the block by recursive subdivision; with a list
// `below`, only its first `levels` levels, listing in visiting order the
// blocks left below them. Each block's cells depend on the block alone, so
// finishing the listed blocks in any order, or at once, gives the cells of
// the whole recursion.
void BezierPath::ClassifyBlock(const GridBlock& block, int levels, std::vector<GridBlock>* below) {
  const auto [x0, x1, y0, y1] = block;
  if (x0 > x1 || y0 > y1) return;
  if (below != nullptr && levels == 0) {
    below->push_back(block);
    return;
  }
  if (x0 == x1 && y0 == y1) {
    if (Touches(x0, x1, y0, y1)) {
      grid_(x0, y0) = kBoundary;
    } else if (WindingInside(Vec2d(x0 + 0.5, y0 + 0.5))) {
      grid_(x0, y0) = kInside;
    }
    return;
  }
  if (!Touches(x0, x1, y0, y1)) {
    // Untouched by the boundary: one test settles the whole block.
    if (WindingInside(Vec2d((x0 + x1) * 0.5, (y0 + y1) * 0.5))) FillBlock(x0, x1, y0, y1, kInside);
    return;
  }
  const int32_t mx = (x0 + x1) / 2;
  const int32_t my = (y0 + y1) / 2;
  const int next = levels - 1;
  if (x1 > x0 && y1 > y0) {
    ClassifyBlock({x0, mx, y0, my}, next, below);
    ClassifyBlock({mx + 1, x1, y0, my}, next, below);
    ClassifyBlock({x0, mx, my + 1, y1}, next, below);
    ClassifyBlock({mx + 1, x1, my + 1, y1}, next, below);
  } else if (x1 > x0) {
    ClassifyBlock({x0, mx, y0, y1}, next, below);
    ClassifyBlock({mx + 1, x1, y0, y1}, next, below);
  } else {
    ClassifyBlock({x0, x1, y0, my}, next, below);
    ClassifyBlock({x0, x1, my + 1, y1}, next, below);
  }
}

void BezierPath::BuildGrid(double step, int32_t width, int32_t height, const RunJobs& run) {
  if (SourceIsOpen() || gridBuilt_) return;
  BuildPolygon(step);
  int32_t x0 = static_cast<int32_t>(minX_);
  int32_t x1 = static_cast<int32_t>(maxX_);
  int32_t y0 = static_cast<int32_t>(minY_);
  int32_t y1 = static_cast<int32_t>(maxY_);
  if (width == -1) width = static_cast<int32_t>(maxX_ + 1.0);
  if (height == -1) height = static_cast<int32_t>(maxY_ + 1.0);
  x0 = ClampInt(x0, 0, width - 1);
  x1 = ClampInt(x1, 0, width - 1);
  y0 = ClampInt(y0, 0, height - 1);
  y1 = ClampInt(y1, 0, height - 1);
  grid_.Resize(x1 + 1, y1 + 1, kOutside);
  // The first levels here; the up to 4^kGridLevelsBeforeJobs blocks below
  // them one job each, many more jobs than threads, since blocks the
  // boundary crosses cost far more than those it misses.
  std::vector<GridBlock> blocks;
  ClassifyBlock({x0, x1, y0, y1}, kGridLevelsBeforeJobs, &blocks);
  const auto job = [&](int32_t j) { ClassifyBlock(blocks[static_cast<size_t>(j)], 0, nullptr); };
  const auto count = static_cast<int32_t>(blocks.size());
  if (run) {
    run(count, job);
  } else {
    for (int32_t j = 0; j < count; ++j) job(j);
  }
  gridBuilt_ = true;
}

void BezierPath::Classify(int32_t x, int32_t y, int32_t& cellClass, double* coverage) {
  cellClass = kOutside;
  if (coverage != nullptr) *coverage = 0.0;
  if (SourceIsOpen()) return;
  if (!gridBuilt_) BuildGrid(kFlatteningStep, -1, -1);
  if (x < 0 || x >= grid_.Width() || y < 0 || y >= grid_.Height()) return;
  cellClass = grid_(x, y);
  if (coverage == nullptr) return;
  if (cellClass == kInside) {
    *coverage = 1.0;
  } else if (cellClass == kBoundary) {
    int inside = 0;
    for (int j = 0; j < 3; ++j) {
      const double sy = (y + 1.0 / 6) + j / 3.0;
      const int32_t lo = RowSearch(sy - searchRadius_);
      const int32_t hi = RowSearch(sy + searchRadius_);
      for (int i = 0; i < 3; ++i) {
        const double sx = (x + 1.0 / 6) + i / 3.0;
        if (WindingInsideRows(Vec2d(sx, sy), lo, hi)) ++inside;
      }
    }
    *coverage = inside / 9.0;
  }
}
