#include "stroke/CurveSampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gradient/Gradient.h"
#include "host/embedded/EmbeddedHost.h"
#include "render/Formulas.h"
#include "stroke/PathBuilders.h"

namespace {

using paths::Mirrored;

// Dot A at position 0 and dot B at 1, mixed linearly.
constexpr PF_Pixel16 kDotA{32768, 32768, 8192, 0};
constexpr PF_Pixel16 kDotB{16384, 0, 4096, 32768};

struct Rig {
  explicit Rig(double h, double falloff = 0.2, PF_Quality quality = PF_Quality_LO) {
    host.SetQuality(quality);
    settings = StrokeSettings{};
    settings.halfWidth = h;
    settings.falloff = falloff;
    settings.repeats = 1;
    gradient.SetSettings(&settings);
    gradient.AddDot(ColorDot{true, kDotA, 0.0});
    gradient.AddDot(ColorDot{true, kDotB, 1.0});
    settings.gradient = &gradient;
  }
  StrokeSettings With(PathObject* path, int32_t endStyle = 0, int32_t mode = 0) const {
    StrokeSettings s = settings;
    s.path = path;
    s.endPointStyle = endStyle;
    s.gradientMode = mode;
    return s;
  }
  embedded::EmbeddedHost host;
  StrokeSettings settings;
  Gradient gradient;
};

template <typename P>
bool Same(const P& a, const P& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// ---- Falloff and the edge of the stroke ----------------------------------------------------

struct FalloffCase {
  double f, r, alpha;
};

class FalloffTest : public ::testing::TestWithParam<FalloffCase> {};

TEST_P(FalloffTest, OneMinusRToTheExponent) {
  Rig rig(8.0, GetParam().f);
  FakePath path({Mirrored(50, 50, 52, 52)}, true);
  CurveSampler<PF_Pixel16> sampler(rig.host.InData(), rig.With(&path));
  EXPECT_EQ(sampler.Falloff(GetParam().r * 8.0), GetParam().alpha);
}

INSTANTIATE_TEST_SUITE_P(Exponents, FalloffTest,
                         ::testing::Values(FalloffCase{0.0, 0.5, 1.0 - 0.0009765625},  // 0.5^10
                                           FalloffCase{1.0, 0.0, 0.0},  // 0^0 = 1: nothing
                                           FalloffCase{1.0, 0.5, 0.0},
                                           FalloffCase{0.2, 1.0, 0.0}));

template <typename P>
void CheckEdge() {
  // The point (10.5, 10.5) with h = 5: pixel (13, 14) has its centre exactly 5 away.
  Rig rig(5.0);
  FakePath path({Mirrored(10.5, 10.5, 12, 13)}, true);
  CurveSampler<P> sampler(rig.host.InData(), rig.With(&path));
  P color;
  double alpha = -1.0;
  ASSERT_TRUE(sampler.Shade(5.0, color, alpha));
  EXPECT_EQ(alpha, 0.0);
  EXPECT_FALSE(sampler.Shade(5.0 + 1e-9, color, alpha));
  const P b = formulas::InDepth<P>(PF_Pixel16{20000, 30000, 12000, 4000});
  EXPECT_TRUE(Same(sampler.ShadePixel(13, 14, b), formulas::Blend(color, 0.0, b)));
  EXPECT_TRUE(Same(sampler.ShadePixel(14, 14, b), b));
}

TEST(CurveSamplerEdge, ExactlyHIsShadedWithAlphaZero8) { CheckEdge<PF_Pixel>(); }
TEST(CurveSamplerEdge, ExactlyHIsShadedWithAlphaZero16) { CheckEdge<PF_Pixel16>(); }

// ---- Ends and modes ----------------------------------------------------------------------

// Any shading changes this opaque 8-bit background, even at weight 0.
bool Shaded(CurveSampler<PF_Pixel>& sampler, int32_t x, int32_t y) {
  const PF_Pixel b{255, 10, 20, 30};
  return !Same(sampler.ShadePixel(x, y, b), b);
}

class EndStyleTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(EndStyleTest, FlatEndsCutSquarelyRoundEndsDoNot) {
  const bool flat = GetParam() == 1;
  Rig rig(6.0);
  FakePath path = paths::Horizontal(10.5, 60.5, 20.5);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, GetParam()));
  for (int32_t y = 12; y <= 29; ++y) {
    for (int32_t x = 0; x <= 70; ++x) {
      if (x == 10 || x == 60) continue;  // centres on the cap lines
      const double cx = x + 0.5;
      const double beyond = cx < 10.5 ? 10.5 - cx : (cx > 60.5 ? cx - 60.5 : 0.0);
      const double dy = std::fabs(y + 0.5 - 20.5);
      const bool expected = flat ? beyond == 0.0 && dy <= 6.0
                                 : std::sqrt(beyond * beyond + dy * dy) <= 6.0;
      EXPECT_EQ(Shaded(sampler, x, y), expected) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RoundAndFlat, EndStyleTest, ::testing::Values(0, 1));

std::vector<PathPoint> Triangle() {
  return {Mirrored(20, 20, 10, 30), Mirrored(90, 25, 80, 15), Mirrored(55, 85, 70, 85)};
}

std::vector<PF_Pixel> ShadeBox(Rig& rig, bool closed, int32_t endStyle, int32_t mode) {
  FakePath path(Triangle(), !closed);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, endStyle, mode));
  std::vector<PF_Pixel> out;
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 110; ++x) out.push_back(sampler.ShadePixel(x, y, {255, 60, 60, 60}));
  }
  return out;
}

struct SameImageCase {
  bool closed;
  int32_t endStyle[2];
  int32_t mode[2];
};

class SameImageTest : public ::testing::TestWithParam<SameImageCase> {};

TEST_P(SameImageTest, SettingHasNoEffect) {
  const SameImageCase c = GetParam();
  Rig rig(7.0, 0.2, PF_Quality_HI);
  const auto a = ShadeBox(rig, c.closed, c.endStyle[0], c.mode[0]);
  const auto b = ShadeBox(rig, c.closed, c.endStyle[1], c.mode[1]);
  int changed = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_TRUE(Same(a[i], b[i])) << i % 110 << "," << i / 110;
    changed += Same(a[i], PF_Pixel{255, 60, 60, 60}) ? 0 : 1;
  }
  EXPECT_GT(changed, 1000);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SameImageTest,
    ::testing::Values(SameImageCase{true, {0, 1}, {0, 0}},    // closed: "Flat" as "Round"
                      SameImageCase{false, {0, 0}, {0, 1}}));  // open: "Inside Only" as "Normal"

struct CoverageCase {
  PF_Quality quality;
  bool fraction;  // coverage k/9, else 1.0
};

class CoverageTest : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(CoverageTest, InsideOnlyBoundaryPixels) {
  Rig rig(7.0, 0.2, GetParam().quality);
  FakePath path(Triangle(), false);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, 0, 1));
  FakePath again(Triangle(), false);
  BezierPath reference(&again);
  int checked = 0;
  for (int32_t y = 10; y < 40; ++y) {
    for (int32_t x = 20; x < 90; ++x) {
      int32_t cls = 0;
      double k9 = 0.0;
      reference.Classify(x, y, cls, &k9);
      if (cls != BezierPath::kBoundary || k9 <= 0.0 || k9 >= 1.0) continue;
      double coverage = -1.0;
      double d = 0.0;
      ASSERT_TRUE(sampler.PixelGate(x, y, coverage, d));
      EXPECT_EQ(coverage, GetParam().fraction ? k9 : 1.0);
      ++checked;
    }
  }
  EXPECT_GT(checked, 10);
}

INSTANTIATE_TEST_SUITE_P(Qualities, CoverageTest,
                         ::testing::Values(CoverageCase{PF_Quality_LO, false},
                                           CoverageCase{PF_Quality_HI, true}));

TEST(CurveSamplerSupersampling, FourOfSixteenHitsGiveWeightAQuarter) {
  // The path ends at x = 50.25: in pixel (50, 20) only the four sub-samples at
  // x = 50.125 have a foot on the curve. h = 1000 and no falloff make their
  // alpha exactly 1; their positions (below 0.0004) mix the two dots.
  const double h = 1000.0;
  Rig rig(h, 0.0, PF_Quality_HI);
  FakePath path = paths::Horizontal(-49.75, 50.25, 20.5);
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
  EXPECT_TRUE(Same(sampler.ShadePixel(50, 20, b), formulas::Blend(mean, 0.25, b)));
}

// ---- Skipping far segments never changes a pixel ------------------------------------------

// ShadePixel's answer from the unpruned public gates.
PF_Pixel Unpruned(CurveSampler<PF_Pixel>& s, bool super, int32_t x, int32_t y, const PF_Pixel& b) {
  double d = 0.0;
  double a = 0.0;
  PF_Pixel c;
  if (super && s.Geometry().NearFlatEnd(x, y)) {
    double alphaSum = 0.0;
    uint32_t sum[4] = {0, 0, 0, 0};
    uint32_t hits = 0;
    for (int i = 0; i < 16; ++i) {
      if (s.SubSampleGate(x + 0.125 + 0.25 * (i / 4), y + 0.125 + 0.25 * (i % 4), x, y, d) &&
          s.Shade(d, c, a)) {
        alphaSum += a;
        sum[0] += c.alpha, sum[1] += c.red, sum[2] += c.green, sum[3] += c.blue;
        ++hits;
      }
    }
    if (hits == 0) return b;
    const PF_Pixel mean{static_cast<A_u_char>(sum[0] / hits), static_cast<A_u_char>(sum[1] / hits),
                        static_cast<A_u_char>(sum[2] / hits), static_cast<A_u_char>(sum[3] / hits)};
    return formulas::Blend(mean, (alphaSum / hits) * (hits * 0.0625), b);
  }
  double coverage = 0.0;
  if (s.PixelGate(x, y, coverage, d) && s.Shade(d, c, a)) {
    return formulas::Blend(c, coverage * a, b);
  }
  return b;
}

struct PruneCase {
  int32_t endStyle;
  PF_Quality quality;
  bool closed;
  int32_t mode;
};

class PruneTest : public ::testing::TestWithParam<PruneCase> {};

TEST_P(PruneTest, ShadePixelEqualsTheUnprunedGates) {
  const PruneCase c = GetParam();
  Rig rig(9.0, 0.3, c.quality);
  FakePath path({Mirrored(15, 30, 5, 50), Mirrored(60, 10, 40, 10), Mirrored(70, 60, 90, 40),
                 Mirrored(30, 70, 40, 90)},
                !c.closed);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path, c.endStyle, c.mode));
  const bool super = c.quality == PF_Quality_HI && sampler.Geometry().FlatEnds();
  const PF_Pixel b{255, 60, 60, 60};
  for (int32_t y = -5; y < 95; ++y) {
    for (int32_t x = -5; x < 105; ++x) {
      ASSERT_TRUE(Same(sampler.ShadePixel(x, y, b), Unpruned(sampler, super, x, y, b))) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, PruneTest,
                         ::testing::Values(PruneCase{0, PF_Quality_HI, false, 0},
                                           PruneCase{1, PF_Quality_HI, false, 0},
                                           PruneCase{0, PF_Quality_LO, true, 1}));

}  // namespace
