// The stroke and the frame: the composite step, the drawing loop (against the pixel formulas),
// abort, and the mask layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Common/AEException.h"
#include "host/embedded/HostThreads.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"
#include "render/Composite.h"
#include "render/DrawStroke.h"
#include "render/RenderFrame.h"
#include "tests/render/FrameHarness.h"

namespace {

using harness::SamePixel;

// The output holds a stroke image (the input's channels permuted); the composite cross-fades it
// with the input by the rounded 16.16 ratio, or leaves either whole.
template <typename P>
void CheckComposite(int32_t mode, double amount, bool crossFade) {
  harness::Frame frame(24, 16, sizeof(P) == 8);
  harness::FillPattern<P>(frame.input);
  const auto stroke = [&](A_long x, A_long y) {
    const P in = *PixelAt<P>(*frame.input, x, y);
    return P{in.blue, in.alpha, in.red, in.green};
  };
  for (A_long y = 0; y < 16; ++y)
    for (A_long x = 0; x < 24; ++x) *PixelAt<P>(*frame.output, x, y) = stroke(x, y);
  StrokeSettings settings{};
  settings.compositeAmount = amount;
  settings.transferMode = mode;
  // At 0 % the host's blend is not asked at all (here it would fail).
  PF_InData* in_data = frame.host.InData();
  PF_UtilCallbacks* const hostUtils = in_data->utils;
  PF_UtilCallbacks utils = *hostUtils;
  if (amount == 0.0) {
    utils.blend = [](PF_ProgPtr, const PF_EffectWorld*, const PF_EffectWorld*, PF_Fixed,
                     PF_EffectWorld*) -> PF_Err { return PF_Err_BAD_CALLBACK_PARAM; };
  }
  in_data->utils = &utils;
  EXPECT_NO_THROW(CompositeWithOriginal(in_data, settings, *frame.input, *frame.output));
  in_data->utils = hostUtils;
  const auto r = static_cast<int64_t>(amount * 65536.0 + 0.5);
  const auto fade = [r](int64_t s, int64_t i) {
    return static_cast<decltype(P{}.alpha)>((s * (65536 - r) + i * r + 32768) >> 16);
  };
  for (A_long y = 0; y < 16; ++y) {
    for (A_long x = 0; x < 24; ++x) {
      const P s = stroke(x, y), i = *PixelAt<P>(*frame.input, x, y);
      const P want = !crossFade ? (amount == 0.0 ? s : i)
                                : P{fade(s.alpha, i.alpha), fade(s.red, i.red),
                                    fade(s.green, i.green), fade(s.blue, i.blue)};
      ASSERT_TRUE(SamePixel(*PixelAt<P>(*frame.output, x, y), want))
          << amount << " " << x << "," << y;
    }
  }
}

TEST(Composite, AmountIsTheShareOfTheInputLayer) {
  CheckComposite<PF_Pixel>(-1, 0.0, false);
  CheckComposite<PF_Pixel>(-1, 1.0, false);
  CheckComposite<PF_Pixel>(-1, 0.5, true);                   // ratio 32768
  CheckComposite<PF_Pixel16>(-1, 0.3, true);                 // 19660.8 -> 19661
  CheckComposite<PF_Pixel16>(PF_Xfer_MULTIPLY, 1.0, false);  // opacity 0: the input
}

void Walkthrough(harness::Frame& frame) {
  harness::FillPattern<PF_Pixel>(frame.input);
  for (int k = 1; k <= 3; ++k)
    frame.params->SetCheckbox(param::PointHeader(k) + param::kPointActivate, true);
  frame.params->SetCheckbox(param::kShowPath, false);
}

bool SameColumn(const PF_EffectWorld* a, const PF_EffectWorld* b, A_long x) {
  for (A_long y = 0; y < a->height; ++y)
    if (!SamePixel(*PixelAt<PF_Pixel>(*a, x, y), *PixelAt<PF_Pixel>(*b, x, y))) return false;
  return true;
}

bool BlackColumn(const PF_EffectWorld* a, A_long x) {
  for (A_long y = 0; y < a->height; ++y)
    if (!SamePixel(*PixelAt<PF_Pixel>(*a, x, y), PF_Pixel{255, 0, 0, 0})) return false;
  return true;
}

// One host thread: exactly the columns up to the one being drawn when the
// host said stop. Several: those too, and any other column either whole
// (a worker had finished it) or the background ("Draw on Image" or "Draw on
// Black"), laid around the stroke while the stroke was drawn.
// A stroke wide enough to cover the frame has its last column at the frame's edge.
TEST(DrawStroke, AbortStops517KeepingTheColumnsDrawnSoFar) {
  for (const auto& [style, lineWidth] : {std::pair{2, 0}, {1, 0}, {1, 400}}) {
    const auto setUp = [&, style = style, lineWidth = lineWidth](harness::Frame& frame) {
      Walkthrough(frame);
      frame.params->SetPopup(param::kRenderingStyle, style);
      if (lineWidth > 0) frame.params->SetFixed(param::kLineWidth, lineWidth);
    };
    harness::Frame full(320, 180, false);
    setUp(full);
    A_long first = -1;
    full.host.SetProgressHandler([&first](A_long x, A_long) {
      if (first < 0) first = x;
      return PF_Err_NONE;
    });
    ASSERT_EQ(full.Render(), PF_Err_NONE);
    for (const int threads : {1, 3}) {
      embedded::SetHostThreadCount(threads);
      for (const long calls : {15L, 45L}) {
        harness::Frame cut(320, 180, false);
        setUp(cut);
        cut.host.Faults().AbortAfterProgressCalls(calls);
        std::strcpy(cut.host.OutData()->return_msg, "untouched");
        EXPECT_EQ(cut.Render(), PF_Interrupt_CANCEL);
        EXPECT_STREQ(cut.host.OutData()->return_msg, "untouched");
        const A_long last =
            first + calls;  // the column being drawn when the host said stop is finished too
        for (A_long x = 0; x < 320; ++x) {
          SCOPED_TRACE(std::to_string(style) + " style, width " + std::to_string(lineWidth) + ", " +
                       std::to_string(threads) + " threads, " + std::to_string(calls) +
                       " calls, column " + std::to_string(x));
          const bool whole = SameColumn(cut.output, full.output, x);
          const bool untouched =
              style == 1 ? BlackColumn(cut.output, x) : SameColumn(cut.output, cut.input, x);
          if (x >= first && x <= last) {
            EXPECT_TRUE(whole);
          } else if (x < first || threads == 1) {
            EXPECT_TRUE(untouched);
          } else {
            EXPECT_TRUE(whole || untouched);
          }
        }
        EXPECT_FALSE(style == 1
                         ? BlackColumn(full.output, last)
                         : SameColumn(full.output, full.input, last));  // the stroke is there
      }
    }
  }
  embedded::SetHostThreadCount(0);
}

// The background is laid straight from the input layer, so worlds of another size or depth are
// refused (code 1) before any pixel is written.
TEST(DrawStroke, RefusesAnInputOfAnotherSizeOrDepth) {
  harness::Frame frame(24, 16, false), narrow(20, 16, false), deep(24, 16, true);
  for (PF_EffectWorld* input : {narrow.input, deep.input}) {
    try {
      DrawStroke8(frame.host.InData(), StrokeSettings{}, input, frame.output);
      ADD_FAILURE() << "no exception";
    } catch (const AEException& e) { EXPECT_EQ(e.Code(), 1); }
  }
}

// On several host threads, the calling thread alone asks abort and reports
// progress, once per column of the stroke, in column order; the frame is the
// one-thread frame. Without the host's iteration suite the same.
TEST(DrawStroke, BandsPingTheHostFromTheCallingThreadInColumnOrder) {
  harness::Frame one(320, 180, false);
  Walkthrough(one);
  embedded::SetHostThreadCount(1);
  std::vector<A_long> oneColumns;
  one.host.SetProgressHandler([&](A_long x, A_long) {
    oneColumns.push_back(x);
    return PF_Err_NONE;
  });
  ASSERT_EQ(one.Render(), PF_Err_NONE);
  ASSERT_GT(oneColumns.size(), 40u);  // several bands of columns
  for (size_t i = 1; i < oneColumns.size(); ++i) ASSERT_EQ(oneColumns[i], oneColumns[i - 1] + 1);
  for (const bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "suite refused" : "suite offered");
    embedded::SetHostThreadCount(3);
    harness::Frame many(320, 180, false);
    Walkthrough(many);
    if (refused) many.host.SetSuiteAnswer(kPFIterateGenericSuite, embedded::SuiteAnswer::kRefuse);
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<A_long> columns;
    int elsewhere = 0;
    many.host.SetAbortHandler([&] {
      elsewhere += std::this_thread::get_id() != caller;
      return PF_Err_NONE;
    });
    many.host.SetProgressHandler([&](A_long x, A_long) {
      elsewhere += std::this_thread::get_id() != caller;
      columns.push_back(x);
      return PF_Err_NONE;
    });
    ASSERT_EQ(many.Render(), PF_Err_NONE);
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(columns, oneColumns);
    for (A_long x = 0; x < 320; ++x) EXPECT_TRUE(SameColumn(many.output, one.output, x)) << x;
    EXPECT_EQ(many.host.AcquireAttempts(kPFIterateGenericSuite), 1);
    EXPECT_EQ(many.host.ReleaseCount(kPFIterateGenericSuite), refused ? 0 : 1);
  }
  embedded::SetHostThreadCount(0);
}

// Eight columns a band, from the first column on; none for an empty range.
// "RGB (linear)" over the three default dots (red 20 %, green 50 %, blue 80 %).
PF_Pixel16 LinearGradient(double p) {
  const double pos[3] = {20.0 * 0.01, 50.0 * 0.01, 80.0 * 0.01};
  const PF_Pixel16 dot[3] = {{32768, 32768, 0, 0}, {32768, 0, 32768, 0}, {32768, 0, 0, 32768}};
  if (p <= pos[0] || p >= pos[2]) return dot[p <= pos[0] ? 0 : 2];
  const int i = p > pos[1] ? 1 : 0;
  const auto w = static_cast<uint32_t>((p - pos[i]) / (pos[i + 1] - pos[i]) * 32768.0 + 0.5);
  const auto mix = [w](uint32_t a, uint32_t b) {
    return static_cast<A_u_short>((b * w + a * (32768u - w)) >> 15);
  };
  const PF_Pixel16 &a = dot[i], &b = dot[i + 1];
  return {mix(a.alpha, b.alpha), mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
}

// A straight stroke through dispatch, pixel by pixel against the placement, gradient, falloff
// and blend formulas, for "Draw on Black" (1), "Draw on Image" (2) and "Draw on Clear" (3).
// Its reach ends in row 16, where a new band of background rows starts, and row 16 is painted.
template <typename P>
void CheckHorizontalStroke(int renderingStyle) {
  constexpr bool kDeep = sizeof(P) == 8;
  constexpr double kLineY = 6.75;
  harness::Frame frame(200, 32, kDeep);
  harness::FillPattern<P>(frame.input);
  frame.ActivatePoint(1, -100, kLineY, -200, kLineY);  // from x = -100 to 300, handles on the line:
  frame.ActivatePoint(2, 300, kLineY, 200, kLineY);    // pixel (x, y) lies |y + 0.5 - kLineY| away
  frame.params->SetCheckbox(param::kShowPath, false);
  frame.params->SetPopup(param::kGradientInterpolation, 1);
  frame.params->SetPopup(param::kRenderingStyle, renderingStyle);
  ASSERT_EQ(frame.Render(), PF_Err_NONE);
  const double h = 20.0 * 0.5;  // "Line Width" 20
  using C = decltype(P{}.alpha);
  for (A_long y = 0; y < 32; ++y) {
    for (A_long x = 0; x < 200; ++x) {
      const P b = renderingStyle == 1   ? P{static_cast<C>(kDeep ? 32768 : 255), 0, 0, 0}
                  : renderingStyle == 2 ? *PixelAt<P>(*frame.input, x, y)
                                        : P{0, 0, 0, 0};
      const double d = std::fabs(y + 0.5 - kLineY);
      const P expected = d > h ? b
                               : formulas::Blend(formulas::InDepth<P>(LinearGradient(d / h)),
                                                 formulas::Falloff(d, h, 0.2), b);
      ASSERT_TRUE(SamePixel(*PixelAt<P>(*frame.output, x, y), expected))
          << renderingStyle << " " << x << "," << y;
    }
  }
}

TEST(RenderFrame, HorizontalStrokeFollowsTheFormulasAtBothDepthsInEveryStyle) {
  for (int style : {1, 2, 3}) {
    CheckHorizontalStroke<PF_Pixel>(style);
    CheckHorizontalStroke<PF_Pixel16>(style);
  }
}

std::vector<unsigned char> Bytes(const PF_EffectWorld* world) {
  std::vector<unsigned char> bytes;
  for (A_long y = 0; y < world->height; ++y) {
    const auto* row = static_cast<const unsigned char*>(world->data) + y * world->rowbytes;
    bytes.insert(bytes.end(), row,
                 row + static_cast<size_t>(world->width) * (IsDeep(*world) ? 8u : 4u));
  }
  return bytes;
}

// Renders a fresh layer in the mask layout, with the closed mask of these vertices chosen if any.
template <typename P>
void RenderMaskLayout(A_long w, A_long h, const std::vector<PF_PathVertex>* vertices,
                      const std::vector<unsigned char>& expected) {
  harness::Frame frame(w, h, PixelTraits<P>::kDeep, true);
  ASSERT_EQ(GetHostInfo().PathMode, PathLayout::kMask);
  ASSERT_EQ(frame.host.OutData()->num_params, 79);
  harness::FillPattern<P>(frame.input);
  if (vertices) frame.params->SetPathId(param::kMaskPath, frame.masks->AddMask(*vertices, false));
  ASSERT_EQ(frame.Render(), PF_Err_NONE);
  SetPathMode(PathLayout::kPoint);
  EXPECT_EQ(frame.masks->CheckoutCount(), vertices ? 1 : 0);
  EXPECT_EQ(frame.masks->OutstandingCheckouts(), 0);
  EXPECT_EQ(Bytes(frame.output),
            vertices ? expected
                     : Bytes(frame.input));  // without a mask: "Draw on Image", nothing stroked
}

template <typename P>
void ExpectMaskFrameEqualsPointFrame() {
  harness::Frame points(80, 60, PixelTraits<P>::kDeep);
  harness::FillPattern<P>(points.input);
  points.ActivatePoint(1, 12, 10, 4, 30);
  points.ActivatePoint(2, 66, 14, 50, 2);
  points.ActivatePoint(4, 20, 50, 40, 56);
  points.params->SetCheckbox(param::kClosePath, true);
  ASSERT_EQ(points.Render(), PF_Err_NONE);
  const std::vector<unsigned char> withOverlay = Bytes(points.output);
  points.params->SetCheckbox(param::kShowPath,
                             false);  // again without the overlay: the mask layout has none
  ASSERT_EQ(points.Render(), PF_Err_NONE);
  ASSERT_NE(withOverlay, Bytes(points.output)) << "the overlay should have drawn";
  // The same vertices, once each, as a closed mask.
  FakePath path(ReadPathPoints(points.params->Get()), false);
  std::vector<PF_PathVertex> vertices(static_cast<size_t>(path.NumVertices() - 1));
  for (int32_t i = 0; i + 1 < path.NumVertices(); ++i) path.GetVertex(vertices[i], i);
  RenderMaskLayout<P>(80, 60, &vertices, Bytes(points.output));
}

TEST(MaskLayoutFrame, ClosedMaskRendersThePointPathsFrameAtBothDepthsAndNoMaskLeavesTheBackground) {
  ExpectMaskFrameEqualsPointFrame<PF_Pixel>();
  ExpectMaskFrameEqualsPointFrame<PF_Pixel16>();
  RenderMaskLayout<PF_Pixel>(20, 10, nullptr, {});
}

}  // namespace
