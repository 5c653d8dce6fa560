#include "stroke/CurveSampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Common/AEException.h"
#include "gradient/Gradient.h"
#include "host/embedded/EmbeddedHost.h"
#include "path/BezierPath.h"
#include "path/FakePath.h"
#include "stroke/PathBuilders.h"

namespace {

using paths::Mirrored;

// Two dots: A at position 0, B at position 1, so the gradient position is t.
constexpr PF_Pixel16 kDotA{32768, 32768, 8192, 0};
constexpr PF_Pixel16 kDotB{16384, 0, 4096, 32768};

// Everything a sampler needs, with the settings in one place.
struct Rig {
  explicit Rig(double halfWidth, double falloff = 0.2, PF_Quality quality = PF_Quality_LO) {
    host.SetQuality(quality);
    settings = StrokeSettings{};
    settings.halfWidth = halfWidth;
    settings.falloff = falloff;
    settings.repeats = 1;
    settings.interpolation = 0;  // "RGB (linear)"
    gradient.SetSettings(&settings);
    gradient.AddDot(ColorDot{true, kDotA, 0.0});
    gradient.AddDot(ColorDot{true, kDotB, 1.0});
    settings.gradient = &gradient;
  }
  StrokeSettings With(PathObject* path) const {
    StrokeSettings s = settings;
    s.path = path;
    return s;
  }
  embedded::EmbeddedHost host;
  StrokeSettings settings;
  Gradient gradient;
};

// ---- What the formulas give, written out independently ---------------------------------

double ExpectedAlpha(double d, double h, double f) {
  if (d > h) return 0.0;
  const double k = 1.0 - f;
  const double e = 10.0 - 10.0 * (1.0 - k * k * k);
  return 1.0 - std::pow(d / h, e);
}

double ExpectedPosition(double d, double h, int repeats, double offset, int style) {
  const double x = (d / h) * repeats + offset;
  if (x >= 0.0 && x <= 1.0) return x;
  if (style == 1) {
    const double m = std::fmod(std::fabs(x), 2.0);
    return m <= 1.0 ? m : 2.0 - m;
  }
  const double m = std::fmod(x, 1.0);
  return m < 0.0 ? m + 1.0 : m;
}

// The linear mix of the two dots at t.
PF_Pixel16 ExpectedColor16(double t) {
  const auto w = static_cast<uint32_t>(t * 32768.0 + 0.5);
  const auto mix = [w](uint32_t a, uint32_t b) {
    return static_cast<A_u_short>((b * w + a * (32768u - w)) >> 15);
  };
  return {mix(kDotA.alpha, kDotB.alpha), mix(kDotA.red, kDotB.red),
          mix(kDotA.green, kDotB.green), mix(kDotA.blue, kDotB.blue)};
}

A_u_char To8(A_u_short c) { return static_cast<A_u_char>((c * 255u + 16384u) >> 15); }

template <typename P>
P ExpectedColor(double t);
template <>
PF_Pixel16 ExpectedColor<PF_Pixel16>(double t) { return ExpectedColor16(t); }
template <>
PF_Pixel ExpectedColor<PF_Pixel>(double t) {
  const PF_Pixel16 c = ExpectedColor16(t);
  return {To8(c.alpha), To8(c.red), To8(c.green), To8(c.blue)};
}

// The integer blend: w = trunc(weight M), w2 = w a >> s, background flattened.
template <typename P>
P ExpectedBlend(const P& c, double weight, const P& b) {
  const uint32_t full = sizeof(P) == 4 ? 255u : 32768u;
  const int s = sizeof(P) == 4 ? 8 : 15;
  const auto w = static_cast<uint32_t>(weight * full);
  const uint32_t w2 = (w * c.alpha) >> s;
  P r;
  using C = decltype(r.alpha);
  r.alpha = static_cast<C>((full * w2 + b.alpha * (full - w2)) >> s);
  r.red = static_cast<C>((c.red * w2 + ((b.red * b.alpha) >> s) * (full - w2)) >> s);
  r.green = static_cast<C>((c.green * w2 + ((b.green * b.alpha) >> s) * (full - w2)) >> s);
  r.blue = static_cast<C>((c.blue * w2 + ((b.blue * b.alpha) >> s) * (full - w2)) >> s);
  return r;
}

template <typename P>
void ExpectPixel(const P& got, const P& want, const char* what) {
  EXPECT_EQ(got.alpha, want.alpha) << what;
  EXPECT_EQ(got.red, want.red) << what;
  EXPECT_EQ(got.green, want.green) << what;
  EXPECT_EQ(got.blue, want.blue) << what;
}

template <typename P>
bool Same(const P& a, const P& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// ---- Falloff -------------------------------------------------------------------------

struct FalloffCase {
  double f, r, expected;
};

class FalloffTest : public ::testing::TestWithParam<FalloffCase> {};

TEST_P(FalloffTest, OneMinusRToTheExponent) {
  const FalloffCase c = GetParam();
  Rig rig(8.0, c.f);
  FakePath path({Mirrored(50, 50, 52, 52)}, true);
  CurveSampler<PF_Pixel16> sampler(rig.host.InData(), rig.With(&path));
  EXPECT_DOUBLE_EQ(sampler.Falloff(c.r * 8.0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Exponents, FalloffTest,
    ::testing::Values(FalloffCase{0.0, 0.5, 1.0 - 0.0009765625},  // 1 - 0.5^10
                      FalloffCase{0.0, 0.0, 1.0},
                      FalloffCase{1.0, 0.0, 0.0},  // exponent 0: 0^0 = 1, even the centre
                      FalloffCase{1.0, 0.5, 0.0},
                      FalloffCase{0.5, 0.5, 1.0 - std::pow(0.5, 10.0 - 10.0 * (1.0 - 0.125))},
                      FalloffCase{0.2, 1.0, 0.0},    // at the edge
                      FalloffCase{0.2, 1.25, 0.0},   // beyond it
                      FalloffCase{0.2, 0.3, ExpectedAlpha(2.4, 8.0, 0.2)}));

// ---- The integer blend, worked by hand ---------------------------------------------------

struct Blend8Case {
  PF_Pixel color;
  double weight;
  PF_Pixel background;
  PF_Pixel expected;
};

class Blend8Test : public ::testing::TestWithParam<Blend8Case> {};

TEST_P(Blend8Test, DividesBy256) {
  const Blend8Case c = GetParam();
  ExpectPixel(CurveSampler<PF_Pixel>::Blend(c.color, c.weight, c.background), c.expected, "8");
}

INSTANTIATE_TEST_SUITE_P(
    Hand, Blend8Test,
    ::testing::Values(
        // Weight 1 over clear: w2 = 255 * 255 >> 8 = 254, alpha (255 * 254) >> 8 = 253.
        Blend8Case{{255, 200, 100, 50}, 1.0, {0, 0, 0, 0}, {253, 198, 99, 49}},
        // Weight 0: the background flattened by its alpha, then scaled by 255 / 256.
        Blend8Case{{255, 200, 100, 50}, 0.0, {128, 200, 100, 50}, {127, 99, 49, 24}},
        // Weight 0.5 -> w 127, colour alpha 128 -> w2 63; rest 192.
        Blend8Case{{128, 255, 0, 0}, 0.5, {255, 0, 255, 0}, {254, 62, 190, 0}},
        // A NaN weight (zero half width on the centre line) counts as 0.
        Blend8Case{{255, 255, 255, 255}, std::nan(""), {255, 40, 80, 120}, {254, 38, 78, 118}}));

struct Blend16Case {
  PF_Pixel16 color;
  double weight;
  PF_Pixel16 background;
  PF_Pixel16 expected;
};

class Blend16Test : public ::testing::TestWithParam<Blend16Case> {};

TEST_P(Blend16Test, DividesBy32768) {
  const Blend16Case c = GetParam();
  ExpectPixel(CurveSampler<PF_Pixel16>::Blend(c.color, c.weight, c.background), c.expected,
              "16");
}

INSTANTIATE_TEST_SUITE_P(
    Hand, Blend16Test,
    ::testing::Values(
        // Clear background, weight 1, opaque dot: the dot's colour at full alpha.
        Blend16Case{{32768, 1000, 2000, 3000}, 1.0, {0, 0, 0, 0}, {32768, 1000, 2000, 3000}},
        // w 16384, dot alpha 16384 -> w2 8192, rest 24576.
        Blend16Case{{16384, 32768, 0, 0}, 0.5, {32768, 0, 32768, 0}, {32768, 8192, 24576, 0}},
        // Weight 0 over a half-transparent pixel: colour scaled by its alpha.
        Blend16Case{{32768, 1, 2, 3}, 0.0, {16384, 32768, 1000, 0}, {16384, 16384, 500, 0}}));

// ---- Pixel-exact shading around a single point -------------------------------------------

struct PointPixelCase {
  int32_t x, y;
  int repeats;
  double offset;
  int style;
};

template <typename P>
void CheckPointPixel(const PointPixelCase& c) {
  // Point at (10.5, 10.5): the distance is exact for pixel centres.
  const double h = 5.0;
  Rig rig(h, 0.2);
  rig.settings.repeats = c.repeats;
  rig.settings.gradientOffset = c.offset;
  rig.settings.repeatStyle = c.style;
  FakePath path({Mirrored(10.5, 10.5, 12, 13)}, true);
  CurveSampler<P> sampler(rig.host.InData(), rig.With(&path));

  P background;
  using C = decltype(background.alpha);
  background.alpha = static_cast<C>(sizeof(P) == 4 ? 200 : 25000);
  background.red = static_cast<C>(sizeof(P) == 4 ? 30 : 4000);
  background.green = static_cast<C>(sizeof(P) == 4 ? 160 : 21000);
  background.blue = static_cast<C>(sizeof(P) == 4 ? 90 : 12345);

  const double dx = (c.x + 0.5) - 10.5;
  const double dy = (c.y + 0.5) - 10.5;
  const double d = std::sqrt(dx * dx + dy * dy);
  P expected = background;
  if (d <= h) {
    const P color = ExpectedColor<P>(ExpectedPosition(d, h, c.repeats, c.offset, c.style));
    expected = ExpectedBlend(color, ExpectedAlpha(d, h, 0.2), background);
  }
  ExpectPixel(sampler.ShadePixel(c.x, c.y, background), expected, "pixel");
}

class PointPixelTest : public ::testing::TestWithParam<PointPixelCase> {};

TEST_P(PointPixelTest, EightBit) { CheckPointPixel<PF_Pixel>(GetParam()); }
TEST_P(PointPixelTest, SixteenBit) { CheckPointPixel<PF_Pixel16>(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Distances, PointPixelTest,
    ::testing::Values(PointPixelCase{10, 10, 1, 0.0, 0},  // the centre: position 0
                      PointPixelCase{11, 10, 1, 0.0, 0},  // 1
                      PointPixelCase{12, 12, 1, 0.0, 0},  // 2 sqrt 2
                      PointPixelCase{13, 14, 1, 0.0, 0},  // 5: exactly h, alpha 0
                      PointPixelCase{14, 14, 1, 0.0, 0},  // beyond h: unchanged
                      PointPixelCase{7, 9, 1, 0.0, 0},    // sqrt 10, up and left
                      PointPixelCase{12, 10, 2, 0.0, 0},  // repeats 2, "Repeat"
                      PointPixelCase{9, 14, 2, 0.0, 0},   // sqrt 13 * 2 / 5 folds
                      PointPixelCase{9, 14, 2, 0.0, 1},   // ... reflected
                      PointPixelCase{11, 11, 1, -0.25, 0},
                      PointPixelCase{11, 11, 1, -0.25, 1}));

// ---- Ends ---------------------------------------------------------------------------------

// Whether the 8-bit sampler changes an opaque background at (x, y): any shading
// does, even at alpha 0 (the 8-bit blend divides by 256).
bool Shaded(CurveSampler<PF_Pixel>& sampler, int32_t x, int32_t y) {
  const PF_Pixel b{255, 10, 20, 30};
  return !Same(sampler.ShadePixel(x, y, b), b);
}

class EndStyleTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(EndStyleTest, FlatEndsCutSquarelyRoundEndsDoNot) {
  const int32_t style = GetParam();  // 0 "Round", 1 "Flat"
  const double h = 6.0;
  Rig rig(h);
  rig.settings.endPointStyle = style;
  FakePath path = paths::Horizontal(10.5, 60.5, 20.5);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
  for (int32_t y = 12; y <= 29; ++y) {
    for (int32_t x = 0; x <= 70; ++x) {
      if (x == 10 || x == 60) continue;  // centres on the cap lines themselves
      const double cx = x + 0.5;
      const double dy = std::fabs(y + 0.5 - 20.5);
      const double beyond = cx < 10.5 ? 10.5 - cx : (cx > 60.5 ? cx - 60.5 : 0.0);
      bool expected = false;
      if (style == 1) {
        expected = beyond == 0.0 && dy <= h;
      } else {
        expected = std::sqrt(beyond * beyond + dy * dy) <= h;
      }
      EXPECT_EQ(Shaded(sampler, x, y), expected) << "style " << style << " at " << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, EndStyleTest, ::testing::Values(0, 1));

// Renders the 8-bit sampler over a box, over an opaque grey.
std::vector<PF_Pixel> ShadeBox(CurveSampler<PF_Pixel>& sampler, int32_t w, int32_t h) {
  std::vector<PF_Pixel> out;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      out.push_back(sampler.ShadePixel(x, y, PF_Pixel{255, 60, 60, 60}));
    }
  }
  return out;
}

int CountChanged(const std::vector<PF_Pixel>& pixels) {
  int n = 0;
  for (const PF_Pixel& p : pixels) n += Same(p, PF_Pixel{255, 60, 60, 60}) ? 0 : 1;
  return n;
}

bool SamePixels(const std::vector<PF_Pixel>& a, const std::vector<PF_Pixel>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!Same(a[i], b[i])) return false;
  }
  return true;
}

std::vector<PathPoint> Triangle() {
  return {Mirrored(20, 20, 10, 30), Mirrored(90, 25, 80, 15), Mirrored(55, 85, 70, 85)};
}

class ClosedEndStyleTest : public ::testing::TestWithParam<PF_Quality> {};

TEST_P(ClosedEndStyleTest, ClosedPathDrawsTheSameWithFlatAndRound) {
  std::vector<PF_Pixel> images[2];
  for (int32_t style = 0; style < 2; ++style) {
    Rig rig(7.0, 0.2, GetParam());
    rig.settings.endPointStyle = style;
    FakePath path(Triangle(), false);
    CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
    EXPECT_FALSE(sampler.Geometry().FlatEnds());
    images[style] = ShadeBox(sampler, 110, 100);
  }
  EXPECT_GT(CountChanged(images[0]), 1000);
  EXPECT_TRUE(SamePixels(images[0], images[1]));
}

INSTANTIATE_TEST_SUITE_P(Qualities, ClosedEndStyleTest,
                         ::testing::Values(PF_Quality_LO, PF_Quality_HI));

class OpenModeTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(OpenModeTest, InsideAndOutsideOnlyDrawTheWholeStrokeOfAnOpenPath) {
  std::vector<PF_Pixel> images[2];
  const int32_t modes[2] = {0, GetParam()};
  for (int i = 0; i < 2; ++i) {
    Rig rig(7.0, 0.2, PF_Quality_HI);
    rig.settings.gradientMode = modes[i];
    FakePath path(Triangle(), true);
    CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
    images[i] = ShadeBox(sampler, 110, 100);
  }
  EXPECT_GT(CountChanged(images[0]), 1000);
  EXPECT_TRUE(SamePixels(images[0], images[1]));
}

INSTANTIATE_TEST_SUITE_P(Modes, OpenModeTest, ::testing::Values(1, 2));

TEST(CurveSamplerModes, InsideOnlyKeepsTheInnerHalfOfAClosedStroke) {
  Rig rig(7.0, 0.2, PF_Quality_HI);
  rig.settings.gradientMode = 1;
  FakePath path(Triangle(), false);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
  // The first edge runs from (20, 20) to (90, 25) through (55, 15) at t = 0.5
  // (control points (20, 20), (30, 10), (80, 15), (90, 25)).
  EXPECT_TRUE(Shaded(sampler, 55, 18));   // 3.5 below the edge: inside
  EXPECT_FALSE(Shaded(sampler, 55, 11));  // 3.5 above it: outside
  rig.settings.gradientMode = 2;
  CurveSampler<PF_Pixel> outside(rig.host.InData(), rig.With(&path));
  EXPECT_FALSE(Shaded(outside, 55, 18));
  EXPECT_TRUE(Shaded(outside, 55, 11));
}

// ---- Coverage of boundary pixels ---------------------------------------------------------

struct CoverageCase {
  PF_Quality quality;
  int32_t mode;
  bool useFraction;  // false: 1.0
  bool complement;   // 1 - fraction
};

class CoverageTest : public ::testing::TestWithParam<CoverageCase> {};

TEST_P(CoverageTest, BoundaryPixelsByQualityAndMode) {
  const CoverageCase c = GetParam();
  Rig rig(7.0, 0.2, c.quality);
  rig.settings.gradientMode = c.mode;
  FakePath path(Triangle(), false);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
  FakePath again(Triangle(), false);
  BezierPath reference(&again);
  int checked = 0;
  for (int32_t y = 10; y < 40 && checked < 20; ++y) {
    for (int32_t x = 20; x < 90 && checked < 20; ++x) {
      int32_t cellClass = 0;
      double fraction = 0.0;
      reference.Classify(x, y, cellClass, &fraction);
      if (cellClass != BezierPath::kBoundary || fraction <= 0.0 || fraction >= 1.0) continue;
      double coverage = -1.0;
      double d = 0.0;
      ASSERT_TRUE(sampler.PixelGate(x, y, coverage, d)) << x << "," << y;
      const double expected = !c.useFraction ? 1.0 : (c.complement ? 1.0 - fraction : fraction);
      EXPECT_EQ(coverage, expected) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 20);
}

INSTANTIATE_TEST_SUITE_P(
    QualitiesAndModes, CoverageTest,
    ::testing::Values(CoverageCase{PF_Quality_LO, 1, false, false},
                      CoverageCase{PF_Quality_LO, 2, false, false},
                      CoverageCase{PF_Quality_HI, 1, true, false},
                      CoverageCase{PF_Quality_HI, 2, true, true},
                      CoverageCase{PF_Quality_HI, 0, false, false}));

// ---- Supersampling near a flat end ---------------------------------------------------------

class SupersampleTest : public ::testing::TestWithParam<PF_Quality> {};

TEST_P(SupersampleTest, FourOfSixteenSubSamplesGiveAQuarterWeight) {
  // The path ends at x = 50.25: in pixel (50, 20) only the sub-samples of the
  // first column (x = 50.125) have a foot on the curve. A huge half width and
  // no falloff make their alpha exactly 1 and their colour the first dot's.
  const double h = 1000.0;
  Rig rig(h, 0.0, GetParam());
  rig.settings.endPointStyle = 1;
  FakePath path = paths::Horizontal(-49.75, 50.25, 20.5);
  CurveSampler<PF_Pixel16> sampler(rig.host.InData(), rig.With(&path));
  ASSERT_TRUE(sampler.Geometry().NearFlatEnd(50, 20));

  const PF_Pixel16 background{32768, 0, 0, 32768};
  const PF_Pixel16 got = sampler.ShadePixel(50, 20, background);
  if (GetParam() == PF_Quality_HI) {
    // Colour: the mean of four samples at positions below 0.0004.
    PF_Pixel16 mean{0, 0, 0, 0};
    uint32_t sums[4] = {0, 0, 0, 0};
    for (double py : {20.125, 20.375, 20.625, 20.875}) {
      const PF_Pixel16 c = ExpectedColor16(std::fabs(py - 20.5) / h);
      sums[0] += c.alpha;
      sums[1] += c.red;
      sums[2] += c.green;
      sums[3] += c.blue;
    }
    mean = {static_cast<A_u_short>(sums[0] / 4), static_cast<A_u_short>(sums[1] / 4),
            static_cast<A_u_short>(sums[2] / 4), static_cast<A_u_short>(sums[3] / 4)};
    ExpectPixel(got, ExpectedBlend(mean, 0.25, background), "quarter weight");
  } else {
    // Without supersampling the pixel centre (50.5) lies beyond the end.
    ExpectPixel(got, background, "unchanged");
  }
}

INSTANTIATE_TEST_SUITE_P(Qualities, SupersampleTest,
                         ::testing::Values(PF_Quality_HI, PF_Quality_LO));

// ---- Pruning never changes a pixel ------------------------------------------------------

struct PruneCase {
  int32_t endStyle;
  PF_Quality quality;
  bool closed;
  int32_t mode;
};

class PruneTest : public ::testing::TestWithParam<PruneCase> {};

// What ShadePixel must give, from the unpruned public gates: the 4 x 4
// sub-samples near a flat end in high quality, the whole pixel elsewhere.
PF_Pixel Unpruned(CurveSampler<PF_Pixel>& sampler, bool super, int32_t x, int32_t y,
                  const PF_Pixel& b) {
  if (super && sampler.Geometry().NearFlatEnd(x, y)) {
    double alphaSum = 0.0;
    uint32_t sums[4] = {0, 0, 0, 0};
    uint32_t hits = 0;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        double d = 0.0;
        PF_Pixel c;
        double a = 0.0;
        if (!sampler.SubSampleGate(x + 0.125 + 0.25 * i, y + 0.125 + 0.25 * j, x, y, d) ||
            !sampler.Shade(d, c, a)) {
          continue;
        }
        alphaSum += a;
        sums[0] += c.alpha;
        sums[1] += c.red;
        sums[2] += c.green;
        sums[3] += c.blue;
        ++hits;
      }
    }
    if (hits == 0) return b;
    const PF_Pixel mean{static_cast<A_u_char>(sums[0] / hits), static_cast<A_u_char>(sums[1] / hits),
                        static_cast<A_u_char>(sums[2] / hits), static_cast<A_u_char>(sums[3] / hits)};
    return CurveSampler<PF_Pixel>::Blend(mean, (alphaSum / hits) * (hits * 0.0625), b);
  }
  double coverage = 0.0;
  double d = 0.0;
  PF_Pixel color;
  double alpha = 0.0;
  if (sampler.PixelGate(x, y, coverage, d) && sampler.Shade(d, color, alpha)) {
    return CurveSampler<PF_Pixel>::Blend(color, coverage * alpha, b);
  }
  return b;
}

TEST_P(PruneTest, ShadePixelEqualsTheUnprunedGatesShadeAndBlend) {
  const PruneCase c = GetParam();
  Rig rig(9.0, 0.3, c.quality);
  rig.settings.endPointStyle = c.endStyle;
  rig.settings.gradientMode = c.mode;
  std::vector<PathPoint> pts = {Mirrored(15, 30, 5, 50), Mirrored(60, 10, 40, 10),
                                Mirrored(70, 60, 90, 40), Mirrored(30, 70, 40, 90)};
  FakePath path(pts, !c.closed);
  CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(&path));
  const bool super = c.quality == PF_Quality_HI && sampler.Geometry().FlatEnds();
  const PF_Pixel b{255, 60, 60, 60};
  int shaded = 0;
  for (int32_t y = -5; y < 95; ++y) {
    for (int32_t x = -5; x < 105; ++x) {
      const PF_Pixel expected = Unpruned(sampler, super, x, y, b);
      shaded += Same(expected, b) ? 0 : 1;
      const PF_Pixel got = sampler.ShadePixel(x, y, b);
      ASSERT_TRUE(Same(got, expected)) << x << "," << y;
    }
  }
  EXPECT_GT(shaded, 500);
}

INSTANTIATE_TEST_SUITE_P(Paths, PruneTest,
                         ::testing::Values(PruneCase{0, PF_Quality_HI, false, 0},
                                           PruneCase{1, PF_Quality_HI, false, 0},
                                           PruneCase{1, PF_Quality_LO, false, 0},
                                           PruneCase{0, PF_Quality_HI, true, 1},
                                           PruneCase{0, PF_Quality_LO, true, 2}));

TEST(CurveSamplerErrors, MissingPathIsReportedByTheCentreLine) {
  Rig rig(5.0);
  try {
    CurveSampler<PF_Pixel> sampler(rig.host.InData(), rig.With(nullptr));
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), "BezierPath : Path not initialized");
  }
}

}  // namespace
