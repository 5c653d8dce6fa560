#include "render/DrawStroke.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "gradient/Gradient.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"
#include "render/FrameHarness.h"
#include "shell/RenderDispatch.h"
#include "shell/StrokeSettings.h"
#include "stroke/CurveSampler.h"

namespace {

template <typename P>
std::vector<P> Pixels(const PF_EffectWorld* w) {
  std::vector<P> out;
  for (A_long y = 0; y < w->height; ++y) {
    for (A_long x = 0; x < w->width; ++x) out.push_back(*PixelAt<P>(*w, x, y));
  }
  return out;
}

template <typename P>
bool SameColumn(const PF_EffectWorld* a, const PF_EffectWorld* b, A_long x) {
  for (A_long y = 0; y < a->height; ++y) {
    if (!harness::SamePixel(*PixelAt<P>(*a, x, y), *PixelAt<P>(*b, x, y))) return false;
  }
  return true;
}

void WalkthroughPoints(harness::Frame& frame) {
  for (int k = 1; k <= 3; ++k) frame.ActivateDefaultPoint(k);
  frame.Params().SetCheckbox(param::kShowPath, false);
}

// ---- Abort ------------------------------------------------------------------------------

class AbortTest : public ::testing::TestWithParam<long> {};

TEST_P(AbortTest, StopsWith517AndKeepsTheColumnsDrawnSoFar) {
  const long allowed = GetParam();  // progress calls that succeed
  // The whole stroke, for comparison, and the columns it visits.
  harness::Frame full(320, 180, false);
  harness::FillPattern<PF_Pixel>(full.Input());
  WalkthroughPoints(full);
  std::vector<A_long> columns;
  full.Host().SetProgressHandler([&columns](A_long current, A_long total) {
    EXPECT_EQ(total, 320);
    columns.push_back(current);
    return PF_Err_NONE;
  });
  ASSERT_EQ(RenderDispatch(full.InData(), full.OutData(), full.Params().Get(), full.Output()),
            PF_Err_NONE);
  ASSERT_GT(columns.size(), static_cast<size_t>(allowed + 1));
  for (size_t i = 1; i < columns.size(); ++i) ASSERT_EQ(columns[i], columns[i - 1] + 1);

  harness::Frame cut(320, 180, false);
  harness::FillPattern<PF_Pixel>(cut.Input());
  WalkthroughPoints(cut);
  cut.Host().AbortAfterProgressCalls(allowed);
  std::strcpy(cut.OutData()->return_msg, "untouched");
  EXPECT_EQ(RenderDispatch(cut.InData(), cut.OutData(), cut.Params().Get(), cut.Output()),
            PF_Interrupt_CANCEL);
  EXPECT_STREQ(cut.OutData()->return_msg, "untouched");
  EXPECT_EQ(cut.Host().ProgressCalls(), allowed);

  // The column that was being drawn when the host said stop is done too.
  const A_long lastDrawn = columns.front() + allowed;
  int strokedColumns = 0;
  for (A_long x = 0; x < 320; ++x) {
    if (x >= columns.front() && x <= lastDrawn) {
      EXPECT_TRUE(SameColumn<PF_Pixel>(cut.Output(), full.Output(), x)) << x;
      strokedColumns += SameColumn<PF_Pixel>(full.Output(), full.Input(), x) ? 0 : 1;
    } else {
      EXPECT_TRUE(SameColumn<PF_Pixel>(cut.Output(), cut.Input(), x)) << x;
    }
  }
  if (allowed > 20) {
    EXPECT_GT(strokedColumns, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Columns, AbortTest, ::testing::Values(0L, 5L, 60L));

TEST(DrawStrokeAbort, AnyHostErrorStopsWithItsCodeAndMessage) {
  harness::Frame frame(64, 64, true);
  frame.ActivatePoint(1, 10, 10, 5, 5);
  frame.ActivatePoint(2, 50, 50, 40, 45);
  frame.Host().SetProgressHandler([](A_long, A_long) { return PF_Err_INTERNAL_STRUCT_DAMAGED; });
  EXPECT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_STREQ(frame.OutData()->return_msg, "UI Ping: Error or user Abort.");
  EXPECT_EQ(frame.Host().ProgressCalls(), 1);
}

// ---- Backgrounds without a stroke ---------------------------------------------------------

struct BackgroundCase {
  int style;  // "Rendering Style" popup
  bool deep;
};

class NoPointTest : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(NoPointTest, OnlyTheBackgroundAndNoComposite) {
  const BackgroundCase c = GetParam();
  harness::Frame frame(40, 30, c.deep);
  if (c.deep) {
    harness::FillPattern<PF_Pixel16>(frame.Input());
  } else {
    harness::FillPattern<PF_Pixel>(frame.Input());
  }
  frame.Params().SetPopup(param::kRenderingStyle, c.style);
  // A full cross-fade would show the input layer if compositing ran.
  frame.Params().SetFixed(param::kCompositeWithOriginal, 100);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  EXPECT_EQ(frame.Host().ProgressCalls(), 0);
  const uint32_t full = c.deep ? 32768 : 255;
  for (A_long y = 0; y < 30; ++y) {
    for (A_long x = 0; x < 40; ++x) {
      uint32_t got[4];
      uint32_t in[4];
      if (c.deep) {
        const PF_Pixel16 p = *PixelAt<PF_Pixel16>(*frame.Output(), x, y);
        const PF_Pixel16 q = *PixelAt<PF_Pixel16>(*frame.Input(), x, y);
        got[0] = p.alpha, got[1] = p.red, got[2] = p.green, got[3] = p.blue;
        in[0] = q.alpha, in[1] = q.red, in[2] = q.green, in[3] = q.blue;
      } else {
        const PF_Pixel p = *PixelAt<PF_Pixel>(*frame.Output(), x, y);
        const PF_Pixel q = *PixelAt<PF_Pixel>(*frame.Input(), x, y);
        got[0] = p.alpha, got[1] = p.red, got[2] = p.green, got[3] = p.blue;
        in[0] = q.alpha, in[1] = q.red, in[2] = q.green, in[3] = q.blue;
      }
      const uint32_t black[4] = {full, 0, 0, 0};
      const uint32_t clear[4] = {0, 0, 0, 0};
      const uint32_t* want = c.style == 1 ? black : (c.style == 3 ? clear : in);
      for (int i = 0; i < 4; ++i) ASSERT_EQ(got[i], want[i]) << x << "," << y << " ch " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, NoPointTest,
                         ::testing::Values(BackgroundCase{1, false}, BackgroundCase{2, false},
                                           BackgroundCase{3, false}, BackgroundCase{1, true},
                                           BackgroundCase{2, true}, BackgroundCase{3, true}));

TEST(DrawStrokeBounds, StrokeOutsideTheFrameSamplesNothingButStillComposites) {
  harness::Frame frame(40, 30, false);
  harness::FillPattern<PF_Pixel>(frame.Input());
  // One point left of the frame: its box spans x -61 .. -39.
  frame.ActivatePoint(1, -50, 20, -40, 20);
  frame.Params().SetPopup(param::kRenderingStyle, 1);  // black
  frame.Params().SetFixed(param::kCompositeWithOriginal, 100);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), frame.Params().Get(), frame.Output()),
            PF_Err_NONE);
  EXPECT_EQ(frame.Host().ProgressCalls(), 0);
  // The cross-fade ran: the input layer shows everywhere.
  for (A_long x = 0; x < 40; ++x) {
    EXPECT_TRUE(SameColumn<PF_Pixel>(frame.Output(), frame.Input(), x)) << x;
  }
}

// ---- Only pixels that cannot change are skipped ---------------------------------------------------

struct SweepCase {
  const char* name;
  bool deep;
  int endStyle;   // popup
  int mode;       // popup
  bool closed;
  double width;
  PF_Quality quality;
};

// The sampler's answer from its unpruned gates (supersampled pixels, which
// have no unpruned public form, through ShadePixel).
template <typename P>
P Unpruned(CurveSampler<P>& sampler, A_long x, A_long y, const P& b) {
  if (sampler.Geometry().FlatEnds() && sampler.Geometry().NearFlatEnd(x, y)) {
    return sampler.ShadePixel(x, y, b);
  }
  double coverage = 0.0;
  double d = 0.0;
  P color;
  double alpha = 0.0;
  if (sampler.PixelGate(x, y, coverage, d) && sampler.Shade(d, color, alpha)) {
    return CurveSampler<P>::Blend(color, coverage * alpha, b);
  }
  return b;
}

template <typename P>
void CheckAgainstEveryPixel(const SweepCase& c) {
  harness::Frame frame(160, 120, c.deep);
  harness::FillPattern<P>(frame.Input());
  frame.Host().SetQuality(c.quality);
  frame.ActivatePoint(1, 20, 30, 5, 50);
  frame.ActivatePoint(2, 80, 10, 60, 10);
  frame.ActivatePoint(3, 140, 60, 150, 30);
  frame.ActivatePoint(4, 60, 100, 90, 110);
  embedded::ParamArray& params = frame.Params();
  params.SetCheckbox(param::kShowPath, false);
  params.SetCheckbox(param::kClosePath, c.closed);
  params.SetPopup(param::kEndPointStyle, c.endStyle);
  params.SetPopup(param::kGradientMode, c.mode);
  params.SetFixed(param::kLineWidth, c.width);
  ASSERT_EQ(RenderDispatch(frame.InData(), frame.OutData(), params.Get(), frame.Output()),
            PF_Err_NONE);

  // Every pixel of the clamped bounds through the sampler, over the input layer.
  StrokeSettings settings = ReadStrokeSettings(frame.InData(), params.Get(), c.deep);
  Gradient gradient(&settings);
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    gradient.AddDot(ReadColorDot(params.Get(), param::ColorDotHeader(k)));
  }
  settings.gradient = &gradient;
  FakePath path(ReadPathPoints(params.Get()), !c.closed);
  settings.path = &path;
  CurveSampler<P> sampler(frame.InData(), settings);
  const BBox b = sampler.Geometry().StrokeBounds();
  std::vector<P> expected = Pixels<P>(frame.Input());
  int changed = 0;
  for (A_long x = std::max(0, b.xMin); x <= std::min<A_long>(159, b.xMax); ++x) {
    for (A_long y = std::max(0, b.yMin); y <= std::min<A_long>(119, b.yMax); ++y) {
      P& e = expected[static_cast<size_t>(y * 160 + x)];
      const P shaded = Unpruned(sampler, x, y, e);
      changed += harness::SamePixel(shaded, e) ? 0 : 1;
      e = shaded;
    }
  }
  EXPECT_GT(changed, 200);
  const std::vector<P> got = Pixels<P>(frame.Output());
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_TRUE(harness::SamePixel(got[i], expected[i])) << "pixel " << i % 160 << "," << i / 160;
  }
}

class SweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SweepTest, SameAsShadingEveryPixelOfTheBounds) {
  if (GetParam().deep) {
    CheckAgainstEveryPixel<PF_Pixel16>(GetParam());
  } else {
    CheckAgainstEveryPixel<PF_Pixel>(GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Strokes, SweepTest,
    ::testing::Values(SweepCase{"RoundOpen8", false, 1, 1, false, 30, PF_Quality_HI},
                      SweepCase{"FlatOpenHigh16", true, 2, 1, false, 40, PF_Quality_HI},
                      SweepCase{"FlatOpenLow8", false, 2, 1, false, 40, PF_Quality_LO},
                      SweepCase{"InsideClosed16", true, 1, 2, true, 60, PF_Quality_HI},
                      SweepCase{"OutsideClosedLow8", false, 1, 3, true, 25, PF_Quality_LO},
                      SweepCase{"Thin8", false, 1, 1, false, 1, PF_Quality_HI}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
