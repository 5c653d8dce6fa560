// Four pixels at a time, one channel of the four in each SSE2 register
// (x86-64 guarantees SSE2 and nothing more). A row runs whole groups of four
// and then its last one to three pixels through the same group routine, padded
// with transparent source pixels, so every pixel gets the same arithmetic.
// The row loops are flattened: the group routine and every helper are inlined
// into them, so the four-lane values stay in registers and the constants are
// loaded once a row.
#include "host/embedded/transfer/TransferSse2.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>
#include <vector>

#include "host/embedded/HostThreads.h"
#include "host/embedded/WorldPixels.h"
#include "host/embedded/transfer/Sse2FourLanes.h"
#include "host/embedded/transfer/TransferReference.h"
#include "host/embedded/transfer/TransferRules.h"

namespace embedded {

namespace {

using namespace sse2;

struct Rgb4 {
  F4 r, g, b;
};

// ---- The blends B(Cb, Cs), four pixels at once ---------------------------------------
// Each follows the formula of the reference's function of the same mode
// (BlendFunctions.cpp); a branch becomes a Select of both sides.

F4 Normal(F4 /*b*/, F4 s) { return s; }
F4 Add(F4 b, F4 s) { return Min(Splat(1.0f), b + s); }
F4 Multiply(F4 b, F4 s) { return b * s; }
F4 Screen(F4 b, F4 s) { return b + s - b * s; }
F4 Darken(F4 b, F4 s) { return Min(b, s); }
F4 Lighten(F4 b, F4 s) { return Max(b, s); }
F4 Difference(F4 b, F4 s) { return Abs(b - s); }
F4 Exclusion(F4 b, F4 s) { return b + s - Splat(2.0f) * b * s; }

F4 HardLight(F4 b, F4 s) {
  const F4 s2 = s + s;
  return Select(s <= Splat(0.5f), b * s2, Screen(b, s2 - Splat(1.0f)));
}

F4 Overlay(F4 b, F4 s) { return HardLight(s, b); }

F4 SoftLight(F4 b, F4 s) {
  const F4 one = Splat(1.0f);
  const F4 d =
      Select(b <= Splat(0.25f), ((Splat(16.0f) * b - Splat(12.0f)) * b + Splat(4.0f)) * b, Sqrt(b));
  const F4 s2 = s + s;
  return Select(s <= Splat(0.5f), b - (one - s2) * b * (one - b), b + (s2 - one) * (d - b));
}

// Lanes whose denominator is 0 divide by zero here; Select drops them.
F4 ClassicColorDodge(F4 b, F4 s) {
  const F4 one = Splat(1.0f);
  return Select(s >= one, one, Min(one, b / (one - s)));
}

F4 ClassicColorBurn(F4 b, F4 s) {
  const F4 one = Splat(1.0f), zero = Splat(0.0f);
  return Select(s <= zero, zero, one - Min(one, (one - b) / s));
}

F4 ColorDodge(F4 b, F4 s) {
  const F4 zero = Splat(0.0f);
  return Select(b == zero, zero, ClassicColorDodge(b, s));
}

F4 ColorBurn(F4 b, F4 s) {
  const F4 one = Splat(1.0f);
  return Select(b >= one, one, ClassicColorBurn(b, s));
}

F4 LinearLight(F4 b, F4 s) { return Min(Splat(1.0f), Max(Splat(0.0f), b + (s + s) - Splat(1.0f))); }

// Burn(b, 2s) up to s = 0.5, Dodge(b, 2s - 1) above: each lane needs one of
// the two quotients, so the lane's numerator and denominator are chosen first
// and divided once. A zero denominator gives +inf, which min() turns into the
// reference's 1 (dodge) or 0 (burn); where the numerator is 0 as well (burn
// of a white backdrop, dodge of a black one) 0 / 0 is NaN, and max() turns it
// into q = 0, the reference's 1 and 0. The operand order matters: SSE's min
// and max return their second operand when one is NaN.
F4 VividLight(F4 b, F4 s) {
  const F4 one = Splat(1.0f);
  const F4 low = s <= Splat(0.5f);
  const F4 s2 = s + s;
  const F4 q =
      Max(Min(one, Select(low, one - b, b) / Select(low, s2, Splat(2.0f) - s2)), Splat(0.0f));
  return Select(low, one - q, q);
}

F4 PinLight(F4 b, F4 s) {
  const F4 s2 = s + s;
  return Select(s <= Splat(0.5f), Min(b, s2), Max(b, s2 - Splat(1.0f)));
}

template <F4 (*Blend)(F4, F4)>
Rgb4 PerChannel(const Rgb4& b, const Rgb4& s) {
  return Rgb4{Blend(b.r, s.r), Blend(b.g, s.g), Blend(b.b, s.b)};
}

F4 Lum(const Rgb4& c) { return Splat(0.3f) * c.r + Splat(0.59f) * c.g + Splat(0.11f) * c.b; }
F4 Min3(const Rgb4& c) { return Min(Min(c.r, c.g), c.b); }
F4 Max3(const Rgb4& c) { return Max(Max(c.r, c.g), c.b); }

// The non-separable blends work on levels, 0 to full, rather than on unit
// colours: they are linear in the colour but for the clamp at full, so the
// pixels' levels go in and come out as they are, without scaling either way.

// Sets the colour's luminosity to l, then pulls channels that left [0, full]
// back in, keeping it: towards l by l / (l - min) when min < 0, else by
// (full - l) / (max - l) when max > full. The shifted colour's luminosity is
// l up to rounding, so l itself serves. The colours here spread over at most
// full, so no lane needs both pulls, and one division serves every lane.
Rgb4 SetLum(const Rgb4& colour, F4 l, F4 full) {
  const F4 one = full;
  const F4 shift = l - Lum(colour);
  const Rgb4 c{colour.r + shift, colour.g + shift, colour.b + shift};
  const F4 n = Min3(c), x = Max3(c);
  const F4 below = n < Splat(0.0f);
  const F4 pulled = F4{_mm_or_ps(below.v, (x > one).v)};
  if (!AnyLane(pulled)) return c;
  // Lanes in range divide full by full and keep their colour.
  const F4 k = Select(pulled, Select(below, l, one - l) / Select(below, l - n, x - l), one);
  auto channel = [&](F4 v) { return Select(pulled, l + (v - l) * k, v); };
  return Rgb4{channel(c.r), channel(c.g), channel(c.b)};
}

F4 Sat(const Rgb4& c) { return Max3(c) - Min3(c); }

// Min to 0, max to s, the middle channel in proportion; grey stays black:
// its range 0 is raised to a tiny divisor, so k stays finite and every
// channel minus the minimum, 0, gives 0. Real ranges are at least one level.
Rgb4 SetSat(const Rgb4& c, F4 s) {
  const F4 lo = Min3(c);
  const F4 k = s / Max(Max3(c) - lo, Splat(1e-30f));
  return Rgb4{(c.r - lo) * k, (c.g - lo) * k, (c.b - lo) * k};
}

Rgb4 Color(const Rgb4& b, const Rgb4& s, F4 full) { return SetLum(s, Lum(b), full); }
Rgb4 Luminosity(const Rgb4& b, const Rgb4& s, F4 full) { return SetLum(b, Lum(s), full); }

// ---- Pixels in and out ----------------------------------------------------------------

// Four pixels as integers, one channel a register.
struct Quad {
  __m128i a, r, g, b;
};

template <typename P>
struct Depth;

template <>
struct Depth<PF_Pixel> {
  static constexpr int kMax = 255;
  // A 32-bit word a pixel, alpha in its low byte.
  static Quad Load(const PF_Pixel* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i byte = _mm_set1_epi32(0xFF);
    return Quad{_mm_and_si128(v, byte), _mm_and_si128(_mm_srli_epi32(v, 8), byte),
                _mm_and_si128(_mm_srli_epi32(v, 16), byte), _mm_srli_epi32(v, 24)};
  }
  static void Store(PF_Pixel* p, const Quad& q) {
    const __m128i ar = _mm_or_si128(q.a, _mm_slli_epi32(q.r, 8));
    const __m128i gb = _mm_or_si128(_mm_slli_epi32(q.g, 16), _mm_slli_epi32(q.b, 24));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(ar, gb));
  }
};

template <>
struct Depth<PF_Pixel16> {
  static constexpr int kMax = 32768;
  // Two 32-bit words a pixel: alpha | red << 16, green | blue << 16.
  static Quad Load(const PF_Pixel16* p) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
    // (ar0, ar1, gb0, gb1) and (ar2, ar3, gb2, gb3).
    const __m128i lo = _mm_shuffle_epi32(first, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i hi = _mm_shuffle_epi32(second, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128i ar = _mm_unpacklo_epi64(lo, hi);
    const __m128i gb = _mm_unpackhi_epi64(lo, hi);
    const __m128i half = _mm_set1_epi32(0xFFFF);
    return Quad{_mm_and_si128(ar, half), _mm_srli_epi32(ar, 16), _mm_and_si128(gb, half),
                _mm_srli_epi32(gb, 16)};
  }
  static void Store(PF_Pixel16* p, const Quad& q) {
    const __m128i ar = _mm_or_si128(q.a, _mm_slli_epi32(q.r, 16));
    const __m128i gb = _mm_or_si128(q.g, _mm_slli_epi32(q.b, 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi32(ar, gb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 2), _mm_unpackhi_epi32(ar, gb));
  }
};

// Full level times 1/full must give exactly 1, or the tests at 1 (dodge,
// burn, opaque alphas) would miss full channels.
static_assert(Depth<PF_Pixel>::kMax * (1.0f / Depth<PF_Pixel>::kMax) == 1.0f);
static_assert(Depth<PF_Pixel16>::kMax * (1.0f / Depth<PF_Pixel16>::kMax) == 1.0f);

template <typename P>
F4 Unit(__m128i level) {
  return F4{_mm_cvtepi32_ps(level)} * Splat(1.0f / Depth<P>::kMax);
}

// The colour in units, or in levels where the blend works on levels.
template <typename P, bool kLevels>
Rgb4 Colour(const Quad& q) {
  if constexpr (kLevels) {
    return Rgb4{F4{_mm_cvtepi32_ps(q.r)}, F4{_mm_cvtepi32_ps(q.g)}, F4{_mm_cvtepi32_ps(q.b)}};
  } else {
    return Rgb4{Unit<P>(q.r), Unit<P>(q.g), Unit<P>(q.b)};
  }
}

// Rounds half up into 0..full like the reference. Units are clamped, and NaN
// becomes 0 (maxps returns its second operand when the first is NaN). Levels
// come from the non-separable blends, whose colours lie in [0, full] but for
// rounding far below half a level (a pull to the range keeps every channel
// in it), mixed with the pixels' own levels by weights summing to 1; they
// need no clamp. Their only NaN is in lanes whose source is clear, which
// keep the destination.
template <typename P, bool kLevels = false>
__m128i Level(F4 v) {
  if constexpr (kLevels) {
    return _mm_cvttps_epi32((v + Splat(0.5f)).v);
  } else {
    constexpr float kFull = Depth<P>::kMax;
    const __m128 scaled = _mm_max_ps((v * Splat(kFull) + Splat(0.5f)).v, _mm_setzero_ps());
    return _mm_cvttps_epi32(_mm_min_ps(scaled, _mm_set1_ps(kFull)));
  }
}

inline __m128i SelectInt(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// ---- One call's work ---------------------------------------------------------------

struct Job {
  const PF_EffectWorld* src;
  PF_EffectWorld* dst;
  Span span;
  PF_Field field;
  bool rgbOnly;
  bool fullOpacity;
  float opacity;
  double opacityExact;  // the reference's double
  // Dissolve's: the hash of each column, the noise threshold of each 8-bit
  // alpha level and the 16-bit opacity (0..32768).
  std::vector<uint32_t> dissolveColumns;
  uint64_t dissolveThresholds8[256];
  uint64_t opacity16;
};

// Writes the four composited pixels, or the destination where the source
// was fully transparent; alpha stays the destination's under rgb_only.
template <bool kLevels = false, typename P>
void StoreGroup(P* out, const Job& job, const Quad& d, __m128i clear, __m128i alpha,
                const Rgb4& c) {
  Quad result{job.rgbOnly ? d.a : alpha, Level<P, kLevels>(c.r), Level<P, kLevels>(c.g),
              Level<P, kLevels>(c.b)};
  if (_mm_movemask_epi8(clear) != 0) {
    result = Quad{SelectInt(clear, d.a, result.a), SelectInt(clear, d.r, result.r),
                  SelectInt(clear, d.g, result.g), SelectInt(clear, d.b, result.b)};
  }
  Depth<P>::Store(out, result);
}

// ---- The blend of a group, from unit colours or from levels -------------------------

// The blend computed on the unit colours.
template <Rgb4 (*Blend)(const Rgb4&, const Rgb4&)>
struct Computed {
  static constexpr bool kLevels = false;
  template <typename P>
  static Rgb4 Mix(const Rgb4& cb, const Rgb4& cs, const Quad& /*d*/, const Quad& /*s*/) {
    return Blend(cb, cs);
  }
};

// A non-separable blend computed on levels.
template <Rgb4 (*Blend)(const Rgb4&, const Rgb4&, F4 full)>
struct OnLevels {
  static constexpr bool kLevels = true;
  template <typename P>
  static Rgb4 Mix(const Rgb4& cb, const Rgb4& cs, const Quad& /*d*/, const Quad& /*s*/) {
    return Blend(cb, cs, Splat(static_cast<float>(Depth<P>::kMax)));
  }
};

// A separable blend at 8 bits as B(b, s) for every pair of levels (s major),
// built once from the same four-lane formula, so a lookup gives the formula's
// own bits without its square roots, divisions or branches.
template <F4 (*Blend)(F4, F4)>
const float* BlendTable8() {
  static const std::vector<float> table = [] {
    std::vector<float> t(256 * 256);
    for (int s = 0; s < 256; ++s) {
      const F4 cs = Unit<PF_Pixel>(_mm_set1_epi32(s));
      for (int b = 0; b < 256; b += 4) {
        const F4 cb = Unit<PF_Pixel>(_mm_setr_epi32(b, b + 1, b + 2, b + 3));
        _mm_storeu_ps(&t[static_cast<size_t>(s * 256 + b)], Blend(cb, cs).v);
      }
    }
    return t;
  }();
  return table.data();
}

// table[index] in each lane; indices below 2^16 sit in the low half of each
// lane, where SSE2 extracts them.
inline F4 Gather(const float* table, __m128i index) {
  const __m128 lo = _mm_unpacklo_ps(_mm_load_ss(table + _mm_extract_epi16(index, 0)),
                                    _mm_load_ss(table + _mm_extract_epi16(index, 2)));
  const __m128 hi = _mm_unpacklo_ps(_mm_load_ss(table + _mm_extract_epi16(index, 4)),
                                    _mm_load_ss(table + _mm_extract_epi16(index, 6)));
  return F4{_mm_movelh_ps(lo, hi)};
}

inline F4 Lookup_4x32(const float* table, __m128i s, __m128i b) {
  return Gather(table, _mm_or_si128(_mm_slli_epi32(s, 8), b));
}

// 1 / r for each 8-bit range r = max - min of a pixel's levels, and 0 for
// grey, whose channels minus the minimum are 0 anyway.
constexpr std::array<float, 256> kInverseRanges8 = [] {
  std::array<float, 256> t{};
  for (int r = 1; r < 256; ++r) t[static_cast<size_t>(r)] = 1.0f / static_cast<float>(r);
  return t;
}();

// Sets colour c's saturation to s. At 8 bits its range is a whole number of
// levels, so the division by it becomes a multiply by its looked-up inverse;
// at 16 bits it stays a division.
template <typename P>
Rgb4 SetSatOf(const Rgb4& c, const Quad& levels, F4 s) {
  if constexpr (std::is_same_v<P, PF_Pixel>) {
    // Levels below 2^15 compare as 16-bit integers in their lanes' low halves.
    const __m128i hi = _mm_max_epi16(_mm_max_epi16(levels.r, levels.g), levels.b);
    const __m128i lo = _mm_min_epi16(_mm_min_epi16(levels.r, levels.g), levels.b);
    const F4 k = s * Gather(kInverseRanges8.data(), _mm_sub_epi32(hi, lo));
    const F4 least = Min3(c);
    return Rgb4{(c.r - least) * k, (c.g - least) * k, (c.b - least) * k};
  } else {
    return SetSat(c, s);
  }
}

struct HueMix {
  static constexpr bool kLevels = true;
  template <typename P>
  static Rgb4 Mix(const Rgb4& cb, const Rgb4& cs, const Quad& /*d*/, const Quad& s) {
    return SetLum(SetSatOf<P>(cs, s, Sat(cb)), Lum(cb), Splat(static_cast<float>(Depth<P>::kMax)));
  }
};

struct SaturationMix {
  static constexpr bool kLevels = true;
  template <typename P>
  static Rgb4 Mix(const Rgb4& cb, const Rgb4& cs, const Quad& d, const Quad& /*s*/) {
    return SetLum(SetSatOf<P>(cb, d, Sat(cs)), Lum(cb), Splat(static_cast<float>(Depth<P>::kMax)));
  }
};

// A separable blend looked up at 8 bits and computed at 16.
template <F4 (*Blend)(F4, F4)>
struct Tabled8 {
  static constexpr bool kLevels = false;
  template <typename P>
  static Rgb4 Mix(const Rgb4& cb, const Rgb4& cs, const Quad& d, const Quad& s) {
    if constexpr (std::is_same_v<P, PF_Pixel>) {
      const float* table = BlendTable8<Blend>();
      return Rgb4{Lookup_4x32(table, s.r, d.r), Lookup_4x32(table, s.g, d.g),
                  Lookup_4x32(table, s.b, d.b)};
    } else {
      return PerChannel<Blend>(cb, cs);
    }
  }
};

// W3C source-over with the blend: ao = as + ab (1 - as),
// co = as (1 - ab) Cs + as ab B + (1 - as) ab Cb, colour co / ao.
template <class Blend>
struct SourceOver {
  template <typename P>
  static void Group(const P* in, P* out, const Job& job) {
    const Quad s = Depth<P>::Load(in);
    const __m128i clear = _mm_cmpeq_epi32(s.a, _mm_setzero_si128());
    if (AllLanes(clear)) return;  // the source lays nothing here
    const Quad d = Depth<P>::Load(out);
    constexpr bool kLevels = Blend::kLevels;
    const Rgb4 cs = Colour<P, kLevels>(s), cb = Colour<P, kLevels>(d);
    const Rgb4 mixed = Blend::template Mix<P>(cb, cs, d, s);
    const F4 one = Splat(1.0f);
    const __m128i full = _mm_set1_epi32(Depth<P>::kMax);
    if (AllLanes(_mm_cmpeq_epi32(d.a, full))) {
      // Over an opaque backdrop ao = 1 and the source-only term vanishes: the
      // same values as the general branch without its division, and over an
      // opaque source at full opacity the blend itself.
      if (job.fullOpacity && AllLanes(_mm_cmpeq_epi32(s.a, full))) {
        StoreGroup<kLevels>(out, job, d, clear, full, mixed);
        return;
      }
      const F4 as = Unit<P>(s.a) * Splat(job.opacity);
      const F4 rest = one - as;
      auto channel = [&](F4 m, F4 b) { return as * m + rest * b; };
      StoreGroup<kLevels>(
          out, job, d, clear, full,
          Rgb4{channel(mixed.r, cb.r), channel(mixed.g, cb.g), channel(mixed.b, cb.b)});
      return;
    }
    const F4 as = Unit<P>(s.a) * Splat(job.opacity);
    const F4 ab = Unit<P>(d.a);
    const F4 wSrc = as * (one - ab), wMix = as * ab, wDst = (one - as) * ab;
    // Written ab + wSrc so that ab = 1 gives exactly 1, as the branch above.
    const F4 ao = ab + wSrc;
    const F4 inv = one / ao;
    auto channel = [&](F4 c, F4 m, F4 b) { return (wSrc * c + wMix * m + wDst * b) * inv; };
    StoreGroup<kLevels>(out, job, d, clear, Level<P>(ao),
                        Rgb4{channel(cs.r, mixed.r, cb.r), channel(cs.g, mixed.g, cb.g),
                             channel(cs.b, mixed.b, cb.b)});
  }
};

// ao = min(1, as + ab); C = (as Cs + ab Cb) / (as + ab).
struct AlphaAdd {
  template <typename P>
  static void Group(const P* in, P* out, const Job& job) {
    const Quad s = Depth<P>::Load(in);
    const __m128i clear = _mm_cmpeq_epi32(s.a, _mm_setzero_si128());
    if (AllLanes(clear)) return;
    const Quad d = Depth<P>::Load(out);
    const Rgb4 cs = Colour<P, false>(s), cb = Colour<P, false>(d);
    const F4 as = Unit<P>(s.a) * Splat(job.opacity);
    const F4 ab = Unit<P>(d.a);
    const F4 sum = as + ab;
    const F4 inv = Splat(1.0f) / sum;
    auto channel = [&](F4 c, F4 b) { return (as * c + ab * b) * inv; };
    StoreGroup(out, job, d, clear, Level<P>(Min(Splat(1.0f), sum)),
               Rgb4{channel(cs.r, cb.r), channel(cs.g, cb.g), channel(cs.b, cb.b)});
  }
};

template <class Op, typename P>
[[gnu::flatten]] void GroupRows(const Job& job, A_long begin, A_long end) {
  const A_long width = job.span.width;
  for (A_long row = begin; row < end; ++row) {
    const A_long y = job.span.dstTop + row;
    if (!RowInField(job.field, y)) continue;
    const P* in = PixelAt<P>(*job.src, job.span.srcLeft, job.span.srcTop + row);
    P* out = PixelAt<P>(*job.dst, job.span.dstLeft, y);
    A_long x = 0;
    for (; x + 4 <= width; x += 4) Op::Group(in + x, out + x, job);
    if (x < width) {
      // The last pixels, padded with transparent source pixels that leave
      // their padding destination alone.
      P inTail[4] = {}, outTail[4] = {};
      std::copy(in + x, in + width, inTail);
      std::copy(out + x, out + width, outTail);
      Op::Group(inTail, outTail, job);
      std::copy(outTail, outTail + (width - x), out + x);
    }
  }
}

// The source shows, fully opaque, where the pixel's noise h / 2^32 is below
// its alpha times the opacity, as in the reference. Both sides are exact
// doubles scaled by 2^32, so for the integer h the test is h < T with
// T = ceil(alpha times opacity times 2^32), and every pixel comes out as the
// reference's. 8-bit: T from the reference's own double product, one per
// alpha level. 16-bit: alpha / 32768 times opacity / 32768 is exact, so
// T = 4 alpha opacity.
template <typename P>
uint64_t DissolveThreshold(const Job& job, decltype(P{}.alpha) alpha);
template <>
uint64_t DissolveThreshold<PF_Pixel>(const Job& job, A_u_char alpha) {
  return job.dissolveThresholds8[alpha];
}
template <>
uint64_t DissolveThreshold<PF_Pixel16>(const Job& job, A_u_short alpha) {
  return uint64_t{4} * alpha * job.opacity16;
}

template <typename P>
void DissolveRows(const Job& job, A_long begin, A_long end) {
  // A pixel as one integer, alpha in its lowest channel (memory order, little
  // endian), so the choice below is a mask rather than a branch on the noise.
  using Bits = std::conditional_t<sizeof(P) == 4, uint32_t, uint64_t>;
  static_assert(sizeof(P) == sizeof(Bits));
  constexpr Bits kAlpha = sizeof(P) == 4 ? 0xFF : 0xFFFF;
  const Bits alphaShown = job.rgbOnly ? 0 : Bits{Depth<P>::kMax};
  const Bits keptOfDst = job.rgbOnly ? kAlpha : 0;
  for (A_long row = begin; row < end; ++row) {
    const A_long y = job.span.dstTop + row;
    if (!RowInField(job.field, y)) continue;
    const P* in = PixelAt<P>(*job.src, job.span.srcLeft, job.span.srcTop + row);
    P* out = PixelAt<P>(*job.dst, job.span.dstLeft, y);
    for (A_long col = 0; col < job.span.width; ++col) {
      Bits s, d;
      std::memcpy(&s, in + col, sizeof s);
      std::memcpy(&d, out + col, sizeof d);
      const uint32_t hash = DissolvePixelHash(job.dissolveColumns[static_cast<size_t>(col)], y);
      const auto alpha = static_cast<decltype(P{}.alpha)>(s & kAlpha);
      const Bits shows = Bits{0} - Bits{hash < DissolveThreshold<P>(job, alpha)};
      const Bits shown = (s & ~kAlpha) | alphaShown | (d & keptOfDst);
      const Bits result = (shown & shows) | (d & ~shows);
      std::memcpy(out + col, &result, sizeof result);
    }
  }
}

using RowsFn = void (*)(const Job& job, A_long begin, A_long end);

struct FastMode {
  PF_TransferMode code;
  RowsFn rows8;
  RowsFn rows16;
  bool dissolve;
};

template <class Op>
constexpr FastMode Mode(PF_TransferMode code) {
  return FastMode{code, &GroupRows<Op, PF_Pixel>, &GroupRows<Op, PF_Pixel16>, false};
}

template <Rgb4 (*Blend)(const Rgb4&, const Rgb4&, F4)>
constexpr FastMode NonSeparable(PF_TransferMode code) {
  return Mode<SourceOver<OnLevels<Blend>>>(code);
}

template <F4 (*Blend)(F4, F4)>
constexpr FastMode Separable(PF_TransferMode code) {
  return Mode<SourceOver<Computed<PerChannel<Blend>>>>(code);
}

// For blends that cost more than a lookup.
template <F4 (*Blend)(F4, F4)>
constexpr FastMode SeparableTabled(PF_TransferMode code) {
  return Mode<SourceOver<Tabled8<Blend>>>(code);
}

// The codes of the reference's table, in its order.
constexpr FastMode kFastModes[] = {
    Separable<Normal>(PF_Xfer_COPY),
    Separable<Normal>(PF_Xfer_IN_FRONT),
    FastMode{PF_Xfer_DISSOLVE, &DissolveRows<PF_Pixel>, &DissolveRows<PF_Pixel16>, true},
    Separable<Add>(PF_Xfer_ADD),
    Separable<Multiply>(PF_Xfer_MULTIPLY),
    Separable<Screen>(PF_Xfer_SCREEN),
    Separable<Overlay>(PF_Xfer_OVERLAY),
    SeparableTabled<SoftLight>(PF_Xfer_SOFT_LIGHT),
    Separable<HardLight>(PF_Xfer_HARD_LIGHT),
    Separable<Darken>(PF_Xfer_DARKEN),
    Separable<Lighten>(PF_Xfer_LIGHTEN),
    Separable<Difference>(PF_Xfer_DIFFERENCE),
    Mode<SourceOver<HueMix>>(PF_Xfer_HUE),
    Mode<SourceOver<SaturationMix>>(PF_Xfer_SATURATION),
    NonSeparable<Color>(PF_Xfer_COLOR),
    NonSeparable<Luminosity>(PF_Xfer_LUMINOSITY),
    Mode<AlphaAdd>(PF_Xfer_ALPHA_ADD),
    Separable<ClassicColorDodge>(PF_Xfer_COLOR_DODGE),
    Separable<ClassicColorBurn>(PF_Xfer_COLOR_BURN),
    Separable<Exclusion>(PF_Xfer_EXCLUSION),
    Separable<Difference>(PF_Xfer_DIFFERENCE2),
    Separable<ColorDodge>(PF_Xfer_COLOR_DODGE2),
    Separable<ColorBurn>(PF_Xfer_COLOR_BURN2),
    Separable<LinearLight>(PF_Xfer_LINEAR_LIGHT),
    SeparableTabled<VividLight>(PF_Xfer_VIVID_LIGHT),
    Separable<PinLight>(PF_Xfer_PIN_LIGHT),
};

const FastMode* FindFastMode(PF_TransferMode code) {
  for (const FastMode& mode : kFastModes) {
    if (mode.code == code) return &mode;
  }
  return nullptr;
}

// Starting threads costs tens of microseconds, so a band gets at least this
// many pixels; more bands than threads even out the load of a busy machine.
constexpr int64_t kMinBandPixels = 1 << 16;
constexpr int kBandsPerThread = 4;

void RunRows(RowsFn rows, const Job& job) {
  const int64_t height = job.span.height;
  const int64_t pixels = height * job.span.width;
  const int64_t bands = std::min<int64_t>(
      {static_cast<int64_t>(HostThreadCount()) * kBandsPerThread, height, pixels / kMinBandPixels});
  if (bands <= 1) {
    rows(job, 0, static_cast<A_long>(height));
    return;
  }
  RunBands(static_cast<int>(bands), [&](int band) {
    rows(job, static_cast<A_long>(height * band / bands),
         static_cast<A_long>(height * (band + 1) / bands));
  });
}

}  // namespace

PF_Err FastTransferWorldRect(PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rect,
                             const PF_EffectWorld& src, const PF_CompositeMode& comp, A_long dest_x,
                             A_long dest_y, PF_EffectWorld& dst) {
  const FastMode* mode = FindFastMode(comp.xfer);
  if (mode == nullptr || !CanTransfer(m_flags, src, dst)) { return PF_Err_BAD_CALLBACK_PARAM; }
  const bool deep = IsDeepWorld(dst);
  Job job{&src,
          &dst,
          ClipSpan(src_rect, src, dest_x, dest_y, dst),
          field,
          comp.rgb_only != 0,
          false,
          0.0f,
          SourceOpacity(comp, deep),
          {},
          {},
          0};
  // At opacity 0 the source lays nothing anywhere.
  if (job.opacityExact <= 0.0 || job.span.width == 0 || job.span.height == 0) {
    return PF_Err_NONE;
  }
  job.opacity = static_cast<float>(job.opacityExact);
  job.fullOpacity = job.opacityExact >= 1.0;
  if (mode->dissolve) {
    job.dissolveColumns.resize(static_cast<size_t>(job.span.width));
    for (A_long col = 0; col < job.span.width; ++col) {
      job.dissolveColumns[static_cast<size_t>(col)] =
          DissolveColumnHash(comp.rand_seed, job.span.dstLeft + col);
    }
    for (size_t alpha = 0; alpha < std::size(job.dissolveThresholds8); ++alpha) {
      job.dissolveThresholds8[alpha] = static_cast<uint64_t>(
          std::ceil(static_cast<double>(alpha) / 255.0 * job.opacityExact * 4294967296.0));
    }
    job.opacity16 = std::min<uint64_t>(comp.opacitySu, 32768);
  }
  RunRows(deep ? mode->rows16 : mode->rows8, job);
  return PF_Err_NONE;
}

}  // namespace embedded
