// In the mask layout a frame takes its path from the mask chosen in "Path"
// and draws no overlay; a closed mask with the vertices of the point path
// renders exactly the frame the point layout renders.
#include <gtest/gtest.h>

#include <vector>

#include "FrameHarness.h"
#include "host/embedded/PathSuites.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"

namespace {

std::vector<unsigned char> Bytes(const PF_EffectWorld* world) {
  const size_t rowLength = static_cast<size_t>(world->width) * (IsDeep(*world) ? 8u : 4u);
  std::vector<unsigned char> bytes;
  for (A_long y = 0; y < world->height; ++y) {
    const auto* row = static_cast<const unsigned char*>(world->data) + y * world->rowbytes;
    bytes.insert(bytes.end(), row, row + rowLength);
  }
  return bytes;
}

template <typename P>
void ExpectMaskFrameEqualsPointFrame() {
  constexpr bool deep = PixelTraits<P>::kDeep;
  harness::Frame points(80, 60, deep);
  harness::FillPattern<P>(points.Input());
  points.ActivatePoint(1, 12, 10, 4, 30);
  points.ActivatePoint(2, 66, 14, 50, 2);
  points.ActivatePoint(4, 20, 50, 40, 56);
  points.Params().SetCheckbox(param::kClosePath, true);
  ASSERT_EQ(points.Render(), PF_Err_NONE);
  const std::vector<unsigned char> expected = Bytes(points.Output());
  // Rendered again with the overlay off: the mask layout has none.
  points.Params().SetCheckbox(param::kShowPath, false);
  ASSERT_EQ(points.Render(), PF_Err_NONE);
  const std::vector<unsigned char> withoutOverlay = Bytes(points.Output());
  ASSERT_NE(expected, withoutOverlay) << "the overlay should have drawn";

  // The same vertices, once each, as a closed mask.
  FakePath path(ReadPathPoints(points.Params().Get()), false);
  std::vector<PF_PathVertex> vertices;
  for (int32_t i = 0; i + 1 < path.NumVertices(); ++i) {
    PF_PathVertex v{};
    vertices.push_back(path.GetVertex(v, i));
  }

  embedded::EmbeddedHost host;
  embedded::PathSuites masks(host);
  SetPathMode(PathLayout::kMask);
  ProbeHost(host.InData());
  ASSERT_EQ(GetHostInfo().PathMode, PathLayout::kMask);
  ASSERT_EQ(ParamsSetup(host.InData(), host.OutData()), PF_Err_NONE);
  ASSERT_EQ(host.OutData()->num_params, 79);
  PF_EffectWorld* input = host.CreateWorld(80, 60, deep, false);
  PF_EffectWorld* output = host.CreateWorld(80, 60, deep, true);
  harness::FillPattern<P>(input);
  embedded::ParamArray params = host.BuildParams(input);
  params.SetPathId(param::kMaskPath, masks.AddMask(vertices, false));
  ASSERT_EQ(RenderDispatch(host.InData(), host.OutData(), params.Get(), output), PF_Err_NONE);
  SetPathMode(PathLayout::kPoint);

  EXPECT_EQ(masks.CheckoutCount(), 1);
  EXPECT_EQ(masks.OutstandingCheckouts(), 0);
  EXPECT_EQ(Bytes(output), withoutOverlay);
}

TEST(MaskLayoutFrame, ClosedMaskRendersThePointPathsFrame8) {
  ExpectMaskFrameEqualsPointFrame<PF_Pixel>();
}

TEST(MaskLayoutFrame, ClosedMaskRendersThePointPathsFrame16) {
  ExpectMaskFrameEqualsPointFrame<PF_Pixel16>();
}

TEST(MaskLayoutFrame, NoMaskChosenLeavesTheBackground) {
  embedded::EmbeddedHost host;
  embedded::PathSuites masks(host);
  SetPathMode(PathLayout::kMask);
  ProbeHost(host.InData());
  ASSERT_EQ(ParamsSetup(host.InData(), host.OutData()), PF_Err_NONE);
  PF_EffectWorld* input = host.CreateWorld(20, 10, false, false);
  PF_EffectWorld* output = host.CreateWorld(20, 10, false, true);
  harness::FillPattern<PF_Pixel>(input);
  embedded::ParamArray params = host.BuildParams(input);
  ASSERT_EQ(RenderDispatch(host.InData(), host.OutData(), params.Get(), output), PF_Err_NONE);
  SetPathMode(PathLayout::kPoint);
  EXPECT_EQ(masks.CheckoutCount(), 0);
  EXPECT_EQ(Bytes(output), Bytes(input));  // "Draw on Image" and nothing stroked
}

}  // namespace
