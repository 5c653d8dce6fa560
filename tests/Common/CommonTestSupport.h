// Shared by the Common tests: pixel comparison, a recognisable pattern, worlds
// of either depth from the embedded host, and the check of a thrown
// AEException's code and message.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "Common/AEException.h"
#include "Common/AEWorld.h"
#include "Common/PixelTraits.h"
#include "host/embedded/EmbeddedHost.h"

// At global scope, where the pixel types live, so that gtest finds them.
inline bool operator==(const PF_Pixel& a, const PF_Pixel& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
inline bool operator==(const PF_Pixel16& a, const PF_Pixel16& b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
inline void PrintTo(const PF_Pixel16& p, std::ostream* os) {
  *os << "(a " << p.alpha << ", r " << p.red << ", g " << p.green << ", b " << p.blue << ")";
}
inline void PrintTo(const PF_Pixel& p, std::ostream* os) {
  PrintTo(PF_Pixel16{p.alpha, p.red, p.green, p.blue}, os);
}

namespace ctest {

using Host = embedded::EmbeddedHost;

// Pixel (x, y) of the pattern: red x, green y, blue 7, alpha 200 (times 100 at
// 16 bits so that every value stays distinct and in range).
template <typename P>
P Pattern(A_long x, A_long y) {
  using C = typename PixelTraits<P>::Channel;
  const uint32_t k = PixelTraits<P>::kDeep ? 100u : 1u;
  return P{C(200u * k), C(uint32_t(x) * k), C(uint32_t(y) * k), C(7u * k)};
}

// The 8-bit or the 16-bit value, whichever P is.
template <typename P>
P Pick(const PF_Pixel& p8, const PF_Pixel16& p16) {
  if constexpr (PixelTraits<P>::kDeep) return p16;
  else return p8;
}

template <typename P>
PF_EffectWorld* NewWorld(Host& host, A_long w, A_long h) {
  return host.CreateWorld(w, h, PixelTraits<P>::kDeep, true);
}

// Paints the pattern, or one colour when given.
template <typename P>
void Paint(PF_EffectWorld& w, const P* solid = nullptr) {
  for (A_long y = 0; y < w.height; ++y)
    for (A_long x = 0; x < w.width; ++x) *PixelAt<P>(w, x, y) = solid ? *solid : Pattern<P>(x, y);
}

// Every pixel equals want(x, y); reports the first that does not.
template <typename P, typename F>
void ExpectWorld(const PF_EffectWorld& w, F want) {
  for (A_long y = 0; y < w.height; ++y)
    for (A_long x = 0; x < w.width; ++x)
      if (!(*PixelAt<P>(w, x, y) == want(x, y))) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is "
                      << testing::PrintToString(*PixelAt<P>(w, x, y)) << ", want "
                      << testing::PrintToString(want(x, y));
        return;
      }
}

// A host and one world of P painted with the pattern, wrapped without owning it.
template <typename P>
struct Canvas {
  Canvas(A_long w, A_long h) : world(NewWorld<P>(host, w, h)), ae(host.InData(), world, false) {
    Paint<P>(*world);
  }
  Host host;
  PF_EffectWorld* world;
  AEWorld ae;
};

// Calls f(P{}) with the 8-bit, then the 16-bit pixel type.
template <typename F>
void AtBothDepths(F f) {
  f(PF_Pixel{});
  f(PF_Pixel16{});
}

template <typename F>
void ExpectAEError(F f, PF_Err code, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), code);
    EXPECT_EQ(std::string(e.Message()), message);
  }
}

}  // namespace ctest
