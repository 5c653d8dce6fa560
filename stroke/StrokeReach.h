// A conservative, cheap answer to "can this point lie within the half width of
// the centre line?", so that the exact nearest-point search runs only where it
// can change a pixel. Each segment is cut into short pieces; a piece's curve
// lies within `dev` of its chord (its control points do, and the curve stays
// in their convex hull), so a point farther than h + dev from every chord is
// farther than h from the curve. A small margin absorbs rounding. Answers
// err only on the side of "maybe": skipping where it says "no" never changes
// a result bit.
#pragma once

#include <cstdint>
#include <vector>

#include "Common/Vec2d.h"

class BezierCurve;

class StrokeReach {
 public:
  // Rows [first, last] of one column that may hold a shaded pixel.
  struct RowSpan {
    int32_t first;
    int32_t last;
  };

  StrokeReach() = default;

  // The pieces of every segment, for half width h. Called once per frame.
  void AddSegment(const BezierCurve& curve, double halfWidth);
  // A path without segments: the single point.
  void AddPoint(const Vec2d& point, double halfWidth);

  // Whether point p may lie within `radius` (at most the half width) of
  // segment i (point paths: segment 0 is the point).
  bool MayReachSegment(int32_t segment, double px, double py, double radius) const {
    const Segment& s = segments_[static_cast<std::size_t>(segment)];
    for (int32_t g = s.firstGroup; g < s.endGroup; ++g) {
      const Group& group = groups_[static_cast<std::size_t>(g)];
      // Outside a group's box p is outside the box of each of its pieces.
      if (!group.Contains(px, py)) {
        continue;
      }
      for (int32_t k = group.firstPiece; k < group.endPiece; ++k) {
        if (pieces_[static_cast<std::size_t>(k)].MayReach(px, py, radius)) {
          return true;
        }
      }
    }
    return false;
  }

  // Sorted, disjoint row spans of column x whose pixels may be shaded; the
  // buffer is reused from column to column (sized once by the first call).
  void ColumnSpans(int32_t x, std::vector<RowSpan>& spans) const;

 private:
  struct Piece {
    double xMin, xMax, yMin, yMax;  // chord box widened by the half width's reach
    Vec2d a;                        // chord start
    Vec2d ab;                       // chord vector
    double abLengthSquared;
    double slack;                   // the curve's deviation from the chord plus the margin

    bool MayReach(double px, double py, double radius) const {
      if (px < xMin || px > xMax || py < yMin || py > yMax) {
        return false;
      }
      const double reach = radius + slack;
      return DistanceSquaredToChord(px, py) <= reach * reach;
    }
    double DistanceSquaredToChord(double px, double py) const;
  };
  // Up to kGroupPieces consecutive pieces of one segment and the union of
  // their boxes.
  static constexpr int32_t kGroupPieces = 8;
  struct Group {
    double xMin, xMax, yMin, yMax;
    int32_t firstPiece;
    int32_t endPiece;
    bool Contains(double px, double py) const {
      return !(px < xMin || px > xMax || py < yMin || py > yMax);
    }
  };
  struct Segment {
    int32_t firstPiece;
    int32_t endPiece;
    int32_t firstGroup;
    int32_t endGroup;
  };
  // Groups the pieces of the segment just added.
  void AddGroups(Segment& segment);

  void AddPiece(const Vec2d controls[4], double halfWidth);

  std::vector<Piece> pieces_;
  std::vector<Segment> segments_;
  std::vector<Group> groups_;
};
