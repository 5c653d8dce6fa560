#include "stroke/StrokeReach.h"

#include <algorithm>
#include <cmath>

#include "path/BezierCurve.h"

namespace {

// Far larger than any rounding of coordinates below 1e6, far smaller than a pixel.
constexpr double kMargin = 1.0 / 256.0;
// Pieces about this many pixels of arc long, at least kMinPieces per segment.
constexpr double kPieceLength = 12.0;
constexpr int32_t kMinPieces = 8;
constexpr int32_t kMaxPieces = 1024;

Vec2d Lerp(const Vec2d& a, const Vec2d& b, double t) { return a * (1.0 - t) + b * t; }

// The cubic's polar form: Blossom(P, u, u, u) is the curve at u, and the
// sub-curve over [u, v] has the control points (uuu, uuv, uvv, vvv).
Vec2d Blossom(const Vec2d p[4], double u, double v, double w) {
  const Vec2d q0 = Lerp(p[0], p[1], u);
  const Vec2d q1 = Lerp(p[1], p[2], u);
  const Vec2d q2 = Lerp(p[2], p[3], u);
  const Vec2d r0 = Lerp(q0, q1, v);
  const Vec2d r1 = Lerp(q1, q2, v);
  return Lerp(r0, r1, w);
}

double DistanceToSegment(const Vec2d& p, const Vec2d& a, const Vec2d& b) {
  const Vec2d ab = b - a;
  const double l2 = ab.LengthSquared();
  double t = l2 > 0.0 ? (p - a).Dot(ab) / l2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return (p - (a + ab * t)).Length();
}

}  // namespace

double StrokeReach::Piece::DistanceSquaredToChord(double px, double py) const {
  const double dx = px - a.x;
  const double dy = py - a.y;
  double t = abLengthSquared > 0.0 ? (dx * ab.x + dy * ab.y) / abLengthSquared : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = dx - ab.x * t;
  const double ey = dy - ab.y * t;
  return ex * ex + ey * ey;
}

void StrokeReach::AddPiece(const Vec2d c[4], double halfWidth) {
  const double dev = std::max(DistanceToSegment(c[1], c[0], c[3]),
                              DistanceToSegment(c[2], c[0], c[3]));
  const double slack = dev + kMargin;
  const double reach = halfWidth + slack;
  Piece piece;
  piece.xMin = std::min(c[0].x, c[3].x) - reach;
  piece.xMax = std::max(c[0].x, c[3].x) + reach;
  piece.yMin = std::min(c[0].y, c[3].y) - reach;
  piece.yMax = std::max(c[0].y, c[3].y) + reach;
  piece.a = c[0];
  piece.ab = c[3] - c[0];
  piece.abLengthSquared = piece.ab.LengthSquared();
  piece.slack = slack;
  pieces_.push_back(piece);
}

void StrokeReach::AddSegment(const BezierCurve& curve, double halfWidth) {
  const Vec2d* p = curve.ControlPoints();
  const double length = curve.Length();
  int32_t count = kMinPieces;
  if (std::isfinite(length)) {
    count = std::clamp(static_cast<int32_t>(std::ceil(length / kPieceLength)), kMinPieces,
                       kMaxPieces);
  }
  Segment segment{static_cast<int32_t>(pieces_.size()), 0, 0, 0};
  for (int32_t k = 0; k < count; ++k) {
    const double u = static_cast<double>(k) / count;
    const double v = static_cast<double>(k + 1) / count;
    const Vec2d c[4] = {Blossom(p, u, u, u), Blossom(p, u, u, v), Blossom(p, u, v, v),
                        Blossom(p, v, v, v)};
    AddPiece(c, halfWidth);
  }
  segment.endPiece = static_cast<int32_t>(pieces_.size());
  AddGroups(segment);
  segments_.push_back(segment);
}

void StrokeReach::AddGroups(Segment& segment) {
  segment.firstGroup = static_cast<int32_t>(groups_.size());
  for (int32_t k = segment.firstPiece; k < segment.endPiece; k += kGroupPieces) {
    const Piece& first = pieces_[static_cast<std::size_t>(k)];
    Group group{first.xMin, first.xMax, first.yMin, first.yMax, k,
                std::min(k + kGroupPieces, segment.endPiece)};
    for (int32_t j = k + 1; j < group.endPiece; ++j) {
      const Piece& piece = pieces_[static_cast<std::size_t>(j)];
      group.xMin = std::min(group.xMin, piece.xMin);
      group.xMax = std::max(group.xMax, piece.xMax);
      group.yMin = std::min(group.yMin, piece.yMin);
      group.yMax = std::max(group.yMax, piece.yMax);
    }
    groups_.push_back(group);
  }
  segment.endGroup = static_cast<int32_t>(groups_.size());
}

void StrokeReach::AddPoint(const Vec2d& point, double halfWidth) {
  const Vec2d c[4] = {point, point, point, point};
  Segment segment{static_cast<int32_t>(pieces_.size()), 0, 0, 0};
  AddPiece(c, halfWidth);
  segment.endPiece = static_cast<int32_t>(pieces_.size());
  AddGroups(segment);
  segments_.push_back(segment);
}

void StrokeReach::ColumnSpans(int32_t x, std::vector<RowSpan>& spans) const {
  spans.clear();
  if (spans.capacity() < pieces_.size()) {
    spans.reserve(pieces_.size());
  }
  // Pixel column x covers [x, x + 1]; a pixel row y covers [y, y + 1].
  const double left = x;
  const double right = x + 1.0;
  for (const Piece& piece : pieces_) {
    if (piece.xMax < left || piece.xMin > right) {
      continue;
    }
    const double first = std::floor(piece.yMin) - 1.0;
    const double last = std::floor(piece.yMax);
    // Beyond any world: keep the conversion in range.
    const auto clampRow = [](double v) { return std::clamp(v, -2.0e9, 2.0e9); };
    spans.push_back(RowSpan{static_cast<int32_t>(clampRow(first)),
                            static_cast<int32_t>(clampRow(last))});
  }
  std::sort(spans.begin(), spans.end(),
            [](const RowSpan& a, const RowSpan& b) { return a.first < b.first; });
  std::size_t merged = 0;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (merged > 0 && spans[i].first <= spans[merged - 1].last + 1) {
      spans[merged - 1].last = std::max(spans[merged - 1].last, spans[i].last);
    } else {
      spans[merged++] = spans[i];
    }
  }
  spans.resize(merged);
}
