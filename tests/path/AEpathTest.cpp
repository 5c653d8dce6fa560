// The mask path source against the embedded host's mask suites.
#include "path/AEpath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Common/AEException.h"
#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/PathSuites.h"
#include "path/BezierPath.h"

namespace {

using embedded::EmbeddedHost;
using embedded::PathSuites;

PF_PathVertex Vertex(double x, double y) {
  return {x, y, x - 4.0, y + 1.5, x + 4.0, y - 1.5};
}

const std::vector<PF_PathVertex> kFourVertices = {Vertex(10, 10), Vertex(50, 12.25),
                                                  Vertex(48, 60), Vertex(12.5, 55)};

class AEpathTest : public ::testing::Test {
 protected:
  AEpathTest() : suites_(host_) {
    pathParam_.param_type = PF_Param_PATH;
    params_[0] = &layerParam_;
    params_[1] = &pathParam_;
    host_.InData()->current_time = 48;
    host_.InData()->time_step = 2;
    host_.InData()->time_scale = 24;
  }

  std::unique_ptr<AEpath> MakePath(PF_PathID id) {
    pathParam_.u.path_d.path_id = id;
    return std::make_unique<AEpath>(host_.InData(), params_, 1);
  }

  EmbeddedHost host_;
  PathSuites suites_;
  PF_ParamDef layerParam_{};
  PF_ParamDef pathParam_{};
  PF_ParamDef* params_[2] = {};
};

TEST_F(AEpathTest, NoMaskChosenChecksOutNothingWithoutAskingTheHost) {
  auto path = MakePath(0);
  EXPECT_FALSE(path->Checkout());
  path.reset();
  EXPECT_TRUE(suites_.CheckoutRequests().empty());
  EXPECT_EQ(host_.AcquireCount(kPFPathQuerySuite), 0);
  EXPECT_EQ(suites_.CheckinCount(), 0);
}

TEST_F(AEpathTest, CheckoutAsksForTheRenderTimeOnceAndChecksInOnDestruction) {
  const PF_PathID id = suites_.AddMask(kFourVertices, true);
  auto path = MakePath(id);
  EXPECT_TRUE(path->Checkout());
  EXPECT_TRUE(path->Checkout());
  ASSERT_EQ(suites_.CheckoutRequests().size(), 1u);
  const auto request = suites_.CheckoutRequests()[0];
  EXPECT_EQ(request.id, id);
  EXPECT_EQ(request.what_time, 48);
  EXPECT_EQ(request.time_step, 2);
  EXPECT_EQ(request.time_scale, 24u);
  EXPECT_EQ(suites_.CheckinCount(), 0);
  path.reset();
  EXPECT_EQ(suites_.CheckinCount(), 1);
  EXPECT_EQ(suites_.OutstandingCheckouts(), 0);
  EXPECT_EQ(host_.ReleaseCount(kPFPathQuerySuite), 1);
  EXPECT_EQ(host_.ReleaseCount(kPFPathDataSuite), 1);
}

TEST_F(AEpathTest, MaskWithoutShapeChecksOutFalseAndIsNotCheckedIn) {
  auto path = MakePath(suites_.AddEmptyMask());
  EXPECT_FALSE(path->Checkout());
  EXPECT_THROW(path->NumSegments(), AEException);
  path.reset();
  EXPECT_EQ(suites_.CheckoutRequests().size(), 1u);
  EXPECT_EQ(suites_.CheckinCount(), 0);
}

// Masks and what the path source reports of them.
struct MaskCase {
  const char* name;
  bool open;
  int32_t segments;
};

class AEpathMask : public AEpathTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(AEpathMask, FourVerticesGiveTheSegmentsAndVerticesOfTheirShape) {
  const MaskCase& c = GetParam();
  auto path = MakePath(suites_.AddMask(kFourVertices, c.open));
  ASSERT_TRUE(path->Checkout());
  EXPECT_EQ(path->IsOpen(), c.open);
  EXPECT_EQ(path->NumSegments(), c.segments);
  EXPECT_EQ(path->NumVertices(), c.segments + 1);
  for (int32_t i = 0; i <= c.segments; ++i) {
    PF_PathVertex v{};
    PF_PathVertex& returned = path->GetVertex(v, i);
    EXPECT_EQ(&returned, &v);
    const PF_PathVertex& want = kFourVertices[static_cast<size_t>(i % 4)];
    EXPECT_EQ(v.x, want.x);
    EXPECT_EQ(v.y, want.y);
    EXPECT_EQ(v.tan_in_x, want.tan_in_x);
    EXPECT_EQ(v.tan_in_y, want.tan_in_y);
    EXPECT_EQ(v.tan_out_x, want.tan_out_x);
    EXPECT_EQ(v.tan_out_y, want.tan_out_y);
  }
}

INSTANTIATE_TEST_SUITE_P(OpenAndClosed, AEpathMask,
                         ::testing::Values(MaskCase{"Open", true, 3}, MaskCase{"Closed", false, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AEpathTest, BezierPathAsksVerticesZeroToFourOfAClosedMaskAndClosesTheShape) {
  auto path = MakePath(suites_.AddMask(kFourVertices, false));
  ASSERT_TRUE(path->Checkout());
  BezierPath bezier(path.get());
  Array1D<BezierCurve>& curves = bezier.Curves();
  ASSERT_EQ(curves.Count(), 4);
  std::vector<A_long> asked = suites_.VerticesAsked();
  std::sort(asked.begin(), asked.end());
  asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
  EXPECT_EQ(asked, (std::vector<A_long>{0, 1, 2, 3, 4}));
  // The last curve runs from vertex 3 back to vertex 0 with their handles.
  const BezierCurve& last = curves[3];
  EXPECT_EQ(last.ControlPoint(0).x, 12.5);
  EXPECT_EQ(last.ControlPoint(1).x, 12.5 + 4.0);
  EXPECT_EQ(last.ControlPoint(2).x, 10.0 - 4.0);
  EXPECT_EQ(last.ControlPoint(2).y, 10.0 + 1.5);
  EXPECT_EQ(last.ControlPoint(3).x, 10.0);
  EXPECT_EQ(last.ControlPoint(3).y, 10.0);
}

// Every query before a successful checkout fails the same way.
struct QueryCase {
  const char* name;
  std::function<void(AEpath&)> query;
};

class AEpathBeforeCheckout : public AEpathTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(AEpathBeforeCheckout, ThrowsPathNotCheckedOut) {
  auto path = MakePath(suites_.AddMask(kFourVertices, true));
  try {
    GetParam().query(*path);
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_STREQ(e.Message(), "PathObject : Path not checked out");
  }
  EXPECT_EQ(suites_.DataQueryCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryQuery, AEpathBeforeCheckout,
    ::testing::Values(QueryCase{"IsOpen", [](AEpath& p) { p.IsOpen(); }},
                      QueryCase{"NumSegments", [](AEpath& p) { p.NumSegments(); }},
                      QueryCase{"NumVertices", [](AEpath& p) { p.NumVertices(); }},
                      QueryCase{"GetVertex",
                                [](AEpath& p) {
                                  PF_PathVertex v{};
                                  p.GetVertex(v, 0);
                                }}),
    [](const auto& info) { return std::string(info.param.name); });

// A host function that fails, what the source throws, and whether the mask
// had been checked out (and so must be checked in).
struct HostErrorCase {
  const char* name;
  PathSuites::Function failing;
  const char* message;
  bool checkedIn;
};

class AEpathHostError : public AEpathTest, public ::testing::WithParamInterface<HostErrorCase> {};

TEST_P(AEpathHostError, CarriesTheHostsCodeAndItsMessage) {
  const HostErrorCase& c = GetParam();
  auto path = MakePath(suites_.AddMask(kFourVertices, false));
  suites_.FailFunction(c.failing, 1234);
  try {
    path->Checkout();
    PF_PathVertex v{};
    path->IsOpen();
    path->GetVertex(v, 2);
    FAIL() << "no exception";
  } catch (const AEException& e) {
    EXPECT_EQ(e.Code(), 1234);
    EXPECT_STREQ(e.Message(), c.message);
  }
  path.reset();
  EXPECT_EQ(suites_.CheckinCount(), c.checkedIn ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryHostCall, AEpathHostError,
    ::testing::Values(HostErrorCase{"Checkout", PathSuites::Function::kCheckout,
                                    "AEPath: Could not obtain path data", false},
                      HostErrorCase{"NumSegments", PathSuites::Function::kNumSegments,
                                    "AEpath: Path error", true},
                      HostErrorCase{"IsOpen", PathSuites::Function::kIsOpen, "AEpath: Path error",
                                    true},
                      HostErrorCase{"VertexInfo", PathSuites::Function::kVertexInfo,
                                    "AEpath: Could not get vertex from path.", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AEpathTest, MissingSuiteIsSuiteNotFound) {
  auto path = MakePath(suites_.AddMask(kFourVertices, true));
  host_.SetSuiteAnswer(kPFPathQuerySuite, embedded::SuiteAnswer::kRefuse);
  try {
    path->Checkout();
    FAIL() << "no exception";
  } catch (const SuiteNotFound& e) {
    EXPECT_EQ(e.Code(), 13);
    EXPECT_STREQ(e.Message(), "Suite not found");
  }
}

TEST_F(AEpathTest, CheckInFailureIsIgnored) {
  auto path = MakePath(suites_.AddMask(kFourVertices, true));
  ASSERT_TRUE(path->Checkout());
  suites_.FailFunction(PathSuites::Function::kCheckin, 99);
  EXPECT_NO_THROW(path.reset());
}

}  // namespace
