// transfer_rect of the embedded host, mode by mode, through both routines: the
// double-precision reference (TransferWorldRect) and the fast one the host uses
// by default. Expected pixels come from (1) results worked out by hand and (2) a
// plain double-precision evaluation of each mode's published formula written
// here, independent of the host's table and compositing routine; the fast
// routine is also held to the reference on random pixels (every pairing of
// transparent, partial and opaque alphas, every 8-bit level pair of the heavy
// blends, fields, rgb_only and clipping), to the same bytes on any number of
// threads, and to the same refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/HostThreads.h"
#include "host/embedded/transfer/TransferRect.h"
#include "host/embedded/transfer/TransferReference.h"
#include "host/embedded/transfer/TransferSse2.h"

namespace {

using Arithmetic = embedded::EmbeddedHost::TransferArithmetic;

constexpr PF_TransferMode kAllModes[] = {
    PF_Xfer_COPY,        PF_Xfer_IN_FRONT,     PF_Xfer_DISSOLVE,    PF_Xfer_ADD,
    PF_Xfer_MULTIPLY,    PF_Xfer_SCREEN,       PF_Xfer_OVERLAY,     PF_Xfer_SOFT_LIGHT,
    PF_Xfer_HARD_LIGHT,  PF_Xfer_DARKEN,       PF_Xfer_LIGHTEN,     PF_Xfer_DIFFERENCE,
    PF_Xfer_HUE,         PF_Xfer_SATURATION,   PF_Xfer_COLOR,       PF_Xfer_LUMINOSITY,
    PF_Xfer_ALPHA_ADD,   PF_Xfer_COLOR_DODGE,  PF_Xfer_COLOR_BURN,  PF_Xfer_EXCLUSION,
    PF_Xfer_DIFFERENCE2, PF_Xfer_COLOR_DODGE2, PF_Xfer_COLOR_BURN2, PF_Xfer_LINEAR_LIGHT,
    PF_Xfer_VIVID_LIGHT, PF_Xfer_PIN_LIGHT};

template <typename P>
constexpr double Full() {
  return sizeof(P) == sizeof(PF_Pixel) ? 255.0 : 32768.0;
}

template <typename P>
std::array<int, 4> Ch(const P& p) {
  return {p.alpha, p.red, p.green, p.blue};
}

// Lays src over dst (both 1-pixel-high rows of equal length) with the mode.
template <typename P>
std::vector<P> Composite(PF_TransferMode mode, const std::vector<P>& src, const std::vector<P>& dst,
                         int opacity, A_long seed = 0, Arithmetic arithmetic = Arithmetic::kFast) {
  embedded::EmbeddedHost host;
  host.SetTransferArithmetic(arithmetic);
  const bool deep = sizeof(P) != sizeof(PF_Pixel);
  const A_long n = static_cast<A_long>(src.size());
  PF_EffectWorld* s = host.CreateWorld(n, 1, deep, true);
  PF_EffectWorld* d = host.CreateWorld(n, 1, deep, true);
  std::copy(src.begin(), src.end(), static_cast<P*>(s->data));
  std::copy(dst.begin(), dst.end(), static_cast<P*>(d->data));
  PF_CompositeMode comp{};
  comp.xfer = mode;
  comp.rand_seed = seed;
  if (deep) comp.opacitySu = static_cast<A_u_short>(opacity);
  else comp.opacity = static_cast<A_u_char>(opacity);
  EXPECT_EQ(
      embedded::HostTransferRect(host.InData()->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                 PF_Field_FRAME, nullptr, s, &comp, nullptr, 0, 0, d),
      PF_Err_NONE);
  return std::vector<P>(static_cast<P*>(d->data), static_cast<P*>(d->data) + n);
}

constexpr A_u_short F = 32768;  // full

// ---- Every mode x depth x opacity: the formulas, and the fast routine against the reference ----

using Rgb = std::array<double, 3>;

double Lum(const Rgb& x) { return 0.3 * x[0] + 0.59 * x[1] + 0.11 * x[2]; }
double Sat(const Rgb& x) {
  return *std::max_element(x.begin(), x.end()) - *std::min_element(x.begin(), x.end());
}

Rgb ClipColor(Rgb x) {
  const double l = Lum(x), n = *std::min_element(x.begin(), x.end()),
               m = *std::max_element(x.begin(), x.end());
  for (double& v : x)
    if (n < 0) v = l + (v - l) * l / (l - n);
  for (double& v : x)
    if (m > 1) v = l + (v - l) * (1 - l) / (m - l);
  return x;
}

Rgb SetLum(Rgb x, double l) {
  const double d = l - Lum(x);
  for (double& v : x) v += d;
  return ClipColor(x);
}

Rgb SetSat(Rgb x, double s) {
  std::array<int, 3> i{0, 1, 2};
  std::sort(i.begin(), i.end(), [&](int a, int b) { return x[a] < x[b]; });
  const double mn = x[i[0]], mid = x[i[1]], mx = x[i[2]];
  x[i[1]] = mx > mn ? (mid - mn) * s / (mx - mn) : 0;
  x[i[2]] = mx > mn ? s : 0;
  x[i[0]] = 0;
  return x;
}

double Dodge(double b, double s) { return b == 0 ? 0 : (s == 1 ? 1 : std::min(1.0, b / (1 - s))); }
double Burn(double b, double s) {
  return b == 1 ? 1 : (s == 0 ? 0 : 1 - std::min(1.0, (1 - b) / s));
}
double HardLight(double b, double s) {
  return s <= 0.5 ? b * 2 * s : b + (2 * s - 1) - b * (2 * s - 1);
}
double SoftLightD(double b) { return b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b); }

double SeparableBlend(PF_TransferMode m, double b, double s) {
  switch (m) {
    case PF_Xfer_COPY:
    case PF_Xfer_IN_FRONT: return s;
    case PF_Xfer_ADD: return std::min(1.0, b + s);
    case PF_Xfer_MULTIPLY: return b * s;
    case PF_Xfer_SCREEN: return b + s - b * s;
    case PF_Xfer_OVERLAY: return HardLight(s, b);
    case PF_Xfer_SOFT_LIGHT:
      return s <= 0.5 ? b - (1 - 2 * s) * b * (1 - b) : b + (2 * s - 1) * (SoftLightD(b) - b);
    case PF_Xfer_HARD_LIGHT: return HardLight(b, s);
    case PF_Xfer_DARKEN: return std::min(b, s);
    case PF_Xfer_LIGHTEN: return std::max(b, s);
    case PF_Xfer_DIFFERENCE:
    case PF_Xfer_DIFFERENCE2: return std::fabs(b - s);
    case PF_Xfer_EXCLUSION: return b + s - 2 * b * s;
    case PF_Xfer_COLOR_DODGE: return s == 1 ? 1 : std::min(1.0, b / (1 - s));
    case PF_Xfer_COLOR_BURN: return s == 0 ? 0 : 1 - std::min(1.0, (1 - b) / s);
    case PF_Xfer_COLOR_DODGE2: return Dodge(b, s);
    case PF_Xfer_COLOR_BURN2: return Burn(b, s);
    case PF_Xfer_LINEAR_LIGHT: return std::clamp(b + 2 * s - 1, 0.0, 1.0);
    case PF_Xfer_VIVID_LIGHT: return s <= 0.5 ? Burn(b, 2 * s) : Dodge(b, 2 * s - 1);
    case PF_Xfer_PIN_LIGHT: return s <= 0.5 ? std::min(b, 2 * s) : std::max(b, 2 * s - 1);
  }
  ADD_FAILURE() << "no reference for mode " << m;
  return 0;
}

Rgb Blend(PF_TransferMode m, const Rgb& b, const Rgb& s) {
  switch (m) {
    case PF_Xfer_HUE: return SetLum(SetSat(s, Sat(b)), Lum(b));
    case PF_Xfer_SATURATION: return SetLum(SetSat(b, Sat(s)), Lum(b));
    case PF_Xfer_COLOR: return SetLum(s, Lum(b));
    case PF_Xfer_LUMINOSITY: return SetLum(b, Lum(s));
    default:
      return {SeparableBlend(m, b[0], s[0]), SeparableBlend(m, b[1], s[1]),
              SeparableBlend(m, b[2], s[2])};
  }
}

// Straight-alpha compositing of the W3C recommendation (source over with a
// blend), except Alpha Add, whose alphas add. Pixels are (alpha, r, g, b) in 0..1.
std::array<double, 4> Reference(PF_TransferMode m, const std::array<double, 4>& src,
                                const std::array<double, 4>& dst, double opacity) {
  const double as = src[0] * opacity, ab = dst[0];
  const Rgb cs{src[1], src[2], src[3]}, cb{dst[1], dst[2], dst[3]};
  const Rgb bl = m == PF_Xfer_ALPHA_ADD ? cs : Blend(m, cb, cs);  // unused for Alpha Add
  std::array<double, 4> out{};
  out[0] = m == PF_Xfer_ALPHA_ADD ? std::min(1.0, as + ab) : as + ab - as * ab;
  for (int i = 0; i < 3; ++i) {
    if (m == PF_Xfer_ALPHA_ADD) {
      out[i + 1] = as + ab > 0 ? (as * cs[i] + ab * cb[i]) / (as + ab) : 0;
    } else {
      const double co = as * (1 - ab) * cs[i] + as * ab * bl[i] + (1 - as) * ab * cb[i];
      out[i + 1] = out[0] > 0 ? co / out[0] : 0;
    }
  }
  return out;
}

// (alpha, red, green, blue) in 8 bits; the 16-bit cases use c * 128, with 255 as 32768.
const std::vector<std::array<int, 4>> kSources = {
    {255, 200, 100, 30}, {255, 255, 0, 128}, {255, 40, 130, 220}, {128, 200, 100, 30},
    {180, 90, 160, 250}, {0, 255, 255, 255}, {64, 10, 250, 128},  {255, 255, 0, 0},
    {255, 30, 60, 90},   {255, 0, 255, 64},  {255, 128, 128, 128}};
const std::vector<std::array<int, 4>> kDests = {
    {255, 60, 180, 240}, {255, 0, 255, 64},    {255, 20, 50, 250}, {200, 60, 180, 240},
    {0, 10, 20, 30},     {220, 100, 110, 120}, {96, 250, 10, 128}, {255, 128, 128, 128},
    {255, 250, 240, 5},  {255, 255, 0, 128},   {255, 255, 0, 0}};

template <typename P>
std::vector<P> Pixels(const std::vector<std::array<int, 4>>& values) {
  using C = decltype(P{}.red);
  auto ch = [](int c) {
    return static_cast<C>(sizeof(P) == sizeof(PF_Pixel) ? c : (c == 255 ? 32768 : c * 128));
  };
  std::vector<P> out;
  for (const auto& v : values) out.push_back(P{ch(v[0]), ch(v[1]), ch(v[2]), ch(v[3])});
  return out;
}

// Worlds as flat channel arrays: rows of width * 4 channels (alpha, r, g, b).
struct Frame {
  embedded::EmbeddedHost host;
  PF_EffectWorld* src;
  PF_EffectWorld* dst;
  bool deep;
  int full;

  Frame(A_long w, A_long h, bool deep_) : deep(deep_), full(deep_ ? 32768 : 255) {
    src = host.CreateWorld(w, h, deep, true);
    dst = host.CreateWorld(w, h, deep, true);
  }
  int Get(const PF_EffectWorld& world, A_long i) const {
    const A_long row = i / (world.width * 4), k = i % (world.width * 4);
    const char* p = static_cast<const char*>(world.data) + row * world.rowbytes;
    return deep ? reinterpret_cast<const A_u_short*>(p)[k]
                : reinterpret_cast<const A_u_char*>(p)[k];
  }
  void Set(PF_EffectWorld& world, A_long i, int v) {
    const A_long row = i / (world.width * 4), k = i % (world.width * 4);
    char* p = static_cast<char*>(world.data) + row * world.rowbytes;
    if (deep) reinterpret_cast<A_u_short*>(p)[k] = static_cast<A_u_short>(v);
    else reinterpret_cast<A_u_char*>(p)[k] = static_cast<A_u_char>(v);
  }
  A_long Channels() const { return dst->width * dst->height * 4; }
  std::vector<int> Dst() const {
    std::vector<int> out(static_cast<size_t>(Channels()));
    for (A_long i = 0; i < Channels(); ++i) out[static_cast<size_t>(i)] = Get(*dst, i);
    return out;
  }
  void SetDst(const std::vector<int>& v) {
    for (A_long i = 0; i < Channels(); ++i) Set(*dst, i, v[static_cast<size_t>(i)]);
  }
};

// Random colours, a sixth of them at the levels where blends branch or
// divide (0, half, full); alphas by row, each row one pairing of transparent,
// partial and opaque source and destination (row % 9), or random per pixel
// when mixed.
void FillRandom(Frame& f, unsigned seed, bool mixedAlpha = false) {
  std::mt19937 rng(seed);
  const int special[] = {0, f.full / 2, f.full};
  auto colour = [&] {
    return rng() % 6 == 0 ? special[rng() % 3] : static_cast<int>(rng() % (f.full + 1));
  };
  auto alpha = [&](unsigned kind) {
    return kind == 0 ? 0 : kind == 2 ? f.full : 1 + static_cast<int>(rng() % (f.full - 1));
  };
  for (A_long i = 0; i < f.Channels(); ++i) {
    const A_long row = i / (f.dst->width * 4);
    const unsigned pairing = mixedAlpha ? rng() % 9 : static_cast<unsigned>(row % 9);
    const bool isAlpha = i % 4 == 0;
    f.Set(*f.src, i, isAlpha ? alpha(pairing / 3) : colour());
    f.Set(*f.dst, i, isAlpha ? alpha(pairing % 3) : colour());
  }
}

PF_CompositeMode Comp(PF_TransferMode mode, bool deep, double opacity, bool rgbOnly = false) {
  PF_CompositeMode comp{};
  comp.xfer = mode;
  comp.rand_seed = 1234;
  comp.rgb_only = rgbOnly;
  comp.opacity = static_cast<A_u_char>(deep ? 0 : opacity * 255 + 0.5);
  comp.opacitySu = static_cast<A_u_short>(deep ? opacity * 32768 + 0.5 : 0);
  return comp;
}

struct Outcome {
  int maxDiff = 0;
  long differing = 0, touched = 0, untouchedChanged = 0;
};

// Runs the reference and the fast routine on copies of the same destination
// and compares them; a pixel the reference left as it was must be left so.
Outcome Compare(Frame& f, const PF_CompositeMode& comp, PF_Field field = PF_Field_FRAME,
                const PF_Rect* rect = nullptr, A_long dx = 0, A_long dy = 0) {
  const std::vector<int> before = f.Dst();
  EXPECT_EQ(
      embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, field, rect, *f.src, comp, dx, dy, *f.dst),
      PF_Err_NONE);
  const std::vector<int> reference = f.Dst();
  f.SetDst(before);
  EXPECT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, field, rect, *f.src, comp, dx, dy,
                                            *f.dst),
            PF_Err_NONE);
  const std::vector<int> fast = f.Dst();
  Outcome o;
  for (size_t p = 0; p < before.size(); p += 4) {
    const bool untouched = std::equal(&before[p], &before[p] + 4, &reference[p]);
    for (size_t k = p; k < p + 4; ++k) {
      const int diff = std::abs(fast[k] - reference[k]);
      o.maxDiff = std::max(o.maxDiff, diff);
      o.differing += diff != 0;
      o.untouchedChanged += untouched && fast[k] != before[k];
      o.touched += !untouched;
    }
  }
  return o;
}

// clang-format off
struct ModeCase { PF_TransferMode mode; bool deep; double opacity; };  // opacity 0, 0.37, 0.5 or 1
// clang-format on

// Both routines on the pairs of kSources and kDests, against the formula.
template <typename P>
void CheckAgainstFormula(const ModeCase& c) {
  const std::vector<P> src = Pixels<P>(kSources), dst = Pixels<P>(kDests);
  const int opacity = static_cast<int>(c.opacity * Full<P>() + 0.5);
  for (const Arithmetic arithmetic : {Arithmetic::kFast, Arithmetic::kReference}) {
    SCOPED_TRACE(arithmetic == Arithmetic::kFast ? "fast" : "reference");
    const std::vector<P> got = Composite<P>(c.mode, src, dst, opacity, 0, arithmetic);
    for (size_t i = 0; i < src.size(); ++i) {
      if (opacity == 0) {
        // Opacity 0 leaves the destination exactly as it was.
        EXPECT_EQ(Ch(got[i]), Ch(dst[i])) << "pair " << i;
        continue;
      }
      std::array<double, 4> s, d;
      for (int k = 0; k < 4; ++k) {
        s[k] = Ch(src[i])[k] / Full<P>();
        d[k] = Ch(dst[i])[k] / Full<P>();
      }
      const auto want = Reference(c.mode, s, d, opacity / Full<P>());
      for (int k = 0; k < 4; ++k) {
        // Rounded half up and clamped; one step of slack for a different
        // order of the same arithmetic landing on the other side of a half.
        const double expected = std::clamp(std::floor(want[k] * Full<P>() + 0.5), 0.0, Full<P>());
        EXPECT_NEAR(Ch(got[i])[k], expected, 1.0) << "pair " << i << " channel " << k;
      }
    }
  }
}

class TransferMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(TransferMode, FollowsTheFormulaAndFastMatchesTheReference) {
  const ModeCase& c = GetParam();
  // Dissolve has no formula: its own tests are below.
  if (c.mode != PF_Xfer_DISSOLVE) {
    c.deep ? CheckAgainstFormula<PF_Pixel16>(c) : CheckAgainstFormula<PF_Pixel>(c);
  }
  // An odd width, so every row ends in a partial group of four.
  Frame f(203, 18, c.deep);
  FillRandom(f, 77u + static_cast<unsigned>(c.mode));
  const Outcome o = Compare(f, Comp(c.mode, c.deep, c.opacity));
  EXPECT_LE(o.maxDiff, c.mode == PF_Xfer_DISSOLVE ? 0 : 1);
  EXPECT_EQ(o.untouchedChanged, 0) << "transparent source or opacity 0 must keep the destination";
  // The two round the same values; only ties at a half may land apart.
  const double share = o.touched ? static_cast<double>(o.differing) / o.touched : 0.0;
  EXPECT_LT(share, 0.01);
  RecordProperty("differing_share", std::to_string(share));
}

std::vector<ModeCase> AllModeCases() {
  std::vector<ModeCase> cases;
  for (PF_TransferMode m : kAllModes)
    for (bool deep : {false, true})
      for (double opacity : {0.0, 0.37, 0.5, 1.0}) cases.push_back({m, deep, opacity});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllModes, TransferMode, ::testing::ValuesIn(AllModeCases()),
                         [](const auto& info) {
                           return "mode" + std::to_string(info.param.mode) +
                                  (info.param.deep ? "_16bit" : "_8bit") + "_opacity" +
                                  std::to_string(static_cast<int>(info.param.opacity * 100));
                         });

// ---- Every pair of 8-bit levels ------------------------------------------------------------

// Each of the 65536 pairs of source and backdrop levels, in every channel
// (rotated so each channel meets every pair), over an opaque and a partial
// backdrop, at full and partial opacity.
class FastEveryLevelPair : public ::testing::TestWithParam<PF_TransferMode> {};

TEST_P(FastEveryLevelPair, WithinOneLevel) {
  for (const int backdropAlpha : {255, 140}) {
    for (const double opacity : {1.0, 0.6}) {
      SCOPED_TRACE(testing::Message()
                   << "backdrop alpha " << backdropAlpha << ", opacity " << opacity);
      Frame f(256, 256, false);
      for (A_long i = 0; i < f.Channels(); i += 4) {
        const int s = i / 4 / 256, b = i / 4 % 256;
        f.Set(*f.src, i, 255);
        f.Set(*f.dst, i, backdropAlpha);
        for (int k = 1; k <= 3; ++k) {
          f.Set(*f.src, i + k, (s + 85 * (k - 1)) % 256);
          f.Set(*f.dst, i + k, (b + 51 * (k - 1)) % 256);
        }
      }
      EXPECT_LE(Compare(f, Comp(GetParam(), false, opacity)).maxDiff, 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(HeavySeparable, FastEveryLevelPair,
                         ::testing::Values(PF_Xfer_SOFT_LIGHT, PF_Xfer_OVERLAY,
                                           PF_Xfer_COLOR_DODGE));

// ---- Fields, rgb_only, clipping ----------------------------------------------------------

// clang-format off
struct PlacementCase { const char* name; PF_Field field; bool rgbOnly; bool hasRect; PF_Rect rect;
                       A_long dx, dy; };
// clang-format on

class FastPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(FastPlacement, TouchesWhatTheReferenceTouches) {
  const PlacementCase& c = GetParam();
  for (bool deep : {false, true}) {
    SCOPED_TRACE(deep ? "16-bit" : "8-bit");
    Frame f(37, 23, deep);
    FillRandom(f, 5u, true);
    const std::vector<int> before = f.Dst();
    const Outcome o = Compare(f, Comp(PF_Xfer_SCREEN, deep, 0.8, c.rgbOnly), c.field,
                              c.hasRect ? &c.rect : nullptr, c.dx, c.dy);
    EXPECT_LE(o.maxDiff, 1);
    EXPECT_EQ(o.untouchedChanged, 0);
    EXPECT_GT(o.touched, 0);
    if (c.rgbOnly) {
      for (A_long i = 0; i < f.Channels(); i += 4)
        ASSERT_EQ(f.Get(*f.dst, i), before[static_cast<size_t>(i)]) << "alpha at " << i / 4;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FastPlacement,
    ::testing::Values(
        PlacementCase{"upper field", PF_Field_UPPER, false, false, {}, 0, 0},
        PlacementCase{"lower field, moved", PF_Field_LOWER, false, false, {}, 3, 1},
        PlacementCase{"rgb only", PF_Field_FRAME, true, false, {}, 0, 0},
        PlacementCase{"rectangle moved", PF_Field_FRAME, false, true, {2, 3, 30, 17}, 5, 4},
        PlacementCase{
            "rectangle outside the source", PF_Field_FRAME, false, true, {-4, -2, 50, 9}, 0, 0},
        PlacementCase{"negative destination", PF_Field_LOWER, false, false, {}, -6, -3}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace_if(
          name.begin(), name.end(),
          [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
      return name;
    });

// ---- Threads ----------------------------------------------------------------------------

// A frame large enough for several bands gives the same bytes on one thread
// and on several.
TEST(FastTransferThreads, SameBytesOnOneAndOnSeveralThreads) {
  for (bool deep : {false, true})
    for (PF_TransferMode mode :
         {PF_Xfer_DISSOLVE, PF_Xfer_SOFT_LIGHT, PF_Xfer_HUE, PF_Xfer_ALPHA_ADD}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + (deep ? " 16-bit" : " 8-bit"));
      Frame f(640, 450, deep);
      FillRandom(f, 9u, true);
      const std::vector<int> before = f.Dst();
      const PF_CompositeMode comp = Comp(mode, deep, 0.9);
      std::vector<std::vector<int>> results;
      for (int threads : {1, 3, 4}) {
        embedded::SetHostThreadCount(threads);
        f.SetDst(before);
        ASSERT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr,
                                                  *f.src, comp, 0, 0, *f.dst),
                  PF_Err_NONE);
        results.push_back(f.Dst());
      }
      embedded::SetHostThreadCount(0);
      EXPECT_NE(results[0], before);
      EXPECT_TRUE(results[0] == results[1] && results[0] == results[2]);
    }
}

// ---- The host's choice and the refusals ---------------------------------------------------

// HostTransferRect runs the reference for a host that asks for it and the fast
// routine otherwise; both refuse the same requests.
TEST(FastTransferHost, RoutesByTheHostsArithmetic) {
  Frame f(203, 18, true);
  FillRandom(f, 3u);
  const PF_CompositeMode comp = Comp(PF_Xfer_SOFT_LIGHT, true, 0.37);
  const std::vector<int> before = f.Dst();
  auto run = [&](auto transfer) {
    f.SetDst(before);
    EXPECT_EQ(transfer(), PF_Err_NONE);
    return f.Dst();
  };
  auto host = [&] {
    return embedded::HostTransferRect(f.host.InData()->effect_ref, PF_Quality_HI,
                                      PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, f.src, &comp,
                                      nullptr, 0, 0, f.dst);
  };
  const auto reference = run([&] {
    return embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp,
                                       0, 0, *f.dst);
  });
  const auto fast = run([&] {
    return embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src,
                                           comp, 0, 0, *f.dst);
  });
  ASSERT_NE(reference, fast) << "the two must differ somewhere for this test to tell them apart";
  EXPECT_EQ(run(host), fast) << "fast by default";
  f.host.SetTransferArithmetic(embedded::EmbeddedHost::TransferArithmetic::kReference);
  EXPECT_EQ(run(host), reference);
  EXPECT_EQ(run([&] {
              return embedded::HostTransferRect(nullptr, PF_Quality_HI, PF_MF_Alpha_STRAIGHT,
                                                PF_Field_FRAME, nullptr, f.src, &comp, nullptr, 0,
                                                0, f.dst);
            }),
            fast)
      << "no host: fast";
}

TEST(FastTransferHost, RefusesWhatTheReferenceRefuses) {
  Frame f(4, 2, false), deep(4, 2, true);
  for (PF_TransferMode mode = -2; mode <= 40; ++mode) {
    const PF_CompositeMode comp = Comp(mode, false, 1.0);
    EXPECT_EQ(embedded::FastTransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src,
                                              comp, 0, 0, *f.dst),
              embedded::TransferWorldRect(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src,
                                          comp, 0, 0, *f.dst))
        << "mode " << mode;
  }
  const PF_CompositeMode comp = Comp(PF_Xfer_MULTIPLY, false, 1.0);
  for (const auto transfer : {embedded::FastTransferWorldRect, embedded::TransferWorldRect}) {
    EXPECT_NE(transfer(PF_MF_Alpha_PREMUL, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *f.dst),
              PF_Err_NONE);
    EXPECT_NE(
        transfer(PF_MF_Alpha_STRAIGHT, PF_Field_FRAME, nullptr, *f.src, comp, 0, 0, *deep.dst),
        PF_Err_NONE);
  }
}

// ---- Dissolve ---------------------------------------------------------------------------

template <typename P>
std::vector<P> DissolveRow(int opacity, A_long seed, P src, P dst) {
  return Composite<P>(PF_Xfer_DISSOLVE, std::vector<P>(4096, src), std::vector<P>(4096, dst),
                      opacity, seed);
}

// Where the noise (hash / 2^32) equals alpha x opacity exactly (16 bits: a o / 2^30), the source
// does not show: it must be strictly below. One more level of alpha and it shows.
TEST(Dissolve, ShowsOnlyWhereTheNoiseIsStrictlyBelowAlphaTimesOpacity) {
  int checked = 0;
  for (A_long x = 0; x < 256 && checked < 4; ++x) {
    const auto h = static_cast<uint64_t>(embedded::DissolveNoise(5, x, 0) * 4294967296.0);
    uint64_t a = 32767;
    while (a > 0 && (h % (4 * a) != 0 || h / (4 * a) > 32768)) --a;
    if (a == 0) continue;
    std::vector<PF_Pixel16> src(static_cast<size_t>(x) + 1, PF_Pixel16{0, 0, 0, 0}),
        dst(src.size(), PF_Pixel16{F, 0, 0, F});
    for (const auto arithmetic : {Arithmetic::kFast, Arithmetic::kReference}) {
      for (const uint64_t alpha : {a, a + 1}) {
        src.back() = PF_Pixel16{static_cast<A_u_short>(alpha), F, 0, 0};
        const PF_Pixel16 want = alpha == a ? dst.back() : PF_Pixel16{F, F, 0, 0};
        EXPECT_EQ(Ch(Composite<PF_Pixel16>(PF_Xfer_DISSOLVE, src, dst,
                                           static_cast<int>(h / (4 * a)), 5, arithmetic)
                         .back()),
                  Ch(want))
            << x << " " << alpha << " " << static_cast<int>(arithmetic);
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

// Source alpha given in 8 bits (scaled to 16 for deep rows).
// clang-format off
struct DissolveCase { bool deep; int opacity, srcAlphaOf255; double expectedShare; };
// clang-format on

// Each pixel is either the destination unchanged or the source fully opaque,
// the source in a share close to its alpha times the opacity.
template <typename P>
int SourceShown(const DissolveCase& c) {
  using C = decltype(P{}.red);
  const C full = static_cast<C>(Full<P>());
  const P s{static_cast<C>(c.srcAlphaOf255 * Full<P>() / 255), full, 0, 0},
      d{static_cast<C>(sizeof(P) == sizeof(PF_Pixel) ? 150 : 20000), 0, 0, full};
  int shown = 0;
  for (const P& p : DissolveRow<P>(c.opacity, 3, s, d)) {
    const bool isSrc = p.alpha == full && p.red == full && p.blue == 0;
    EXPECT_TRUE(isSrc || Ch(p) == Ch(d));
    shown += isSrc;
  }
  return shown;
}

class DissolveShare : public ::testing::TestWithParam<DissolveCase> {};

TEST_P(DissolveShare, ShowsTheSourceInProportion) {
  const DissolveCase& c = GetParam();
  // 4096 draws: a standard deviation of at most 32 pixels; allow 4 of them.
  EXPECT_NEAR(c.deep ? SourceShown<PF_Pixel16>(c) : SourceShown<PF_Pixel>(c),
              c.expectedShare * 4096, 128.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DissolveShare,
    ::testing::Values(DissolveCase{false, 255, 255, 1.0}, DissolveCase{false, 0, 255, 0.0},
                      DissolveCase{false, 255, 0, 0.0}, DissolveCase{false, 255, 51, 0.2},
                      DissolveCase{false, 51, 255, 0.2}, DissolveCase{true, 32768, 255, 1.0},
                      DissolveCase{true, 0, 255, 0.0}, DissolveCase{true, 16384, 255, 0.5}));

}  // namespace
