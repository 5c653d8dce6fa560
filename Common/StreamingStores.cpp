#include "Common/StreamingStores.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Bytes from p to the next 16-byte boundary.
size_t ToAlignment(const void* p) {
  return (16 - (reinterpret_cast<uintptr_t>(p) & 15)) & 15;
}

// count copies of the value through the cache, one at a time.
void FillThroughCache(char* to, size_t count, const void* value, size_t valueBytes) {
  for (size_t i = 0; i < count; ++i) std::memcpy(to + i * valueBytes, value, valueBytes);
}

}  // namespace

#if defined(__SSE2__)

void StreamCopy(void* to, const void* from, size_t bytes) {
  auto* dst = static_cast<char*>(to);
  const auto* src = static_cast<const char*>(from);
  const size_t head = ToAlignment(dst) < bytes ? ToAlignment(dst) : bytes;
  std::memcpy(dst, src, head);
  dst += head, src += head, bytes -= head;
  for (; bytes >= 64; bytes -= 64, dst += 64, src += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + 48), d);
  }
  std::memcpy(dst, src, bytes);
  _mm_sfence();
}

void StreamFill(void* to, size_t count, const void* value, size_t valueBytes) {
  auto* dst = static_cast<char*>(to);
  // The 16-byte pattern repeats the value from a value boundary, so it can
  // only be streamed once dst reaches 16 bytes on one.
  const size_t head = ToAlignment(dst);
  if (head % valueBytes != 0) {
    FillThroughCache(dst, count, value, valueBytes);
    return;
  }
  const size_t headCount = head / valueBytes < count ? head / valueBytes : count;
  FillThroughCache(dst, headCount, value, valueBytes);
  dst += headCount * valueBytes;
  size_t left = count - headCount;
  char pattern[16];
  for (size_t at = 0; at < sizeof pattern; at += valueBytes) std::memcpy(pattern + at, value, valueBytes);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern));
  const size_t perStore = sizeof pattern / valueBytes;
  for (; left >= perStore; left -= perStore, dst += sizeof pattern) {
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst), v);
  }
  FillThroughCache(dst, left, value, valueBytes);
  _mm_sfence();
}

#else

void StreamCopy(void* to, const void* from, size_t bytes) { std::memcpy(to, from, bytes); }

void StreamFill(void* to, size_t count, const void* value, size_t valueBytes) {
  FillThroughCache(static_cast<char*>(to), count, value, valueBytes);
}

#endif
