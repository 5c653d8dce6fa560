#include "stroke/CurveSampler.h"

#include <algorithm>
#include <cmath>

#include "Common/CommonTools.h"
#include "gradient/Gradient.h"
#include "gradient/GradientPlacement.h"
#include "path/BezierCurve.h"
#include "path/PathObject.h"

namespace {

constexpr int32_t kModeInsideOnly = 1;
constexpr int32_t kModeOutsideOnly = 2;
constexpr double kNoDistanceYet = 1e50;  // a squared distance

// trunc(weight * full) as an unsigned channel value. A NaN weight (a zero half
// width at the centre line) gives 0, as a truncating conversion to a 32-bit
// integer narrowed to the channel width does.
template <typename Channel>
uint32_t WeightToChannel(double scaled) {
  if (std::isnan(scaled)) {
    return 0;
  }
  return static_cast<Channel>(static_cast<int32_t>(scaled));
}

}  // namespace

template <typename P>
CurveSampler<P>::CurveSampler(PF_InData* in_data, StrokeSettings settings)
    : path_(settings.path),
      centreLine_(settings.path),
      halfWidth_(settings.halfWidth),
      segmentCount_(0),
      gradient_(settings.gradient),
      flatEnds_(false),
      geometry_(centreLine_, settings.path, settings.halfWidth, settings.endPointStyle != 0),
      settings_(settings),
      in_data_(in_data) {
  segmentCount_ = path_->NumSegments();
  flatEnds_ = geometry_.FlatEnds();
  closed_ = !path_->IsOpen();
  lowQuality_ = in_data_->quality == PF_Quality_LO;
  supersample_ = in_data_->quality == PF_Quality_HI && flatEnds_;
  // The falloff exponent 10 - 10 (1 - (1 - f)^3), with (1 - f)^3 as k * k * k.
  const double k = 1.0 - settings_.falloff;
  falloffExponent_ = 10.0 - 10.0 * (1.0 - k * k * k);

  if (geometry_.IsPointPath()) {
    reach_.AddPoint(geometry_.Point(), halfWidth_);
  } else {
    Array1D<BezierCurve>& curves = centreLine_.Curves();
    for (int32_t i = 0; i < segmentCount_; ++i) {
      reach_.AddSegment(curves[i], halfWidth_);
    }
  }
}

template <typename P>
bool CurveSampler<P>::ModeApplies() const {
  const int32_t mode = settings_.gradientMode;
  return segmentCount_ > 0 && closed_ && (mode == kModeInsideOnly || mode == kModeOutsideOnly);
}

template <typename P>
void CurveSampler<P>::BuildSharedParts(const BezierPath::RunJobs& run) {
  centreLine_.Curves();
  if (ModeApplies()) {
    // The grid lookups of Classify and the polygon of IsInside.
    centreLine_.BuildGrid(BezierPath::kFlatteningStep, -1, -1, run);
  }
  gradient_->SortOnce();
  geometry_.StrokeBounds();
}

// One distance query's progress over the segments.
template <typename P>
struct CurveSampler<P>::Search {
  Search(int32_t x, int32_t y, double px, double py, double halfWidth)
      : ix(x), iy(y), p(px, py), radius(halfWidth) {}
  int32_t ix, iy;
  Vec2d p;
  double best = kNoDistanceYet;
  // Beyond this radius a segment cannot change what is painted: it is beyond
  // the half width (nothing is shaded either way) or not nearer than the best
  // so far (a candidate must be strictly nearer to win).
  double radius;
  bool found = false;

  void Take(double d2) {
    if (d2 < best) {
      best = d2;
      found = true;
      radius = std::min(radius, std::sqrt(best));
    }
  }
};

// Each search visits the segments in order and takes, per segment, its curve's
// nearest point and then the joint's, exactly as it would alone; where both
// searches of a pair query the same curve, the two queries run interleaved
// (ClosestPointPair), which gives each the answer it would get alone.
template <typename P>
template <int N>
void CurveSampler<P>::SearchSegments(Search* searches, bool prune) {
  // With flat ends only interior perpendicular feet count, so the stroke ends
  // squarely at the path's ends and at each joint.
  const bool includeEnds = !flatEnds_;
  const Array1D<BBox>& boxes = geometry_.SegmentBoxes();
  const Array1D<ThickPathHelper::ConnectSquare>& squares = geometry_.ConnectSquares();
  Array1D<BezierCurve>& curves = centreLine_.Curves();
  for (int32_t i = 0; i < segmentCount_; ++i) {
    bool inBox[N], query[N];
    for (int k = 0; k < N; ++k) {
      const Search& s = searches[k];
      inBox[k] = boxes[i].Contains(s.ix, s.iy);
      query[k] = inBox[k] && (!prune || reach_.MayReachSegment(i, s.p.x, s.p.y, s.radius));
    }
    if constexpr (N == 2) {
      if (query[0] && query[1]) {
        const Vec2d p[2] = {searches[0].p, searches[1].p};
        bool found[2];
        Vec2d q[2];
        curves[i].ClosestPointPair(p, found, q, includeEnds, includeEnds, 0.0, 1.0);
        for (int k = 0; k < N; ++k) {
          if (found[k]) searches[k].Take((p[k] - q[k]).LengthSquared());
          query[k] = false;
        }
      }
    }
    for (int k = 0; k < N; ++k) {
      Search& s = searches[k];
      Vec2d q;
      if (query[k] && curves[i].ClosestPoint(s.p, q, includeEnds, includeEnds, 0.0, 1.0)) {
        s.Take((s.p - q).LengthSquared());
      }
    }
    // The round fill of the outer wedge between segments i and i + 1.
    if (flatEnds_ && i < squares.Count() && squares[i].valid) {
      const ThickPathHelper::ConnectSquare& square = squares[i];
      for (int k = 0; k < N; ++k) {
        Search& s = searches[k];
        if (inBox[k] && square.Contains(s.p.x, s.p.y)) s.Take((s.p - square.joint).LengthSquared());
      }
    }
  }
}

template <typename P>
bool CurveSampler<P>::Nearest(int32_t ix, int32_t iy, double px, double py, double& distance,
                              bool prune) {
  if (geometry_.IsPointPath()) {
    if (!geometry_.PointBox().Contains(ix, iy)) {
      return false;
    }
    distance = (Vec2d(px, py) - geometry_.Point()).Length();
    return true;
  }
  Search search(ix, iy, px, py, halfWidth_);
  SearchSegments<1>(&search, prune);
  if (search.found) {
    distance = std::sqrt(search.best);
  }
  return search.found;
}

template <typename P>
bool CurveSampler<P>::ModeGate(int32_t x, int32_t y, double& coverage) {
  coverage = 1.0;
  if (!ModeApplies()) return true;
  int32_t cellClass = BezierPath::kOutside;
  double fraction = 0.0;
  // Low quality takes the cell's class only: boundary pixels count whole.
  centreLine_.Classify(x, y, cellClass, lowQuality_ ? nullptr : &fraction);
  if (settings_.gradientMode == kModeInsideOnly) {
    if (cellClass == BezierPath::kOutside) return false;
    if (!lowQuality_) coverage = fraction;
  } else {
    if (cellClass == BezierPath::kInside) return false;
    if (!lowQuality_) coverage = 1.0 - fraction;
  }
  return true;
}

template <typename P>
bool CurveSampler<P>::PixelGateImpl(int32_t x, int32_t y, double& coverage, double& distance,
                                    bool prune) {
  return ModeGate(x, y, coverage) && Nearest(x, y, x + 0.5, y + 0.5, distance, prune);
}

template <typename P>
bool CurveSampler<P>::SubSampleModeGate(double px, double py) {
  if (ModeApplies()) {
    const int32_t mode = settings_.gradientMode;
    if (mode == kModeInsideOnly && !centreLine_.IsInside(px, py)) {
      return false;
    }
    if (mode == kModeOutsideOnly && centreLine_.IsInside(px, py)) {
      return false;
    }
  }
  return true;
}

template <typename P>
bool CurveSampler<P>::SubSampleGateImpl(double px, double py, int32_t ix, int32_t iy,
                                        double& distance, bool prune) {
  return SubSampleModeGate(px, py) && Nearest(ix, iy, px, py, distance, prune);
}

template <typename P>
void CurveSampler<P>::NearestPair(Search (&searches)[2], const bool open[2], bool found[2],
                                  double distance[2]) {
  if (!geometry_.IsPointPath() && open[0] && open[1]) {
    SearchSegments<2>(searches, true);
    for (int k = 0; k < 2; ++k) {
      found[k] = searches[k].found;
      if (found[k]) distance[k] = std::sqrt(searches[k].best);
    }
    return;
  }
  for (int k = 0; k < 2; ++k) {
    const Search& s = searches[k];
    found[k] = open[k] && Nearest(s.ix, s.iy, s.p.x, s.p.y, distance[k], true);
  }
}

template <typename P>
bool CurveSampler<P>::DistanceQuery(int32_t ix, int32_t iy, double px, double py,
                                    double& distance) {
  return Nearest(ix, iy, px, py, distance, false);
}

template <typename P>
bool CurveSampler<P>::PixelGate(int32_t x, int32_t y, double& coverage, double& distance) {
  return PixelGateImpl(x, y, coverage, distance, false);
}

template <typename P>
bool CurveSampler<P>::SubSampleGate(double px, double py, int32_t ix, int32_t iy,
                                    double& distance) {
  return SubSampleGateImpl(px, py, ix, iy, distance, false);
}

template <typename P>
double CurveSampler<P>::Falloff(double distance) const {
  if (distance > halfWidth_) {
    return 0.0;
  }
  const double r = distance / halfWidth_;
  return 1.0 - std::pow(r, falloffExponent_);
}

template <typename P>
bool CurveSampler<P>::Shade(double distance, P& color, double& alpha) {
  // A point exactly at the half width is shaded (with alpha 0).
  if (distance > halfWidth_) {
    return false;
  }
  color = Traits::FromPixel16(gradient_->ColorAt(PlaceOnGradient(settings_, distance)));
  alpha = Falloff(distance);
  return true;
}

template <typename P>
P CurveSampler<P>::Blend(const P& color, double weight, const P& background) {
  using Channel = typename Traits::Channel;
  const uint32_t w = WeightToChannel<Channel>(weight * Traits::kMax);
  const uint32_t w2 = (w * color.alpha) >> Traits::kShift;
  // The colour at full alpha over the background flattened by its own alpha,
  // its alpha kept.
  P source = color;
  source.alpha = static_cast<Channel>(Traits::kMax);
  P back = FlattenOnBlack(background);
  back.alpha = background.alpha;
  return BlendPixels(back, source, w2);
}

template <typename P>
P CurveSampler<P>::Supersample(int32_t x, int32_t y, const P& background) {
  double alphaSum = 0.0;
  uint32_t sumAlpha = 0;
  uint32_t sumRed = 0;
  uint32_t sumGreen = 0;
  uint32_t sumBlue = 0;
  uint32_t hits = 0;
  for (int i = 0; i < 4; ++i) {
    // Sub-samples j and j + 1 of a column: their searches run as a pair,
    // and they are summed in the order j, j + 1 as one by one.
    for (int j = 0; j < 4; j += 2) {
      const double px = x + 0.125 + 0.25 * i;
      const double py[2] = {y + 0.125 + 0.25 * j, y + 0.125 + 0.25 * (j + 1)};
      const bool open[2] = {SubSampleModeGate(px, py[0]), SubSampleModeGate(px, py[1])};
      Search searches[2] = {Search(x, y, px, py[0], halfWidth_), Search(x, y, px, py[1], halfWidth_)};
      bool found[2];
      double d[2];
      NearestPair(searches, open, found, d);
      for (int k = 0; k < 2; ++k) {
        P c;
        double a = 0.0;
        if (!found[k] || !Shade(d[k], c, a)) {
          continue;
        }
        alphaSum += a;
        sumAlpha += c.alpha;
        sumRed += c.red;
        sumGreen += c.green;
        sumBlue += c.blue;
        ++hits;
      }
    }
  }
  if (hits == 0) {
    return background;
  }
  using Channel = typename Traits::Channel;
  P color;
  color.alpha = static_cast<Channel>(sumAlpha / hits);
  color.red = static_cast<Channel>(sumRed / hits);
  color.green = static_cast<Channel>(sumGreen / hits);
  color.blue = static_cast<Channel>(sumBlue / hits);
  // Misses count as transparent in the weight but not in the colour: alphaSum / 16.
  const double weight = (alphaSum / hits) * (hits * 0.0625);
  return Blend(color, weight, background);
}

template <typename P>
P CurveSampler<P>::ShadeAtDistance(double distance, double coverage, const P& background) {
  P color;
  double alpha = 0.0;
  if (!Shade(distance, color, alpha)) {
    return background;
  }
  return Blend(color, coverage * alpha, background);
}

template <typename P>
P CurveSampler<P>::ShadePixel(int32_t x, int32_t y, const P& background) {
  if (supersample_ && geometry_.NearFlatEnd(x, y)) {
    return Supersample(x, y, background);
  }
  double coverage = 1.0;
  double d = 0.0;
  if (!PixelGateImpl(x, y, coverage, d, true)) {
    return background;
  }
  return ShadeAtDistance(d, coverage, background);
}

template <typename P>
void CurveSampler<P>::ShadePixelPair(int32_t x, int32_t y, const P background[2], P shaded[2]) {
  if (supersample_ && (geometry_.NearFlatEnd(x, y) || geometry_.NearFlatEnd(x, y + 1))) {
    for (int k = 0; k < 2; ++k) shaded[k] = ShadePixel(x, y + k, background[k]);
    return;
  }
  // ShadePixel's steps for each pixel, the two distance searches paired.
  double coverage[2];
  const bool open[2] = {ModeGate(x, y, coverage[0]), ModeGate(x, y + 1, coverage[1])};
  Search searches[2] = {Search(x, y, x + 0.5, y + 0.5, halfWidth_),
                        Search(x, y + 1, x + 0.5, (y + 1) + 0.5, halfWidth_)};
  bool found[2];
  double d[2];
  NearestPair(searches, open, found, d);
  for (int k = 0; k < 2; ++k) {
    shaded[k] = found[k] ? ShadeAtDistance(d[k], coverage[k], background[k]) : background[k];
  }
}

template class CurveSampler<PF_Pixel>;
template class CurveSampler<PF_Pixel16>;
