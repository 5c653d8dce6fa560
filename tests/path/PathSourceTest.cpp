// The path sources: the point groups (FakePath) and the mask served by the embedded host's suites
// (AEpath).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "Common/AEException.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/PathSuites.h"
#include "path/AEObjectAutoPointer.h"
#include "path/AEpath.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"

namespace {

using embedded::PathSuites;

template <typename E = AEException>
auto Fails(PF_Err code, const char* message) {
  return testing::Throws<E>(testing::AllOf(
      testing::Property(&E::Code, code), testing::Property(&E::Message, testing::StrEq(message))));
}

std::vector<double> Fields(const PF_PathVertex& v) {
  return {v.x, v.y, v.tan_in_x, v.tan_in_y, v.tan_out_x, v.tan_out_y};
}

// A parameter array built by hand with only the point groups filled; point k (1-based) at
// (x, y) with its handle at (hx, hy), in 16.16.
struct PointParams {
  PointParams() {
    for (size_t i = 0; i < defs.size(); ++i) ptrs[i] = &defs[i];
  }
  void Set(int k, bool active, PF_Fixed x, PF_Fixed y, PF_Fixed hx, PF_Fixed hy) {
    PF_ParamDef* group = &defs[static_cast<size_t>(82 + 5 * (k - 1))];
    group[1].u.bd.value = active ? 1 : 0;
    group[2].u.td.x_value = x;
    group[2].u.td.y_value = y;
    group[3].u.td.x_value = hx;
    group[3].u.td.y_value = hy;
  }
  std::vector<PF_ParamDef> defs = std::vector<PF_ParamDef>(113);
  std::vector<PF_ParamDef*> ptrs = std::vector<PF_ParamDef*>(113);
};

TEST(PathPoint, ConvertsFixedAndMirrorsTheHandle) {
  // clang-format off
  const struct { PF_Fixed px, py, hx, hy; PF_PathVertex expected; } cases[] = {
      // 100.5 * 65536 exactly
      {6586368, 65536 * 7, 65536 * 110, 65536 * 7, {100.5, 7, 110, 7, 91, 7}},
      // A handle on its point moves by (0.5, 0.5); the mirror goes the other way.
      {65536 * 40, 65536 * 30, 65536 * 40, 65536 * 30, {40, 30, 40.5, 30.5, 39.5, 29.5}},
      {-65536 * 12 - 16384, 65536 * 3, -65536 * 10, 65536 * 5, {-12.25, 3, -10, 5, -14.5, 1}},
      // equal in x only: nothing added
      {65536 * 5, 65536 * 5, 65536 * 5, 65536 * 9, {5, 5, 5, 9, 5, 1}}};
  // clang-format on
  for (const auto& c : cases) {
    PointParams params;
    params.Set(1, true, c.px, c.py, c.hx, c.hy);
    EXPECT_EQ(Fields(PathPoint::Read(params.ptrs.data(), 82).vertex), Fields(c.expected));
  }
}

TEST(FakePath, ActivePointsInOrderWithClosingCopy) {
  // Point k at (10 k, 20 k) with its handle 3 pixels to the right; expected: the point numbers
  // in the path, closing copy included.
  // clang-format off
  const struct { std::vector<int> active; bool open; std::vector<int> expected; bool checkout;
                 int segments; } cases[] = {
      {{1, 3, 6}, false, {1, 3, 6, 1}, true, 3},
      {{1, 3, 6}, true, {1, 3, 6}, true, 2},
      {{2, 5}, false, {2, 5, 2}, true, 2},
      {{4}, false, {4}, true, 0},
      {{4}, true, {4}, true, 0},
      {{}, false, {}, false, -1},
      {{1, 2, 3, 4, 5, 6}, true, {1, 2, 3, 4, 5, 6}, true, 5},
      {{1, 2, 3, 4, 5, 6}, false, {1, 2, 3, 4, 5, 6, 1}, true, 6}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.active.size() << " points, open " << c.open);
    PointParams params;
    for (int k = 1; k <= 6; ++k) {
      const bool on = std::find(c.active.begin(), c.active.end(), k) != c.active.end();
      params.Set(k, on, (10 * k) << 16, (20 * k) << 16, (10 * k + 3) << 16, (20 * k) << 16);
    }
    AEObjectAutoPointer<PathObject> path(new FakePath(ReadPathPoints(params.ptrs.data()), c.open));
    EXPECT_EQ(path->Checkout(), c.checkout);
    EXPECT_EQ(path->IsOpen(), c.open);
    EXPECT_EQ(path->NumSegments(), c.segments);
    ASSERT_EQ(path->NumVertices(), static_cast<int32_t>(c.expected.size()));
    PF_PathVertex v{};
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(&path->GetVertex(v, static_cast<int32_t>(i)), &v);
      const double k = c.expected[i];
      EXPECT_EQ((std::vector{v.x, v.y, v.tan_in_x, v.tan_out_x}),
                (std::vector{10 * k, 20 * k, 10 * k + 3, 10 * k - 3}));
    }
    EXPECT_THROW(path->GetVertex(v, path->NumVertices()), std::out_of_range);
    EXPECT_THROW(path->GetVertex(v, -1), std::out_of_range);
  }
}

PF_PathVertex Vertex(double x, double y) { return {x, y, x - 4.0, y + 1.5, x + 4.0, y - 1.5}; }
const std::vector<PF_PathVertex> kFour = {Vertex(10, 10), Vertex(50, 12.25), Vertex(48, 60),
                                          Vertex(12.5, 55)};

// A host with mask suites at render time 48 (step 2, scale 24) and the mask parameter.
struct MaskHost {
  MaskHost() {
    pathParam.param_type = PF_Param_PATH;
    std::tie(host.InData()->current_time, host.InData()->time_step, host.InData()->time_scale) =
        std::tuple(48, 2, 24);
  }
  std::unique_ptr<AEpath> Make(PF_PathID id) {
    pathParam.u.path_d.path_id = id;
    return std::make_unique<AEpath>(host.InData(), params, 1);
  }
  std::unique_ptr<AEpath> Mask(bool open) { return Make(suites.AddMask(kFour, open)); }
  embedded::EmbeddedHost host;
  PathSuites suites{host};
  PF_ParamDef layerParam{}, pathParam{};
  PF_ParamDef* params[2] = {&layerParam, &pathParam};
};

TEST(AEpath, NoMaskChosenChecksOutNothingWithoutAskingTheHost) {
  MaskHost m;
  EXPECT_FALSE(m.Make(0)->Checkout());
  EXPECT_TRUE(m.suites.CheckoutRequests().empty());
  EXPECT_EQ(m.host.AcquireCount(kPFPathQuerySuite), 0);
  EXPECT_EQ(m.suites.CheckinCount(), 0);
}

TEST(AEpath, CheckoutAsksForTheRenderTimeOnceAndChecksInOnDestruction) {
  MaskHost m;
  auto path = m.Mask(true);
  EXPECT_TRUE(path->Checkout());
  EXPECT_TRUE(path->Checkout());
  ASSERT_EQ(m.suites.CheckoutRequests().size(), 1u);
  const auto r = m.suites.CheckoutRequests()[0];
  EXPECT_EQ(std::tuple(r.id, r.what_time, r.time_step, r.time_scale),
            std::tuple(m.pathParam.u.path_d.path_id, 48, 2, 24u));
  EXPECT_EQ(m.suites.CheckinCount(), 0);
  path.reset();
  EXPECT_EQ(m.suites.CheckinCount(), 1);
  EXPECT_EQ(m.suites.OutstandingCheckouts(), 0);
  EXPECT_EQ(m.host.ReleaseCount(kPFPathQuerySuite), 1);
  EXPECT_EQ(m.host.ReleaseCount(kPFPathDataSuite), 1);
}

TEST(AEpath, MaskWithoutShapeChecksOutFalseAndIsNotCheckedIn) {
  MaskHost m;
  auto path = m.Make(m.suites.AddEmptyMask());
  EXPECT_FALSE(path->Checkout());
  EXPECT_THROW(path->NumSegments(), AEException);
  path.reset();
  EXPECT_EQ(m.suites.CheckoutRequests().size(), 1u);
  EXPECT_EQ(m.suites.CheckinCount(), 0);
}

TEST(AEpath, FourVerticesGiveTheSegmentsAndVerticesOfTheirShape) {
  for (const auto& [open, segments] : {std::pair{true, 3}, std::pair{false, 4}}) {
    MaskHost m;
    auto path = m.Mask(open);
    ASSERT_TRUE(path->Checkout());
    EXPECT_EQ(path->IsOpen(), open);
    EXPECT_EQ(path->NumSegments(), segments);
    EXPECT_EQ(path->NumVertices(), segments + 1);
    for (int32_t i = 0; i <= segments; ++i) {
      PF_PathVertex v{};
      EXPECT_EQ(&path->GetVertex(v, i), &v);
      EXPECT_EQ(Fields(v), Fields(kFour[static_cast<size_t>(i % 4)]))
          << "open " << open << " vertex " << i;
    }
  }
}

TEST(AEpath, EveryQueryBeforeCheckoutThrowsPathNotCheckedOut) {
  MaskHost m;
  auto path = m.Mask(true);
  const char* kMessage = "PathObject : Path not checked out";
  EXPECT_THAT([&] { path->IsOpen(); }, Fails(1, kMessage));
  EXPECT_THAT([&] { path->NumSegments(); }, Fails(1, kMessage));
  EXPECT_THAT([&] { path->NumVertices(); }, Fails(1, kMessage));
  EXPECT_THAT(
      [&] {
        PF_PathVertex v{};
        path->GetVertex(v, 0);
      },
      Fails(1, kMessage));
  EXPECT_EQ(m.suites.DataQueryCount(), 0);
}

TEST(AEpath, HostErrorsCarryTheHostsCodeAndTheirMessage) {
  // The failing host function, the message, and whether the mask was checked out (so checked in).
  // clang-format off
  const struct { PathSuites::Function failing; const char* message; bool checkedIn; } cases[] = {
      {PathSuites::Function::kCheckout, "AEPath: Could not obtain path data", false},
      {PathSuites::Function::kNumSegments, "AEpath: Path error", true},
      {PathSuites::Function::kIsOpen, "AEpath: Path error", true},
      {PathSuites::Function::kVertexInfo, "AEpath: Could not get vertex from path.", true}};
  // clang-format on
  for (const auto& c : cases) {
    MaskHost m;
    auto path = m.Mask(false);
    m.suites.FailFunction(c.failing, 1234);
    PF_PathVertex v{};
    EXPECT_THAT(
        [&] {
          path->Checkout();
          path->IsOpen();
          path->GetVertex(v, 2);
        },
        Fails(1234, c.message));
    path.reset();
    EXPECT_EQ(m.suites.CheckinCount(), c.checkedIn ? 1 : 0) << c.message;
  }
}

TEST(AEpath, MissingSuiteIsSuiteNotFoundAndCheckInFailureIsIgnored) {
  MaskHost m;
  auto path = m.Mask(true);
  m.host.SetSuiteAnswer(kPFPathQuerySuite, embedded::SuiteAnswer::kRefuse);
  EXPECT_THAT([&] { path->Checkout(); }, Fails<SuiteNotFound>(13, "Suite not found"));
  MaskHost n;
  path = n.Mask(true);
  ASSERT_TRUE(path->Checkout());
  n.suites.FailFunction(PathSuites::Function::kCheckin, 99);
  EXPECT_NO_THROW(path.reset());
}

}  // namespace
