// The thick path around a curve and the sampler that shades it, on paths whose control points
// are all known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <tuple>
#include <vector>

#include "gradient/Gradient.h"
#include "path/BezierPath.h"
#include "path/FakePath.h"
#include "stroke/CurveSampler.h"
#include "stroke/ThickPathHelper.h"
#include "tests/render/FrameHarness.h"

namespace {

// A vertex at (x, y) with incoming handle (inX, inY) and the outgoing handle its mirror, as the
// point groups give them.
PathPoint Mirrored(double x, double y, double inX, double inY) {
  PathPoint p;
  p.active = true;
  p.vertex = {x, y, inX, inY, 2.0 * x - inX, 2.0 * y - inY};
  return p;
}

// A straight horizontal path at height y from x0 to x1, handles on the line a third of the way
// along.
FakePath Horizontal(double x0, double x1, double y) {
  const double third = (x1 - x0) / 3.0;
  return FakePath({Mirrored(x0, y, x0 - third, y), Mirrored(x1, y, x1 - third, y)}, true);
}

std::tuple<int32_t, int32_t, int32_t, int32_t> Corners(const BBox& b) {
  return {b.xMin, b.xMax, b.yMin, b.yMax};
}

TEST(ThickPathHelper, PointPathBoxIsTwoPadsPlusOneAndBoundsOneWider) {
  // pad = trunc(h + 0.5); the point truncated toward zero.
  // clang-format off
  const struct { double x, y, h; int32_t pad, cx, cy; } cases[] = {
      {10.0, 20.0, 2.4, 2, 10, 20},
      {10.0, 20.0, 2.5, 3, 10, 20},
      {-3.7, 5.9, 1.0, 1, -3, 5}};
  // clang-format on
  for (const auto& c : cases) {
    FakePath source({Mirrored(c.x, c.y, c.x + 3, c.y + 4)}, true);
    BezierPath path(&source);
    ThickPathHelper helper(path, &source, c.h, false);
    ASSERT_TRUE(helper.IsPointPath());
    EXPECT_EQ(helper.Pad(), c.pad) << c.h;
    EXPECT_EQ(Corners(helper.StrokeBounds()),
              std::tuple(c.cx - c.pad - 1, c.cx + c.pad + 1, c.cy - c.pad - 1, c.cy + c.pad + 1));
  }
}

TEST(ThickPathHelper, CapBoxMinimumTruncatedMaximumCeiledBothWidenedByTwo) {
  EXPECT_EQ(Corners(ThickPathHelper::CapBox({-3.7, 1.2}, {4.1, -0.5})), std::tuple(-5, 7, -2, 4));
  EXPECT_EQ(Corners(ThickPathHelper::CapBox({10, 24.9}, {10, 16.1})), std::tuple(8, 12, 14, 27));
}

TEST(ThickPathHelper, NearFlatEndIsStrictlyWithinTwoOfACapLineInsideItsBox) {
  // Caps on the lines x = 10.5 and x = 60.5, y from 16.5 to 24.5.
  FakePath source = Horizontal(10.5, 60.5, 20.5);
  BezierPath path(&source);
  ThickPathHelper helper(path, &source, 4.0, true);
  // clang-format off
  const struct { int32_t x, y; bool near; } cases[] = {
      {12, 20, false} /* centre exactly 2.0 in */,
      {8, 20, false} /* exactly 2.0 before */,
      {11, 20, true},
      {9, 18, true},
      {10, 30, false} /* beyond the cap box */,
      {35, 20, false},
      {61, 17, true},
      {62, 17, false}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(helper.NearFlatEnd(c.x, c.y), c.near) << c.x << "," << c.y;
}

// Dot A at position 0 and dot B at 1, mixed linearly.
constexpr PF_Pixel16 kDotA{32768, 32768, 8192, 0};
constexpr PF_Pixel16 kDotB{16384, 0, 4096, 32768};

struct Rig {
  explicit Rig(double h, double falloff = 0.2, PF_Quality quality = PF_Quality_LO) {
    host.SetQuality(quality);
    std::tie(settings.halfWidth, settings.falloff, settings.repeats) = std::tuple(h, falloff, 1);
    gradient.SetSettings(&settings);
    gradient.AddDot(ColorDot{true, kDotA, 0.0});
    gradient.AddDot(ColorDot{true, kDotB, 1.0});
    settings.gradient = &gradient;
  }
  StrokeSettings With(PathObject* path, int32_t endStyle = 0, int32_t mode = 0) const {
    StrokeSettings s = settings;
    std::tie(s.path, s.endPointStyle, s.gradientMode) = std::tuple(path, endStyle, mode);
    return s;
  }
  embedded::EmbeddedHost host;
  StrokeSettings settings{};
  Gradient gradient;
};

using harness::SamePixel;

TEST(CurveSampler, FalloffIsOneMinusRToTheExponent) {
  // clang-format off
  const struct { double f, r, alpha; } cases[] = {
      {0.0, 0.5, 1.0 - 0.0009765625} /* 0.5^10 */,
      {1.0, 0.0, 0.0} /* 0^0 = 1: nothing */,
      {1.0, 0.5, 0.0},
      {0.2, 1.0, 0.0}};
  // clang-format on
  for (const auto& c : cases) {
    Rig rig(8.0, c.f);
    FakePath path({Mirrored(50, 50, 52, 52)}, true);
    CurveSampler<PF_Pixel16> sampler(rig.host.InData(), rig.With(&path));
    EXPECT_EQ(sampler.Falloff(c.r * 8.0), c.alpha) << c.f << " " << c.r;
  }
}

template <typename P>
void CheckDisc() {
  // The point (10.5, 10.5) with h = 5: pixel (13, 14) has its centre exactly 5 away.
  Rig rig(5.0);
  FakePath path({Mirrored(10.5, 10.5, 12, 13)}, true);
  CurveSampler<P> sampler(rig.host.InData(), rig.With(&path));
  P color;
  double alpha = -1.0;
  ASSERT_TRUE(sampler.Shade(5.0, color, alpha));
  EXPECT_EQ(alpha, 0.0);
  EXPECT_FALSE(sampler.Shade(5.0 + 1e-9, color, alpha));
  // Every pixel of the disc is the colour at its centre's distance blended with the falloff
  // weight truncated to the channel scale; the rest keep the background.
  const P b = formulas::InDepth<P>(PF_Pixel16{20000, 30000, 12000, 4000});
  for (int32_t y = 4; y <= 17; ++y) {
    for (int32_t x = 4; x <= 17; ++x) {
      const double d = std::sqrt((x - 10.0) * (x - 10.0) + (y - 10.0) * (y - 10.0));
      const bool inside = sampler.Shade(d, color, alpha);
      ASSERT_EQ(inside, d <= 5.0) << x << "," << y;
      EXPECT_TRUE(
          SamePixel(sampler.ShadePixel(x, y, b), inside ? formulas::Blend(color, alpha, b) : b))
          << x << "," << y;
    }
  }
}

TEST(CurveSampler, DiscPixelsBlendTheTruncatedFalloffAndExactlyHIsShadedWithAlphaZero) {
  CheckDisc<PF_Pixel>();
  CheckDisc<PF_Pixel16>();
}

const std::vector<PathPoint> kTriangle = {Mirrored(20, 20, 10, 30), Mirrored(90, 25, 80, 15),
                                          Mirrored(55, 85, 70, 85)};

TEST(CurveSampler, InsideOnlyBoundaryCoverageIsOneAtLowQualityAndKNinthsAtHigh) {
  for (const PF_Quality quality : {PF_Quality_LO, PF_Quality_HI}) {
    Rig rig(7.0, 0.2, quality);
    FakePath path(kTriangle, false), again(kTriangle, false);
    CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, 0, 1));
    BezierPath reference(&again);
    int checked = 0;
    for (int32_t y = 10; y < 40; ++y) {
      for (int32_t x = 20; x < 90; ++x) {
        int32_t cls = 0;
        double k9 = 0.0, coverage = -1.0, d = 0.0;
        reference.Classify(x, y, cls, &k9);
        if (cls != BezierPath::kBoundary || k9 <= 0.0 || k9 >= 1.0) continue;
        ASSERT_TRUE(sampler.PixelGate(x, y, coverage, d));
        EXPECT_EQ(coverage, quality == PF_Quality_HI ? k9 : 1.0) << quality << " " << x << "," << y;
        // A sub-sample passes where the winding test puts it inside.
        EXPECT_EQ(sampler.SubSampleGate(x + 0.125, y + 0.875, x, y, d),
                  reference.IsInside(x + 0.125, y + 0.875));
        ++checked;
      }
    }
    EXPECT_GT(checked, 10);
  }
}

// A closed path reaching 60000 pixels out: "Normal" builds no inside grid (it
// would span 60000 x 60000 cells), "Inside Only" fails as an allocation would.
TEST(CurveSampler, OnlyALimitingGradientModeBuildsTheInsideGrid) {
  Rig rig(7.0);
  const std::vector<PathPoint> far = {Mirrored(20, 20, 10, 30), Mirrored(60000, 25, 59990, 15),
                                      Mirrored(55, 60000, 70, 60000)};
  FakePath normal(far, false), inside(far, false);
  CurveSampler<PF_Pixel> plain(rig.host.InData(), rig.With(&normal, 0, 0));
  EXPECT_NO_THROW(plain.BuildSharedParts());
  CurveSampler<PF_Pixel> limited(rig.host.InData(), rig.With(&inside, 0, 1));
  EXPECT_THROW(limited.BuildSharedParts(), std::bad_alloc);
}

TEST(CurveSampler, FourOfSixteenSupersampleHitsGiveWeightAQuarter) {
  // The path ends at x = 50.25: in pixel (50, 20) only the four sub-samples at x = 50.125 have a
  // foot on the curve. h = 1000 and no falloff make their alpha exactly 1; their positions (below
  // 0.0004) mix the two dots.
  const double h = 1000.0;
  Rig rig(h, 0.0, PF_Quality_HI);
  FakePath path = Horizontal(-49.75, 50.25, 20.5);
  CurveSampler<PF_Pixel16> sampler(rig.host.InData(), rig.With(&path, 1));
  uint32_t sums[4] = {0, 0, 0, 0};
  for (double py : {20.125, 20.375, 20.625, 20.875}) {
    const auto w = static_cast<uint32_t>(std::fabs(py - 20.5) / h * 32768.0 + 0.5);
    const auto mix = [w](uint32_t a, uint32_t b) { return (b * w + a * (32768u - w)) >> 15; };
    sums[0] += mix(kDotA.alpha, kDotB.alpha);
    sums[1] += mix(kDotA.red, kDotB.red);
    sums[2] += mix(kDotA.green, kDotB.green);
    sums[3] += mix(kDotA.blue, kDotB.blue);
  }
  const PF_Pixel16 mean{static_cast<A_u_short>(sums[0] / 4), static_cast<A_u_short>(sums[1] / 4),
                        static_cast<A_u_short>(sums[2] / 4), static_cast<A_u_short>(sums[3] / 4)};
  const PF_Pixel16 b{32768, 0, 0, 32768};
  EXPECT_TRUE(SamePixel(sampler.ShadePixel(50, 20, b), formulas::Blend(mean, 0.25, b)));
}

TEST(CurveSampler, FlatEndsFillTheOuterCornerWithTheDistanceToTheJoint) {
  // A right-angled corner at J = (60.5, 20.5) (no handles there): right along
  // y = 20.5, then down x = 60.5. Outside both segments' feet, the square
  // beyond the corner takes the distance to J; farther out nothing does.
  Rig rig(8.0);
  FakePath path({Mirrored(20.5, 20.5, 10.5, 20.5), Mirrored(60.5, 20.5, 60.5, 20.5),
                 Mirrored(60.5, 60.5, 60.5, 50.5)},
                true);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, 1));
  // clang-format off
  const struct { int32_t x, y; bool found; double distance; } cases[] = {
      {63, 17, true, std::sqrt(18.0)},
      {66, 14, true, std::sqrt(72.0)},
      {61, 19, true, std::sqrt(2.0)},
      {70, 10, false, 0.0}};
  // clang-format on
  for (const auto& c : cases) {
    double coverage = 0.0, d = -1.0;
    ASSERT_EQ(sampler.PixelGate(c.x, c.y, coverage, d), c.found) << c.x << "," << c.y;
    EXPECT_TRUE(!c.found || d == c.distance) << c.x << "," << c.y << ": " << d;
  }
}

// ShadePixelPair gives the two pixels ShadePixel gives, whatever the pixels
// meet: round and flat ends (supersampled in high quality), the restricted
// modes of a closed path, joints, a point path.
TEST(CurveSampler, PairShadesAsTwoSinglePixels) {
  // clang-format off
  const struct { bool closed, point; int32_t endStyle, mode; PF_Quality quality; } rows[] = {
      {false, false, 0, 0, PF_Quality_HI},
      {false, false, 1, 0, PF_Quality_HI},
      {false, false, 1, 0, PF_Quality_LO},
      {true, false, 0, 1, PF_Quality_HI},
      {true, false, 1, 2, PF_Quality_LO},
      {false, true, 0, 0, PF_Quality_HI}};
  // clang-format on
  for (const auto& row : rows) {
    Rig rig(9.0, 0.3, row.quality);
    FakePath path(row.point ? std::vector<PathPoint>{kTriangle[0]} : kTriangle, !row.closed);
    CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, row.endStyle, row.mode));
    int shaded = 0;
    for (int32_t x = 5; x < 105; ++x) {
      for (int32_t y = 5; y < 100; y += 2) {
        const PF_Pixel under[2] = {{255, A_u_char(x), A_u_char(y), 7}, {200, 9, A_u_char(x), 90}};
        PF_Pixel pair[2];
        sampler.ShadePixelPair(x, y, under, pair);
        for (int k = 0; k < 2; ++k) {
          ASSERT_TRUE(SamePixel(pair[k], sampler.ShadePixel(x, y + k, under[k])))
              << "row " << &row - rows << " at " << x << "," << y + k;
          shaded += !SamePixel(pair[k], under[k]);
        }
      }
    }
    EXPECT_GT(shaded, 100) << "row " << &row - rows;
  }
}

}  // namespace
