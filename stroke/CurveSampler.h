// Decides, pixel by pixel, what the stroke paints: the distance from the
// centre line, the "Gradient Mode" restriction of closed paths, the gradient
// colour and "Falloff" opacity at that distance, 4 x 4 supersampling near flat
// end caps in high quality, and the integer blend over the pixel already there.
// One body for both depths (PF_Pixel, PF_Pixel16); nothing is allocated per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "Common/PixelTraits.h"
#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectCallbacks.h"
#include "path/BezierPath.h"
#include "stroke/StrokeReach.h"
#include "stroke/ThickPathHelper.h"

class Gradient;
class PathObject;

template <typename P>
class CurveSampler {
 public:
  using Traits = PixelTraits<P>;

  // settings.path must be non-null and checked out, settings.gradient set.
  CurveSampler(PF_InData* in_data, StrokeSettings settings);
  virtual ~CurveSampler() = default;
  CurveSampler(const CurveSampler&) = delete;
  CurveSampler& operator=(const CurveSampler&) = delete;

  // Builds every part that is otherwise built on first use (the curves, the
  // inside test, the sorted colour dots), after which ShadePixel changes
  // nothing and may run on several threads at once. The inside test's grid is
  // built in jobs handed to `run` (see BezierPath::BuildGrid).
  void BuildSharedParts(const BezierPath::RunJobs& run = {});

  // The pixel to store at (x, y) over `background`.
  P ShadePixel(int32_t x, int32_t y, const P& background);
  // ShadePixel of (x, y) and (x, y + 1) over background[0] and [1], the same
  // pixels, with the two distance searches interleaved (faster).
  void ShadePixelPair(int32_t x, int32_t y, const P background[2], P shaded[2]);

  // Distance from p to the nearest admitted point of the centre geometry,
  // testing only the segments whose box holds pixel (ix, iy).
  bool DistanceQuery(int32_t ix, int32_t iy, double px, double py, double& distance);
  // Whole pixel: "Gradient Mode" with its coverage, then the distance query
  // from the pixel centre.
  bool PixelGate(int32_t x, int32_t y, double& coverage, double& distance);
  // One sub-sample p of pixel (ix, iy).
  bool SubSampleGate(double px, double py, int32_t ix, int32_t iy, double& distance);
  // Colour and alpha at distance d; false beyond the half width.
  bool Shade(double distance, P& color, double& alpha);
  double Falloff(double distance) const;
  // The integer blend of a shaded colour at `weight` (0..1) over `background`.
  static P Blend(const P& color, double weight, const P& background);

  ThickPathHelper& Geometry() { return geometry_; }
  // Rows of column x that can hold a shaded pixel; every other pixel of the
  // column would come back from ShadePixel unchanged.
  void ColumnSpans(int32_t x, std::vector<StrokeReach::RowSpan>& spans) const {
    reach_.ColumnSpans(x, spans);
  }

 private:
  struct Search;

  P Supersample(int32_t x, int32_t y, const P& background);
  // The blend of the colour at `distance` at `coverage`, or the background
  // beyond the half width.
  P ShadeAtDistance(double distance, double coverage, const P& background);
  // The "Gradient Mode" restriction of pixel (x, y): false when it is not
  // shaded, else its coverage.
  bool ModeGate(int32_t x, int32_t y, double& coverage);
  // N searches (1 or 2) over the segments of a path with segments.
  template <int N>
  void SearchSegments(Search* searches, bool prune);
  // Nearest (pruned) for the searches whose gate is open, paired when both
  // are: found[k] and distance[k] as Nearest gives them.
  void NearestPair(Search (&searches)[2], const bool open[2], bool found[2], double distance[2]);
  // The "Gradient Mode" restriction of a sub-sample.
  bool SubSampleModeGate(double px, double py);
  // The queries behind the public ones; with `prune` a segment is skipped when
  // it cannot come within the half width of p (only the "not shaded" answers
  // can differ, and those leave the pixel as it was either way).
  bool Nearest(int32_t ix, int32_t iy, double px, double py, double& distance, bool prune);
  bool PixelGateImpl(int32_t x, int32_t y, double& coverage, double& distance, bool prune);
  bool SubSampleGateImpl(double px, double py, int32_t ix, int32_t iy, double& distance,
                         bool prune);
  // Whether "Gradient Mode" limits the stroke: only then are the inside
  // test's polygon and grid built (a closed path far outside the frame in
  // "Normal" would otherwise classify a grid out to its far corner for nothing).
  bool ModeApplies() const;

  PathObject* path_;
  BezierPath centreLine_;
  double halfWidth_;
  int32_t segmentCount_;
  Gradient* gradient_;
  bool flatEnds_;
  ThickPathHelper geometry_;
  StrokeSettings settings_;
  PF_InData* in_data_;

  // Fixed for the frame.
  bool closed_;
  bool supersample_;
  bool lowQuality_;
  double falloffExponent_;
  StrokeReach reach_;
};

extern template class CurveSampler<PF_Pixel>;
extern template class CurveSampler<PF_Pixel16>;
