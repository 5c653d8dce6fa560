// The geometry of a thick stroke around a centre line: a padded box per
// segment (so a pixel is only tested against the segments near it), the point
// of a path without segments, the flat end caps of an open path and the wedge
// that flat-ended segments leave open at each joint, the integer bounds of the
// whole stroke, and the test whether a pixel lies close to a flat end cap.
#pragma once

#include <cstdint>

#include "Common/Vec2d.h"
#include "host/sdk/EffectTypes.h"
#include "path/Array1D.h"
#include "stroke/BBox.h"

class BezierCurve;
class BezierPath;
class PathObject;

class ThickPathHelper {
 public:
  // The wedge at a joint between flat-ended segments: the joint J, the offset
  // points of the incoming (A) and outgoing (B) segment and the mitre corners
  // (M) on the minus and plus sides. An invalid square never matches a point.
  struct ConnectSquare {
    Vec2d joint;
    Vec2d minusIn;
    Vec2d minusMitre;
    Vec2d minusOut;
    Vec2d plusIn;
    Vec2d plusMitre;
    Vec2d plusOut;
    bool valid = false;

    // In any of the triangles (J, A-, M-), (J, M-, B-), (J, A+, M+), (J, M+, B+);
    // edges count as inside.
    bool Contains(double x, double y) const;
  };

  // `source` is the path source behind `path`; neither is owned, both must
  // outlive this object. Flat style builds the flat ends (open paths only).
  ThickPathHelper(BezierPath& path, PathObject* source, double halfWidth, bool flatStyle);
  virtual ~ThickPathHelper() = default;
  ThickPathHelper(const ThickPathHelper&) = delete;
  ThickPathHelper& operator=(const ThickPathHelper&) = delete;

  // Union of every box of the stroke, widened by one pixel on each side; not
  // clipped to any image. Computed on the first call.
  BBox StrokeBounds();
  // Whether pixel (x, y) has its centre within (strictly) 2 pixels of a flat
  // end cap line, inside that cap's box. Only meaningful with flat ends.
  bool NearFlatEnd(int32_t x, int32_t y) const;

  int32_t SegmentCount() const { return segmentCount_; }
  double HalfWidth() const { return halfWidth_; }
  int32_t Pad() const { return pad_; }
  bool IsPointPath() const { return pointPath_; }
  const Vec2d& Point() const { return point_; }
  const BBox& PointBox() const { return pointBox_; }
  const Array1D<BBox>& SegmentBoxes() const { return segmentBoxes_; }
  bool FlatEnds() const { return flatEnds_; }
  const Array1D<ConnectSquare>& ConnectSquares() const { return connectSquares_; }
  const Vec2d& StartPoint() const { return start_; }
  const Vec2d& EndPoint() const { return end_; }
  const Vec2d& StartCapPlus() const { return startPlus_; }
  const Vec2d& StartCapMinus() const { return startMinus_; }
  const Vec2d& EndCapPlus() const { return endPlus_; }
  const Vec2d& EndCapMinus() const { return endMinus_; }
  const BBox& StartCapBox() const { return startCapBox_; }
  const BBox& EndCapBox() const { return endCapBox_; }

  // v / |v|, except that a vector within 1e-10 of unit length is kept as it is.
  static Vec2d Unit(const Vec2d& v);
  // The unit normal (t.y, -t.x) of a tangent.
  static Vec2d Normal(const Vec2d& tangent);
  // The wedge between incoming curve a and outgoing curve b.
  static ConnectSquare Join(const BezierCurve& a, const BezierCurve& b, double halfWidth);
  // Box of a cap from its two corners: truncated minimum - 2, ceiled maximum + 2.
  static BBox CapBox(const Vec2d& c1, const Vec2d& c2);

 private:
  void BuildBoxes(PathObject& source);
  void BuildFlatEnds(PathObject& source);

  int32_t segmentCount_ = 0;
  BezierPath* path_ = nullptr;
  double halfWidth_ = 0.0;
  int32_t pad_ = 0;
  bool pointPath_ = false;
  PF_PathVertex firstVertex_{};
  Vec2d point_;
  BBox pointBox_;
  Array1D<BBox> segmentBoxes_;
  bool boundsCached_ = false;
  BBox bounds_;
  Array1D<ConnectSquare> connectSquares_;
  bool flatEnds_ = false;
  Vec2d end_;
  Vec2d start_;
  Vec2d endPlus_;
  Vec2d endMinus_;
  Vec2d startPlus_;
  Vec2d startMinus_;
  BBox startCapBox_;
  BBox endCapBox_;
};
