#include "render/Composite.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/FrameHarness.h"

namespace {

enum class Expect { kStroke, kInput, kCrossFade };

struct CompositeCase {
  bool deep;
  int32_t mode;
  double amount;
  Expect expect;
};

template <typename P>
void Check(const CompositeCase& c) {
  harness::Frame frame(24, 16, c.deep);
  harness::FillPattern<P>(frame.Input());
  std::vector<P> stroke;
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 24; ++x) {
      const P in = *PixelAt<P>(*frame.Input(), x, y);
      stroke.push_back(P{in.blue, in.alpha, in.red, in.green});  // anything different
      *PixelAt<P>(*frame.Output(), x, y) = stroke.back();
    }
  }
  StrokeSettings settings{};
  settings.compositeAmount = c.amount;
  settings.transferMode = c.mode;
  CompositeWithOriginal(frame.InData(), settings, *frame.Input(), *frame.Output());

  const auto r = static_cast<int64_t>(c.amount * 65536.0 + 0.5);
  const auto fade = [r](int64_t s, int64_t i) { return (s * (65536 - r) + i * r + 32768) >> 16; };
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 24; ++x) {
      const P s = stroke[static_cast<size_t>(y * 24 + x)];
      const P i = *PixelAt<P>(*frame.Input(), x, y);
      using C = decltype(s.alpha);
      P want = c.expect == Expect::kStroke ? s : i;
      if (c.expect == Expect::kCrossFade) {
        want = P{static_cast<C>(fade(s.alpha, i.alpha)), static_cast<C>(fade(s.red, i.red)),
                 static_cast<C>(fade(s.green, i.green)), static_cast<C>(fade(s.blue, i.blue))};
      }
      ASSERT_TRUE(harness::SamePixel(*PixelAt<P>(*frame.Output(), x, y), want)) << x << "," << y;
    }
  }
}

class CompositeTest : public ::testing::TestWithParam<CompositeCase> {};

TEST_P(CompositeTest, AmountIsTheShareOfTheInputLayer) {
  GetParam().deep ? Check<PF_Pixel16>(GetParam()) : Check<PF_Pixel>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CompositeTest,
    ::testing::Values(CompositeCase{false, -1, 0.0, Expect::kStroke},
                      CompositeCase{false, -1, 1.0, Expect::kInput},
                      CompositeCase{false, -1, 0.5, Expect::kCrossFade},    // ratio 32768
                      CompositeCase{true, -1, 0.3, Expect::kCrossFade},     // 19660.8 -> 19661
                      CompositeCase{true, PF_Xfer_MULTIPLY, 1.0, Expect::kInput}));  // opacity 0

}  // namespace
