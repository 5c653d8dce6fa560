// The embedded host's mask suites called as an effect calls them, through the
// basic suite of an EmbeddedHost.
#include "host/embedded/PathSuites.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

PF_PathVertex Vertex(double x, double y) { return {x, y, x - 1, y - 2, x + 3, y + 4}; }

// A mask of n vertices, open or closed, and the counts the host reports.
struct MaskCase {
  int vertexCount;
  bool open;
  A_long segments;
  A_long lastValidVertex;
};

class PathSuitesMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(PathSuitesMask, ServesSegmentsAndVerticesClosingOnVertexZero) {
  const MaskCase& c = GetParam();
  embedded::EmbeddedHost host;
  embedded::PathSuites suites(host);
  std::vector<PF_PathVertex> vertices;
  for (int i = 0; i < c.vertexCount; ++i) {
    vertices.push_back(Vertex(10.0 * i, 5.0 * i + 1));
  }
  const PF_PathID id = suites.AddMask(vertices, c.open);

  SPBasicSuite* basic = host.InData()->pica_basicP;
  const void* queryTable = nullptr;
  const void* dataTable = nullptr;
  ASSERT_EQ(basic->AcquireSuite(kPFPathQuerySuite, 1, &queryTable), 0);
  ASSERT_EQ(basic->AcquireSuite(kPFPathDataSuite, 1, &dataTable), 0);
  auto* query = static_cast<const PF_PathQuerySuite1*>(queryTable);
  auto* data = static_cast<const PF_PathDataSuite1*>(dataTable);
  PF_ProgPtr ref = host.InData()->effect_ref;

  PF_PathOutlinePtr path = nullptr;
  ASSERT_EQ(query->PF_CheckoutPath(ref, id, 0, 1, 1, &path), PF_Err_NONE);
  ASSERT_NE(path, nullptr);
  PF_Boolean open = 0;
  A_long segments = -1;
  EXPECT_EQ(data->PF_PathIsOpen(ref, path, &open), PF_Err_NONE);
  EXPECT_EQ(open != 0, c.open);
  EXPECT_EQ(data->PF_PathNumSegments(ref, path, &segments), PF_Err_NONE);
  EXPECT_EQ(segments, c.segments);
  for (A_long i = 0; i <= c.lastValidVertex; ++i) {
    PF_PathVertex v{};
    ASSERT_EQ(data->PF_PathVertexInfo(ref, path, i, &v), PF_Err_NONE) << i;
    const PF_PathVertex& want = vertices[static_cast<size_t>(i % c.vertexCount)];
    EXPECT_EQ(v.x, want.x);
    EXPECT_EQ(v.y, want.y);
    EXPECT_EQ(v.tan_in_x, want.tan_in_x);
    EXPECT_EQ(v.tan_out_y, want.tan_out_y);
  }
  PF_PathVertex beyond{};
  EXPECT_NE(data->PF_PathVertexInfo(ref, path, c.lastValidVertex + 1, &beyond), PF_Err_NONE);
  EXPECT_NE(data->PF_PathVertexInfo(ref, path, -1, &beyond), PF_Err_NONE);

  EXPECT_EQ(suites.OutstandingCheckouts(), 1);
  EXPECT_EQ(query->PF_CheckinPath(ref, id, 0, path), PF_Err_NONE);
  EXPECT_EQ(suites.CheckoutCount(), 1);
  EXPECT_EQ(suites.CheckinCount(), 1);
  EXPECT_EQ(suites.OutstandingCheckouts(), 0);
  // A checked-in path is no longer served.
  EXPECT_NE(data->PF_PathIsOpen(ref, path, &open), PF_Err_NONE);
  basic->ReleaseSuite(kPFPathQuerySuite, 1);
  basic->ReleaseSuite(kPFPathDataSuite, 1);
}

INSTANTIATE_TEST_SUITE_P(OpenAndClosed, PathSuitesMask,
                         ::testing::Values(MaskCase{4, true, 3, 3}, MaskCase{4, false, 4, 4},
                                           MaskCase{2, true, 1, 1}, MaskCase{2, false, 2, 2},
                                           MaskCase{7, false, 7, 7}));

TEST(PathSuites, EmptyMaskChecksOutAsNullAndUnknownIdIsAnError) {
  embedded::EmbeddedHost host;
  embedded::PathSuites suites(host);
  const PF_PathID empty = suites.AddEmptyMask();
  const void* table = nullptr;
  ASSERT_EQ(host.InData()->pica_basicP->AcquireSuite(kPFPathQuerySuite, 1, &table), 0);
  auto* query = static_cast<const PF_PathQuerySuite1*>(table);
  PF_PathOutlinePtr path = reinterpret_cast<PF_PathOutlinePtr>(&suites);
  EXPECT_EQ(query->PF_CheckoutPath(host.InData()->effect_ref, empty, 3, 2, 24, &path), 0);
  EXPECT_EQ(path, nullptr);
  EXPECT_NE(query->PF_CheckoutPath(host.InData()->effect_ref, empty + 1, 0, 1, 1, &path), 0);
  EXPECT_EQ(suites.CheckoutCount(), 0);
  ASSERT_EQ(suites.CheckoutRequests().size(), 2u);
  EXPECT_EQ(suites.CheckoutRequests()[0].what_time, 3);
  EXPECT_EQ(suites.CheckoutRequests()[0].time_step, 2);
  EXPECT_EQ(suites.CheckoutRequests()[0].time_scale, 24u);
  host.InData()->pica_basicP->ReleaseSuite(kPFPathQuerySuite, 1);
}

}  // namespace
