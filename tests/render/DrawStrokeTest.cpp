#include "render/DrawStroke.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "gradient/Gradient.h"
#include "path/FakePath.h"
#include "render/FrameHarness.h"
#include "render/Formulas.h"
#include "stroke/CurveSampler.h"

namespace {

bool SameColumn(const PF_EffectWorld* a, const PF_EffectWorld* b, A_long x) {
  for (A_long y = 0; y < a->height; ++y) {
    if (!harness::SamePixel(*PixelAt<PF_Pixel>(*a, x, y), *PixelAt<PF_Pixel>(*b, x, y))) return false;
  }
  return true;
}

void Walkthrough(harness::Frame& frame) {
  harness::FillPattern<PF_Pixel>(frame.Input());
  for (int k = 1; k <= 3; ++k) {
    frame.Params().SetCheckbox(param::PointHeader(k) + param::kPointActivate, true);
  }
  frame.Params().SetCheckbox(param::kShowPath, false);
}

class AbortTest : public ::testing::TestWithParam<long> {};

TEST_P(AbortTest, Stops517KeepingTheColumnsDrawnSoFar) {
  harness::Frame full(320, 180, false);
  Walkthrough(full);
  A_long first = -1;
  full.Host().SetProgressHandler([&first](A_long x, A_long) {
    if (first < 0) first = x;
    return PF_Err_NONE;
  });
  ASSERT_EQ(full.Render(), PF_Err_NONE);

  harness::Frame cut(320, 180, false);
  Walkthrough(cut);
  cut.Host().AbortAfterProgressCalls(GetParam());
  std::strcpy(cut.OutData()->return_msg, "untouched");
  EXPECT_EQ(cut.Render(), PF_Interrupt_CANCEL);
  EXPECT_STREQ(cut.OutData()->return_msg, "untouched");
  // The column being drawn when the host said stop is finished too.
  const A_long last = first + GetParam();
  for (A_long x = 0; x < 320; ++x) {
    const bool drawn = x >= first && x <= last;
    EXPECT_TRUE(SameColumn(cut.Output(), drawn ? full.Output() : cut.Input(), x)) << x;
  }
  EXPECT_FALSE(SameColumn(full.Output(), full.Input(), last));  // the stroke is there
}

INSTANTIATE_TEST_SUITE_P(Columns, AbortTest, ::testing::Values(15L, 45L));

// The drawing loop visits only rows that can change; compare it with the
// sampler's unpruned gates over every pixel of the stroke bounds.
struct SweepCase {
  int endStyle, mode;
  bool closed;
  PF_Quality quality;
};

class SweepTest : public ::testing::TestWithParam<SweepCase> {};

TEST_P(SweepTest, SameAsEveryPixelOfTheBounds) {
  const SweepCase c = GetParam();
  harness::Frame frame(160, 120, false);
  harness::FillPattern<PF_Pixel>(frame.Input());
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
  params.SetFixed(param::kLineWidth, 40);
  ASSERT_EQ(frame.Render(), PF_Err_NONE);

  StrokeSettings settings = ReadStrokeSettings(frame.InData(), params.Get(), false);
  Gradient gradient(&settings);
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    gradient.AddDot(ReadColorDot(params.Get(), param::ColorDotHeader(k)));
  }
  settings.gradient = &gradient;
  FakePath path(ReadPathPoints(params.Get()), !c.closed);
  settings.path = &path;
  CurveSampler<PF_Pixel> s(frame.InData(), settings);
  const BBox box = s.Geometry().StrokeBounds();
  for (A_long y = 0; y < 120; ++y) {
    for (A_long x = 0; x < 160; ++x) {
      PF_Pixel want = *PixelAt<PF_Pixel>(*frame.Input(), x, y);
      if (x >= box.xMin && x <= box.xMax && y >= box.yMin && y <= box.yMax) {
        double coverage = 0.0, d = 0.0, alpha = 0.0;
        PF_Pixel color;
        if (s.Geometry().FlatEnds() && s.Geometry().NearFlatEnd(x, y)) {
          want = s.ShadePixel(x, y, want);  // supersampled: no unpruned public form
        } else if (s.PixelGate(x, y, coverage, d) && s.Shade(d, color, alpha)) {
          want = formulas::Blend(color, coverage * alpha, want);
        }
      }
      ASSERT_TRUE(harness::SamePixel(*PixelAt<PF_Pixel>(*frame.Output(), x, y), want)) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Strokes, SweepTest,
                         ::testing::Values(SweepCase{1, 1, false, PF_Quality_HI},
                                           SweepCase{2, 1, false, PF_Quality_HI},
                                           SweepCase{1, 2, true, PF_Quality_LO}));

}  // namespace
