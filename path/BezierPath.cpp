#include "path/BezierPath.h"

#include "Common/AEException.h"
#include "Common/ScanCallBack.h"
#include "path/PathObject.h"

BezierPath::BezierPath(PathObject* path) : path_(path) {}

PathObject& BezierPath::Source() {
  if (path_ == nullptr) throw AEException(1, "BezierPath : Path not initialized");
  return *path_;
}

bool BezierPath::SourceIsOpen() {
  PathObject& source = Source();
  if (openState_ < 0) openState_ = source.IsOpen() ? 1 : 0;
  return openState_ == 1;
}

// Curve i runs from vertex i to vertex i + 1; the later vertex is fetched
// first, as the mask source expects its queries in that order.
void BezierPath::BuildCurves() {
  PathObject& source = Source();
  if (curvesBuilt_) return;
  const int32_t n = source.NumSegments();
  curves_.Resize(n, BezierCurve());
  for (int32_t i = 0; i < n; ++i) {
    PF_PathVertex b{};
    PF_PathVertex a{};
    source.GetVertex(b, i + 1);
    source.GetVertex(a, i);
    curves_[i] = BezierCurve(a, b);
  }
  curvesBuilt_ = true;
}

Array1D<BezierCurve>& BezierPath::Curves() {
  BuildCurves();
  return curves_;
}

double BezierPath::Length() {
  Source();
  if (lengthValid_) return length_;
  BuildCurves();
  double total = 0.0;
  for (int32_t i = 0; i < curves_.Count(); ++i) total += curves_[i].Length();
  length_ = total;
  lengthValid_ = true;
  return length_;
}

// Uniform in t, so `step` pixels of arc length apart only on average. A curve
// of zero length gives one point; t = 1 is left to the next curve's start.
void BezierPath::Sample(ScanCallBack& sink, double step) {
  BuildCurves();
  for (int32_t i = 0; i < curves_.Count(); ++i) {
    const BezierCurve& curve = curves_[i];
    const double dt = step / curve.Length();
    double t = 0.0;
    do {
      const Vec2d p = curve.Evaluate(t);
      sink.Visit(p.x, p.y);
      t = t + dt;
    } while (t < 1.0);
  }
}
