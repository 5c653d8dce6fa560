#include "app/media/Yuva10Conversion.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace app {
namespace {

// Integer division rounding halves away from zero.
int64_t RoundedDiv(int64_t a, int64_t b) { return (a >= 0 ? a + b / 2 : a - b / 2) / b; }

}  // namespace

YuvWeights LimitedRangeWeights(const int table[4]) {
  constexpr int64_t kOne = 1 << 16;
  constexpr int64_t kScale = 1 << 15;
  const int64_t v_to_r = table[0], u_to_b = table[1], u_to_g = -table[2], v_to_g = -table[3];
  // Blue's and red's weights in luma against green's, negated (w and v), and
  // z = 1 - w - v, in units of 2^-32; limited-range luma spans 219 of 255
  // steps (255/219 taken in units of 2^-16 first, as swscale takes it).
  const int64_t w = RoundedDiv(kOne * kOne * u_to_g, u_to_b);
  const int64_t v = RoundedDiv(kOne * kOne * v_to_g, v_to_r);
  const int64_t z = kOne * kOne - w - v;
  const int64_t cy = RoundedDiv(kOne * 255 / 219 * z, kOne);
  const int64_t cu = RoundedDiv(u_to_b * z, kOne);
  const int64_t cv = RoundedDiv(v_to_r * z, kOne);
  const auto weight = [](int64_t numerator, int64_t denominator) {
    return static_cast<int32_t>(RoundedDiv(kScale * numerator, denominator));
  };
  YuvWeights out;
  out.y[0] = -weight(v, cy);
  out.y[1] = weight(kOne * kOne, cy);
  out.y[2] = -weight(w, cy);
  out.u[0] = weight(v, cu);
  out.u[1] = -weight(kOne * kOne, cu);
  out.u[2] = weight(z + w, cu);
  out.v[0] = weight(v + z, cv);
  out.v[1] = -weight(kOne * kOne, cv);
  out.v[2] = weight(w, cv);
  return out;
}

namespace {

// A weighted sum plus its offset (16 or 128 steps of 8 bits) is rounded to
// 14 bits, then to 10: twice, as swscale does, not once.
constexpr int32_t kLumaOffset = (32 << 14) + (1 << 8);
constexpr int32_t kChromaOffset = (256 << 14) + (1 << 8);

uint16_t TenBits(int32_t sum) { return static_cast<uint16_t>(((sum >> 9) + 8) >> 4); }

// Alpha to 15 bits (a << 7 | a >> 1), then to 10 with rounding; opaque
// rounds up to 1024, which is kept to 1023.
uint16_t Alpha10(int32_t a) {
  const int32_t a10 = (((a << 7) | (a >> 1)) + 16) >> 5;
  return static_cast<uint16_t>(a10 > 1023 ? 1023 : a10);
}

void ConvertPixels(const uint8_t* argb, int from, int to, const YuvWeights& w,
                   const Yuva10Row& row) {
  for (int x = from; x < to; ++x) {
    const uint8_t* p = argb + 4 * x;
    const int32_t r = p[1], g = p[2], b = p[3];
    row.y[x] = TenBits(w.y[0] * r + w.y[1] * g + w.y[2] * b + kLumaOffset);
    row.u[x] = TenBits(w.u[0] * r + w.u[1] * g + w.u[2] * b + kChromaOffset);
    row.v[x] = TenBits(w.v[0] * r + w.v[1] * g + w.v[2] * b + kChromaOffset);
    row.a[x] = Alpha10(p[0]);
  }
}

#ifdef __SSE2__
// The same arithmetic on eight pixels at a time. Each pixel's bytes widen to
// 16-bit A, R, G, B; one multiply-add per pixel pair gives 0*A + wr*R and
// wg*G + wb*B, and the two halves are summed (every weight fits 16 bits, every
// sum 32).
class SixteenBitWeights {
 public:
  explicit SixteenBitWeights(const int32_t (&w)[3])
      : pair_(_mm_setr_epi16(0, static_cast<int16_t>(w[0]), static_cast<int16_t>(w[1]),
                             static_cast<int16_t>(w[2]), 0, static_cast<int16_t>(w[0]),
                             static_cast<int16_t>(w[1]), static_cast<int16_t>(w[2]))) {}

  // The weighted sums of four pixels, given as two pairs of widened pixels.
  __m128i Sums(__m128i first_pair, __m128i second_pair) const {
    const __m128 a = _mm_castsi128_ps(_mm_madd_epi16(first_pair, pair_));
    const __m128 b = _mm_castsi128_ps(_mm_madd_epi16(second_pair, pair_));
    const __m128i even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
    return _mm_add_epi32(even, odd);
  }

 private:
  __m128i pair_;
};

__m128i TenBits(__m128i sum, __m128i offset) {
  const __m128i fourteen = _mm_srai_epi32(_mm_add_epi32(sum, offset), 9);
  return _mm_srai_epi32(_mm_add_epi32(fourteen, _mm_set1_epi32(8)), 4);
}

__m128i Alpha10(__m128i pixels) {
  const __m128i a = _mm_and_si128(pixels, _mm_set1_epi32(0xff));
  const __m128i fifteen = _mm_or_si128(_mm_slli_epi32(a, 7), _mm_srli_epi32(a, 1));
  return _mm_srai_epi32(_mm_add_epi32(fifteen, _mm_set1_epi32(16)), 5);
}

void Store(uint16_t* to, __m128i first, __m128i second) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_packs_epi32(first, second));
}

int ConvertEights(const uint8_t* argb, int width, const YuvWeights& w, const Yuva10Row& row) {
  const SixteenBitWeights wy(w.y), wu(w.u), wv(w.v);
  const __m128i luma = _mm_set1_epi32(kLumaOffset), chroma = _mm_set1_epi32(kChromaOffset);
  const __m128i zero = _mm_setzero_si128(), most = _mm_set1_epi16(1023);
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    __m128i sums[3][2], alpha[2];
    for (int half = 0; half < 2; ++half) {
      const __m128i pixels =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(argb + 4 * (x + 4 * half)));
      const __m128i low = _mm_unpacklo_epi8(pixels, zero), high = _mm_unpackhi_epi8(pixels, zero);
      sums[0][half] = TenBits(wy.Sums(low, high), luma);
      sums[1][half] = TenBits(wu.Sums(low, high), chroma);
      sums[2][half] = TenBits(wv.Sums(low, high), chroma);
      alpha[half] = Alpha10(pixels);
    }
    Store(row.y + x, sums[0][0], sums[0][1]);
    Store(row.u + x, sums[1][0], sums[1][1]);
    Store(row.v + x, sums[2][0], sums[2][1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row.a + x),
                     _mm_min_epi16(_mm_packs_epi32(alpha[0], alpha[1]), most));
  }
  return x;
}
#endif

}  // namespace

void ArgbToYuva10(const uint8_t* argb, int width, const YuvWeights& weights, const Yuva10Row& row) {
  int done = 0;
#ifdef __SSE2__
  done = ConvertEights(argb, width, weights, row);
#endif
  ConvertPixels(argb, done, width, weights, row);
}

}  // namespace app
