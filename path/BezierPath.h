// A path source turned into a list of cubic curves, with the measurements the
// stroke needs of the whole path (length, sampled points) and, for a closed
// path, the inside test: a flattened polygon indexed by y and a grid of cells
// classified outside / inside / boundary. Everything is built on first use
// and kept for the object's life (one render call).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Common/Vec2d.h"
#include "path/Array1D.h"
#include "path/Array2D.h"
#include "path/BezierCurve.h"
#include "path/OrderVal.h"

class PathObject;
class ScanCallBack;

class BezierPath {
 public:
  // Grid cell classes.
  static constexpr unsigned char kOutside = 0;
  static constexpr unsigned char kInside = 1;
  static constexpr unsigned char kBoundary = 2;
  // Flattening step of the polygon used by IsInside and Classify.
  static constexpr double kFlatteningStep = 0.3;

  // The path source is not owned and must stay checked out meanwhile.
  explicit BezierPath(PathObject* path);
  BezierPath(const BezierPath&) = delete;
  BezierPath& operator=(const BezierPath&) = delete;
  virtual ~BezierPath() = default;

  // Operations reading the source throw AEException(1, "BezierPath : Path not
  // initialized") when it is null.
  void BuildCurves();
  // The curves (built on first use).
  Array1D<BezierCurve>& Curves();
  double Length();
  // Visits points along every curve, uniformly in t, about `step` pixels of
  // arc length apart; t = 1 of a curve is never visited.
  void Sample(ScanCallBack& sink, double step);

  // ---- Inside test (closed paths only) ---------------------------------------
  // Runs job(j) for every j in [0, count), in any order, possibly at once.
  using RunJobs = std::function<void(int32_t count, const std::function<void(int32_t job)>& job)>;

  void BuildPolygon(double step);
  // width / height -1: from the polygon's bounds. The cells are classified in
  // jobs handed to `run` (one after another without it); they come out the
  // same however the jobs are run.
  void BuildGrid(double step, int32_t width, int32_t height, const RunJobs& run = {});
  // Nonzero winding.
  bool IsInside(double x, double y);
  // Class of cell (x, y) and, when asked, the fraction of it inside (nine
  // samples for a boundary cell).
  void Classify(int32_t x, int32_t y, int32_t& cellClass, double* coverage = nullptr);

  // Read access to the derived data, for the overlay and for checks.
  const Array1D<Vec2d>& Polygon() const { return polygon_; }
  const Array1D<OrderVal>& YIndex() const { return yIndex_; }
  const Array2D<unsigned char>& Grid() const { return grid_; }
  double MinX() const { return minX_; }
  double MinY() const { return minY_; }
  double MaxX() const { return maxX_; }
  double MaxY() const { return maxY_; }
  double SearchRadius() const { return searchRadius_; }

 private:
  PathObject& Source();
  // Whether the source is open, asked of it once.
  bool SourceIsOpen();
  int32_t RowSearch(double v) const;
  bool WindingInside(const Vec2d& q) const;
  bool WindingInsideRows(const Vec2d& q, int32_t lo, int32_t hi) const;
  bool Touches(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const;
  // Cells [x0, x1] x [y0, y1] of the grid.
  struct GridBlock {
    int32_t x0, x1, y0, y1;
  };
  void ClassifyBlock(const GridBlock& block, int levels, std::vector<GridBlock>* below);
  void FillBlock(int32_t x0, int32_t x1, int32_t y0, int32_t y1, unsigned char cellClass);

  PathObject* path_;
  int openState_ = -1;  // -1 not asked yet, else whether the source is open
  bool lengthValid_ = false;
  double length_ = 0.0;
  bool gridBuilt_ = false;
  bool polygonBuilt_ = false;
  double minX_ = 0.0, minY_ = 0.0, maxX_ = 0.0, maxY_ = 0.0;
  double searchRadius_ = 0.0;
  Array2D<unsigned char> grid_;
  Array1D<Vec2d> polygon_;
  Array1D<OrderVal> yIndex_;
  bool curvesBuilt_ = false;
  Array1D<BezierCurve> curves_;
};
