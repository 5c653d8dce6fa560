// transfer_rect of the embedded host, mode by mode. Expected pixels come from
// (1) results worked out by hand and (2) a plain double-precision evaluation
// of each mode's published formula written here, independent of the host's
// table and compositing routine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/PixelCallbacks.h"
#include "host/embedded/TransferModes.h"

namespace {

template <typename P>
constexpr double Full() { return sizeof(P) == sizeof(PF_Pixel) ? 255.0 : 32768.0; }

template <typename P>
std::array<int, 4> Ch(const P& p) { return {p.alpha, p.red, p.green, p.blue}; }

// Lays src over dst (both 1-pixel-high rows of equal length) with the mode.
template <typename P>
std::vector<P> Composite(PF_TransferMode mode, const std::vector<P>& src, const std::vector<P>& dst, int opacity, A_long seed = 0,
                         embedded::EmbeddedHost::TransferArithmetic arithmetic = embedded::EmbeddedHost::TransferArithmetic::kFast) {
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
  if (deep) comp.opacitySu = static_cast<A_u_short>(opacity); else comp.opacity = static_cast<A_u_char>(opacity);
  EXPECT_EQ(embedded::HostTransferRect(host.InData()->effect_ref, PF_Quality_HI, PF_MF_Alpha_STRAIGHT, PF_Field_FRAME,
                                       nullptr, s, &comp, nullptr, 0, 0, d), PF_Err_NONE);
  return std::vector<P>(static_cast<P*>(d->data), static_cast<P*>(d->data) + n);
}

// ---- 1. Worked by hand, 16 bits, full opacity ------------------------------------------

struct HandCase { const char* name; PF_TransferMode mode; PF_Pixel16 src, dst, expected; };

class TransferByHand : public ::testing::TestWithParam<HandCase> {};

TEST_P(TransferByHand, GivesTheWorkedResult) {
  const HandCase& c = GetParam();
  EXPECT_EQ(Ch(Composite<PF_Pixel16>(c.mode, {c.src}, {c.dst}, 32768)[0]), Ch(c.expected)) << c.name;
}

constexpr A_u_short F = 32768;  // 1
constexpr A_u_short H = 16384;  // 0.5
constexpr A_u_short Q = 8192;   // 0.25
constexpr A_u_short T = 24576;  // 0.75

INSTANTIATE_TEST_SUITE_P(
    Modes, TransferByHand,
    ::testing::Values(
        // Opaque over opaque: the result is the blend B(Cb, Cs) itself. The
        // plain separable modes (multiply, screen, darken, lighten, hard light,
        // difference, exclusion) are left to the formula table below.
        HandCase{"copy", PF_Xfer_COPY, {F, Q, H, T}, {F, 1, 2, 3}, {F, Q, H, T}},
        HandCase{"add", PF_Xfer_ADD, {F, T, Q, 0}, {F, H, Q, 0}, {F, F, H, 0}},
        // Overlay = hard light with the layers swapped: Cb 0.25 -> Cs * 2Cb.
        HandCase{"overlay", PF_Xfer_OVERLAY, {F, T, T, 0}, {F, Q, T, H}, {F, 12288, 28672, 0}},
        // Cs 0.75, Cb 0.25: D = 0.5, 0.25 + 0.5 * 0.25. Cs 0.25, Cb 0.5: 0.5 - 0.5 * 0.25.
        HandCase{"soft light", PF_Xfer_SOFT_LIGHT, {F, T, Q, H}, {F, Q, H, H}, {F, 12288, 12288, H}},
        // Red over grey 0.5: grey has no saturation, so the result is the grey.
        HandCase{"hue", PF_Xfer_HUE, {F, F, 0, 0}, {F, H, H, H}, {F, H, H, H}},
        // Grey over red: saturation 0 at red's luminosity 0.3 (9830.4).
        HandCase{"saturation", PF_Xfer_SATURATION, {F, H, H, H}, {F, F, 0, 0}, {F, 9830, 9830, 9830}},
        // Red at grey's luminosity 0.5: (1.2, 0.2, 0.2) clipped to (1, 2/7, 2/7).
        HandCase{"color", PF_Xfer_COLOR, {F, F, 0, 0}, {F, H, H, H}, {F, F, 9362, 9362}},
        // Grey at red's luminosity 0.3.
        HandCase{"luminosity", PF_Xfer_LUMINOSITY, {F, F, 0, 0}, {F, H, H, H}, {F, 9830, 9830, 9830}},
        // Alphas add to 1; colours mix by alpha.
        HandCase{"alpha add", PF_Xfer_ALPHA_ADD, {H, F, 0, 0}, {H, 0, 0, F}, {F, H, 0, H}},
        HandCase{"alpha add, total capped", PF_Xfer_ALPHA_ADD, {T, F, 0, 0}, {T, 0, 0, F}, {F, H, 0, H}},
        // The classic dodge turns black under white to white; the newer one keeps black.
        HandCase{"classic dodge", PF_Xfer_COLOR_DODGE, {F, F, H, T}, {F, 0, Q, Q}, {F, F, H, F}},
        HandCase{"color dodge", PF_Xfer_COLOR_DODGE2, {F, F, H, T}, {F, 0, Q, Q}, {F, 0, H, F}},
        // The classic burn turns white under black to black; the newer one keeps white.
        HandCase{"classic burn", PF_Xfer_COLOR_BURN, {F, 0, H, Q}, {F, F, T, T}, {F, 0, H, 0}},
        HandCase{"color burn", PF_Xfer_COLOR_BURN2, {F, 0, H, Q}, {F, F, T, T}, {F, F, H, 0}},
        // Cb + 2Cs - 1: 0.5 + 1.5 - 1, 0.5 + 0.5 - 1, 0.25 + 1 - 1.
        HandCase{"linear light", PF_Xfer_LINEAR_LIGHT, {F, T, Q, H}, {F, H, H, Q}, {F, F, 0, Q}},
        // Cs 0.75: dodge(0.25, 0.5) = 0.5; Cs 0.25: burn(0.75, 0.5) = 0.5.
        HandCase{"vivid light", PF_Xfer_VIVID_LIGHT, {F, T, Q, F}, {F, Q, T, H}, {F, H, H, F}},
        // Cs 0.25: min(0.75, 0.5); Cs 0.75: max(0.25, 0.5).
        HandCase{"pin light", PF_Xfer_PIN_LIGHT, {F, Q, T, H}, {F, T, Q, Q}, {F, H, H, Q}},
        // White at alpha 0.5 over black at alpha 0.5: ao 0.75, colour 0.5 / 0.75.
        HandCase{"normal, both half", PF_Xfer_IN_FRONT, {H, F, F, F}, {H, 0, 0, 0}, {T, 21845, 21845, 21845}},
        // Multiply where only half the source overlaps: ao 1,
        // co = 0.5 * Cs Cb + 0.5 * Cb = 0.5 * 0.25 + 0.5 * 0.5.
        HandCase{"multiply, half source", PF_Xfer_MULTIPLY, {H, H, H, H}, {F, H, H, H}, {F, 12288, 12288, 12288}},
        // Over a transparent backdrop every mode shows the source as it is.
        HandCase{"multiply on clear", PF_Xfer_MULTIPLY, {T, Q, H, T}, {0, F, F, F}, {T, Q, H, T}},
        HandCase{"hue on clear", PF_Xfer_HUE, {T, Q, H, T}, {0, F, 0, F}, {T, Q, H, T}}));

// ---- 2. Against the formulas, both depths, three opacities ------------------------------

using Rgb = std::array<double, 3>;

double Lum(const Rgb& x) { return 0.3 * x[0] + 0.59 * x[1] + 0.11 * x[2]; }
double Sat(const Rgb& x) { return *std::max_element(x.begin(), x.end()) - *std::min_element(x.begin(), x.end()); }

Rgb ClipColor(Rgb x) {
  const double l = Lum(x), n = *std::min_element(x.begin(), x.end()), m = *std::max_element(x.begin(), x.end());
  for (double& v : x) if (n < 0) v = l + (v - l) * l / (l - n);
  for (double& v : x) if (m > 1) v = l + (v - l) * (1 - l) / (m - l);
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
double Burn(double b, double s) { return b == 1 ? 1 : (s == 0 ? 0 : 1 - std::min(1.0, (1 - b) / s)); }
double HardLight(double b, double s) { return s <= 0.5 ? b * 2 * s : b + (2 * s - 1) - b * (2 * s - 1); }
double SoftLightD(double b) { return b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b); }

double SeparableBlend(PF_TransferMode m, double b, double s) {
  switch (m) {
    case PF_Xfer_COPY: case PF_Xfer_IN_FRONT: return s;
    case PF_Xfer_ADD: return std::min(1.0, b + s);
    case PF_Xfer_MULTIPLY: return b * s;
    case PF_Xfer_SCREEN: return b + s - b * s;
    case PF_Xfer_OVERLAY: return HardLight(s, b);
    case PF_Xfer_SOFT_LIGHT: return s <= 0.5 ? b - (1 - 2 * s) * b * (1 - b) : b + (2 * s - 1) * (SoftLightD(b) - b);
    case PF_Xfer_HARD_LIGHT: return HardLight(b, s);
    case PF_Xfer_DARKEN: return std::min(b, s);
    case PF_Xfer_LIGHTEN: return std::max(b, s);
    case PF_Xfer_DIFFERENCE: case PF_Xfer_DIFFERENCE2: return std::fabs(b - s);
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
    default: return {SeparableBlend(m, b[0], s[0]), SeparableBlend(m, b[1], s[1]), SeparableBlend(m, b[2], s[2])};
  }
}

// Straight-alpha compositing of the W3C recommendation (source over with a
// blend), except Alpha Add, whose alphas add. Pixels are (alpha, r, g, b) in 0..1.
std::array<double, 4> Reference(PF_TransferMode m, const std::array<double, 4>& src, const std::array<double, 4>& dst, double opacity) {
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
    {255, 60, 180, 240}, {255, 0, 255, 64},  {255, 20, 50, 250}, {200, 60, 180, 240},
    {0, 10, 20, 30},     {220, 100, 110, 120}, {96, 250, 10, 128}, {255, 128, 128, 128},
    {255, 250, 240, 5},  {255, 255, 0, 128}, {255, 255, 0, 0}};

template <typename P>
std::vector<P> Pixels(const std::vector<std::array<int, 4>>& values) {
  using C = decltype(P{}.red);
  auto ch = [](int c) { return static_cast<C>(sizeof(P) == sizeof(PF_Pixel) ? c : (c == 255 ? 32768 : c * 128)); };
  std::vector<P> out;
  for (const auto& v : values) out.push_back(P{ch(v[0]), ch(v[1]), ch(v[2]), ch(v[3])});
  return out;
}

struct FormulaCase { PF_TransferMode mode; bool deep; double opacity; };  // opacity 0, 0.5 or 1

template <typename P>
void CheckAgainstFormula(const FormulaCase& c) {
  const std::vector<P> src = Pixels<P>(kSources), dst = Pixels<P>(kDests);
  const int opacity = static_cast<int>(c.opacity * Full<P>());
  const std::vector<P> got = Composite<P>(c.mode, src, dst, opacity);
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

class TransferFormula : public ::testing::TestWithParam<FormulaCase> {};

TEST_P(TransferFormula, MatchesThePublishedFormula) {
  GetParam().deep ? CheckAgainstFormula<PF_Pixel16>(GetParam()) : CheckAgainstFormula<PF_Pixel>(GetParam());
}

std::vector<FormulaCase> AllFormulaCases() {
  std::vector<FormulaCase> cases;
  for (PF_TransferMode m : {PF_Xfer_COPY, PF_Xfer_IN_FRONT, PF_Xfer_ADD, PF_Xfer_MULTIPLY, PF_Xfer_SCREEN,
                            PF_Xfer_OVERLAY, PF_Xfer_SOFT_LIGHT, PF_Xfer_HARD_LIGHT, PF_Xfer_DARKEN, PF_Xfer_LIGHTEN,
                            PF_Xfer_DIFFERENCE, PF_Xfer_HUE, PF_Xfer_SATURATION, PF_Xfer_COLOR, PF_Xfer_LUMINOSITY,
                            PF_Xfer_ALPHA_ADD, PF_Xfer_COLOR_DODGE, PF_Xfer_COLOR_BURN, PF_Xfer_EXCLUSION,
                            PF_Xfer_DIFFERENCE2, PF_Xfer_COLOR_DODGE2, PF_Xfer_COLOR_BURN2, PF_Xfer_LINEAR_LIGHT,
                            PF_Xfer_VIVID_LIGHT, PF_Xfer_PIN_LIGHT})
    for (bool deep : {false, true})
      for (double op : {1.0, 0.5, 0.0}) cases.push_back({m, deep, op});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllModes, TransferFormula, ::testing::ValuesIn(AllFormulaCases()), [](const auto& info) {
  return "mode" + std::to_string(info.param.mode) + (info.param.deep ? "_16bit" : "_8bit") + "_opacity" +
         std::to_string(static_cast<int>(info.param.opacity * 100));
});

// ---- Dissolve ---------------------------------------------------------------------------

template <typename P>
std::vector<P> DissolveRow(int opacity, A_long seed, P src, P dst) {
  return Composite<P>(PF_Xfer_DISSOLVE, std::vector<P>(4096, src), std::vector<P>(4096, dst), opacity, seed);
}

TEST(Dissolve, IsTheSameForTheSameSeed) {
  const auto reds = [](A_long seed) {
    std::vector<int> r;
    for (const PF_Pixel& p : DissolveRow<PF_Pixel>(128, seed, PF_Pixel{255, 255, 0, 0}, PF_Pixel{255, 0, 0, 255})) r.push_back(p.red);
    return r;
  };
  EXPECT_EQ(reds(7), reds(7));
  EXPECT_NE(reds(7), reds(8)) << "another seed gives another pattern";
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
    std::vector<PF_Pixel16> src(static_cast<size_t>(x) + 1, PF_Pixel16{0, 0, 0, 0}), dst(src.size(), PF_Pixel16{F, 0, 0, F});
    for (const auto arithmetic : {embedded::EmbeddedHost::TransferArithmetic::kFast, embedded::EmbeddedHost::TransferArithmetic::kReference}) {
      for (const uint64_t alpha : {a, a + 1}) {
        src.back() = PF_Pixel16{static_cast<A_u_short>(alpha), F, 0, 0};
        const PF_Pixel16 want = alpha == a ? dst.back() : PF_Pixel16{F, F, 0, 0};
        EXPECT_EQ(Ch(Composite<PF_Pixel16>(PF_Xfer_DISSOLVE, src, dst, static_cast<int>(h / (4 * a)), 5, arithmetic).back()), Ch(want))
            << x << " " << alpha << " " << static_cast<int>(arithmetic);
      }
    }
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

// Source alpha given in 8 bits (scaled to 16 for deep rows).
struct DissolveCase { bool deep; int opacity, srcAlphaOf255; double expectedShare; };

// Each pixel is either the destination unchanged or the source fully opaque,
// the source in a share close to its alpha times the opacity.
template <typename P>
int SourceShown(const DissolveCase& c) {
  using C = decltype(P{}.red);
  const C full = static_cast<C>(Full<P>());
  const P s{static_cast<C>(c.srcAlphaOf255 * Full<P>() / 255), full, 0, 0}, d{static_cast<C>(sizeof(P) == sizeof(PF_Pixel) ? 150 : 20000), 0, 0, full};
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
  EXPECT_NEAR(c.deep ? SourceShown<PF_Pixel16>(c) : SourceShown<PF_Pixel>(c), c.expectedShare * 4096, 128.0);
}

INSTANTIATE_TEST_SUITE_P(Cases, DissolveShare,
                         ::testing::Values(DissolveCase{false, 255, 255, 1.0}, DissolveCase{false, 0, 255, 0.0},
                                           DissolveCase{false, 255, 0, 0.0}, DissolveCase{false, 255, 51, 0.2},
                                           DissolveCase{false, 51, 255, 0.2}, DissolveCase{true, 32768, 255, 1.0},
                                           DissolveCase{true, 0, 255, 0.0}, DissolveCase{true, 16384, 255, 0.5}));

}  // namespace
