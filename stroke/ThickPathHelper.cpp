#include "stroke/ThickPathHelper.h"

#include <algorithm>
#include <cmath>

#include "Common/CommonTools.h"
#include "path/BezierCurve.h"
#include "path/BezierPath.h"
#include "path/PathObject.h"

namespace {

constexpr double kSmoothJointTolerance = 1e-5;
// A pixel centre this close to a flat cap line (strictly) is supersampled.
constexpr double kNearCapDistance = 2.0;

Vec2d Position(const PF_PathVertex& v) { return Vec2d(v.x, v.y); }

Vec2d VertexPosition(PathObject& source, int32_t index) {
  PF_PathVertex v{};
  return Position(source.GetVertex(v, index));
}

// Widens `into` so that it also holds `box`.
void Unite(BBox& into, const BBox& box) {
  into.xMin = std::min(into.xMin, box.xMin);
  into.xMax = std::max(into.xMax, box.xMax);
  into.yMin = std::min(into.yMin, box.yMin);
  into.yMax = std::max(into.yMax, box.yMax);
}

}  // namespace

bool ThickPathHelper::ConnectSquare::Contains(double x, double y) const {
  if (!valid) {
    return false;
  }
  const Vec2d p(x, y);
  return PointInTriangle(p, joint, minusIn, minusMitre) ||
         PointInTriangle(p, joint, minusMitre, minusOut) ||
         PointInTriangle(p, joint, plusIn, plusMitre) ||
         PointInTriangle(p, joint, plusMitre, plusOut);
}

ThickPathHelper::ThickPathHelper(BezierPath& path, PathObject* source, double halfWidth,
                                 bool flatStyle)
    : path_(&path),
      halfWidth_(halfWidth),
      // Truncation toward zero: round half up for the non-negative widths used.
      pad_(static_cast<int32_t>(halfWidth + 0.5)) {
  // The centre line refuses to work without a path object, and says so.
  path.BuildCurves();
  PathObject& src = *source;
  segmentCount_ = src.NumSegments();
  BuildBoxes(src);
  if (flatStyle) {
    BuildFlatEnds(src);
  }
}

Vec2d ThickPathHelper::Unit(const Vec2d& v) {
  const double length = v.Length();
  if (std::fabs(length - 1.0) <= 1e-10) {
    return v;
  }
  return Vec2d(v.x / length, v.y / length);
}

Vec2d ThickPathHelper::Normal(const Vec2d& tangent) { return Unit(Vec2d(tangent.y, -tangent.x)); }

BBox ThickPathHelper::CapBox(const Vec2d& c1, const Vec2d& c2) {
  // The minimum truncates toward zero (it does not floor): -3.7 gives -3 - 2.
  BBox box;
  box.xMin = static_cast<int32_t>(std::min(c1.x, c2.x)) - 2;
  box.xMax = static_cast<int32_t>(std::max(std::ceil(c1.x), std::ceil(c2.x))) + 2;
  box.yMin = static_cast<int32_t>(std::min(c1.y, c2.y)) - 2;
  box.yMax = static_cast<int32_t>(std::max(std::ceil(c1.y), std::ceil(c2.y))) + 2;
  return box;
}

ThickPathHelper::ConnectSquare ThickPathHelper::Join(const BezierCurve& a, const BezierCurve& b,
                                                     double h) {
  ConnectSquare square;
  const Vec2d j = a.ControlPoint(3);
  const Vec2d q = b.ControlPoint(0);

  const Vec2d tA = Unit(a.Derivative(BezierCurve::kMaxT));
  const Vec2d nIn = Normal(tA);
  const Vec2d minusIn = j - nIn * h;
  const Vec2d plusIn = j + nIn * h;

  const Vec2d tB = Unit(b.Derivative(BezierCurve::kMinT));
  const Vec2d nOut = Normal(tB);
  const Vec2d minusOut = q - nOut * h;
  const Vec2d plusOut = q + nOut * h;

  // Offset points that meet: the tangent is continuous and there is no wedge.
  if (std::fabs(minusIn.x - minusOut.x) <= kSmoothJointTolerance &&
      std::fabs(minusIn.y - minusOut.y) <= kSmoothJointTolerance) {
    return square;
  }
  Vec2d minusMitre;
  if (!LineIntersection(minusIn + tA, minusIn, minusOut + tB, minusOut, &minusMitre, nullptr,
                        nullptr)) {
    return square;
  }
  Vec2d plusMitre;
  if (!LineIntersection(plusIn + tA, plusIn, plusOut + tB, plusOut, &plusMitre, nullptr,
                        nullptr)) {
    return square;
  }
  square.joint = j;
  square.minusIn = minusIn;
  square.minusMitre = minusMitre;
  square.minusOut = minusOut;
  square.plusIn = plusIn;
  square.plusMitre = plusMitre;
  square.plusOut = plusOut;
  square.valid = true;
  return square;
}

void ThickPathHelper::BuildBoxes(PathObject& source) {
  source.GetVertex(firstVertex_, 0);
  point_ = Position(firstVertex_);
  const int32_t r = pad_;
  if (segmentCount_ < 1) {
    pointPath_ = true;
    const auto px = static_cast<int32_t>(point_.x);
    const auto py = static_cast<int32_t>(point_.y);
    pointBox_ = BBox{px - r, px + r, py - r, py + r};
    return;
  }
  segmentBoxes_.Resize(segmentCount_);
  Array1D<BezierCurve>& curves = path_->Curves();
  for (int32_t i = 0; i < segmentCount_; ++i) {
    const BezierCurve& curve = curves[i];
    curve.ComputeBounds();
    segmentBoxes_[i] =
        BBox{curve.MinX() - r, curve.MaxX() + r, curve.MinY() - r, curve.MaxY() + r};
  }
}

void ThickPathHelper::BuildFlatEnds(PathObject& source) {
  // A closed path has no ends; a path without segments is drawn round.
  if (!source.IsOpen() || segmentCount_ <= 0) {
    return;
  }
  flatEnds_ = true;
  start_ = VertexPosition(source, 0);
  end_ = VertexPosition(source, segmentCount_);

  Array1D<BezierCurve>& curves = path_->Curves();
  const double h = halfWidth_;
  const Vec2d n0 = Normal(curves[0].Derivative(BezierCurve::kMinT));
  startPlus_ = start_ + n0 * h;
  startMinus_ = start_ - n0 * h;
  const Vec2d n1 = Normal(curves[segmentCount_ - 1].Derivative(BezierCurve::kMaxT));
  endPlus_ = end_ + n1 * h;
  endMinus_ = end_ - n1 * h;
  startCapBox_ = CapBox(startPlus_, startMinus_);
  endCapBox_ = CapBox(endPlus_, endMinus_);

  if (segmentCount_ > 1) {
    connectSquares_.Resize(segmentCount_ - 1);
    for (int32_t i = 0; i + 1 < segmentCount_; ++i) {
      connectSquares_[i] = Join(curves[i], curves[i + 1], h);
    }
  }
}

BBox ThickPathHelper::StrokeBounds() {
  if (!boundsCached_) {
    BBox all = pointPath_ ? pointBox_ : segmentBoxes_[0];
    for (int32_t i = 1; i < segmentBoxes_.Count(); ++i) {
      Unite(all, segmentBoxes_[i]);
    }
    if (flatEnds_) {
      Unite(all, startCapBox_);
      Unite(all, endCapBox_);
    }
    bounds_ = BBox{all.xMin - 1, all.xMax + 1, all.yMin - 1, all.yMax + 1};
    boundsCached_ = true;
  }
  return bounds_;
}

bool ThickPathHelper::NearFlatEnd(int32_t x, int32_t y) const {
  const Vec2d centre(x + 0.5, y + 0.5);
  if (startCapBox_.Contains(x, y) &&
      DistanceToLine(centre, startPlus_, startMinus_) < kNearCapDistance) {
    return true;
  }
  if (!endCapBox_.Contains(x, y)) {
    return false;
  }
  return DistanceToLine(centre, endPlus_, endMinus_) < kNearCapDistance;
}
