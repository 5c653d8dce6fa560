// The mask layout's path source draws exactly what the point path draws when
// the mask has the same vertices: the stroke is drawn once through a FakePath
// of the point groups and once through an AEpath served by the embedded
// host's mask suites, with the same settings.
#include <gtest/gtest.h>

#include <vector>

#include "Common/MemoryWrappers.h"
#include "gradient/Gradient.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/PathSuites.h"
#include "path/AEpath.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"
#include "render/DrawStroke.h"
#include "shell/HostInfo.h"
#include "shell/ParamIndex.h"
#include "shell/ParamSetup.h"
#include "shell/StrokeSettings.h"

namespace {

std::vector<unsigned char> WorldBytes(const PF_EffectWorld* world, bool deep) {
  const size_t rowLength = static_cast<size_t>(world->width) * (deep ? 8u : 4u);
  std::vector<unsigned char> bytes;
  for (A_long y = 0; y < world->height; ++y) {
    const auto* row = static_cast<const unsigned char*>(world->data) +
                      static_cast<size_t>(y) * static_cast<size_t>(world->rowbytes);
    bytes.insert(bytes.end(), row, row + rowLength);
  }
  return bytes;
}

void FillPattern(PF_EffectWorld* world, bool deep) {
  for (A_long y = 0; y < world->height; ++y) {
    auto* row = static_cast<unsigned char*>(world->data) +
                static_cast<size_t>(y) * static_cast<size_t>(world->rowbytes);
    const size_t rowLength = static_cast<size_t>(world->width) * (deep ? 8u : 4u);
    for (size_t i = 0; i < rowLength; ++i) {
      row[i] = static_cast<unsigned char>((i * 7 + static_cast<size_t>(y) * 3) % 128);
    }
  }
}

struct MaskRenderCase {
  const char* name;
  bool deep;
  std::vector<int> activePoints;
};

class AEpathRender : public ::testing::TestWithParam<MaskRenderCase> {};

TEST_P(AEpathRender, ClosedMaskDrawsTheSamePixelsAsThePointPath) {
  const MaskRenderCase& c = GetParam();
  embedded::EmbeddedHost host;
  embedded::PathSuites masks(host);
  MemoryWrappers::CaptureCallbacks(host.InData());
  SetPathMode(PathLayout::kPoint);
  ASSERT_EQ(ParamsSetup(host.InData(), host.OutData()), PF_Err_NONE);
  PF_EffectWorld* input = host.CreateWorld(72, 56, c.deep, false);
  PF_EffectWorld* pointOut = host.CreateWorld(72, 56, c.deep, true);
  PF_EffectWorld* maskOut = host.CreateWorld(72, 56, c.deep, true);
  FillPattern(input, c.deep);
  embedded::ParamArray params = host.BuildParams(input);
  const double spots[6][4] = {{10, 12, 4, 30},  {60, 10, 50, 2},  {62, 48, 70, 30},
                              {14, 46, 30, 54}, {36, 28, 40, 20}, {40, 50, 20, 50}};
  for (int k : c.activePoints) {
    const int base = param::PointHeader(k);
    params.SetCheckbox(base + param::kPointActivate, true);
    params.SetPoint(base + param::kPointPosition, spots[k - 1][0], spots[k - 1][1]);
    params.SetPoint(base + param::kPointHandle, spots[k - 1][2], spots[k - 1][3]);
  }
  params.SetCheckbox(param::kClosePath, true);
  params.SetCheckbox(param::kShowPath, false);

  StrokeSettings settings = ReadStrokeSettings(host.InData(), params.Get(), c.deep);
  Gradient gradient(&settings);
  for (int k = 1; k <= param::kColorDotCount; ++k) {
    gradient.AddDot(ReadColorDot(params.Get(), param::ColorDotHeader(k)));
  }
  settings.gradient = &gradient;
  auto draw = c.deep ? DrawStroke16 : DrawStroke8;

  FakePath points(ReadPathPoints(params.Get()), false);
  settings.path = &points;
  draw(host.InData(), settings, input, pointOut);

  // The mask holds the active points' vertices once; the host closes it.
  std::vector<PF_PathVertex> vertices;
  for (int32_t i = 0; i + 1 < points.NumVertices(); ++i) {
    PF_PathVertex v{};
    vertices.push_back(points.GetVertex(v, i));
  }
  PF_ParamDef pathParam{};
  pathParam.param_type = PF_Param_PATH;
  pathParam.u.path_d.path_id = masks.AddMask(vertices, false);
  PF_ParamDef* maskParams[2] = {params.Get()[0], &pathParam};
  {
    AEpath mask(host.InData(), maskParams, 1);
    settings.path = &mask;
    draw(host.InData(), settings, input, maskOut);
  }
  EXPECT_EQ(masks.CheckoutCount(), 1);
  EXPECT_EQ(masks.CheckinCount(), 1);

  const std::vector<unsigned char> drawn = WorldBytes(pointOut, c.deep);
  ASSERT_NE(drawn, WorldBytes(input, c.deep)) << "the point path drew nothing";
  EXPECT_EQ(WorldBytes(maskOut, c.deep), drawn);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, AEpathRender,
    ::testing::Values(MaskRenderCase{"ThreePoints8", false, {1, 2, 3}},
                      MaskRenderCase{"FourPoints16", true, {1, 2, 3, 4}},
                      MaskRenderCase{"TwoPoints8", false, {2, 5}},
                      MaskRenderCase{"SixPoints16", true, {1, 2, 3, 4, 5, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
