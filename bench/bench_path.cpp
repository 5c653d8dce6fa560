// Cost of the per-pixel path queries: the nearest point of one curve (a
// typical query near a smooth curve, and a worst case near a cusp where the
// search splits the most), and the inside classification of a full HD frame
// for the closed six-point path of the default point table.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "host/embedded/HostThreads.h"
#include "path/BezierCurve.h"
#include "path/BezierPath.h"
#include "path/FakePath.h"
#include "path/PathPoint.h"

namespace {

BezierCurve MakeCurve(Vec2d p0, Vec2d p1, Vec2d p2, Vec2d p3) {
  BezierCurve curve;
  curve.SetControlPoints(p0, p1, p2, p3);
  curve.Setup();
  return curve;
}

// Query points scattered within `spread` pixels of points along the curve,
// the way the stroke sampler asks about the pixels of a stroke.
std::vector<Vec2d> QueriesAround(const BezierCurve& curve, double spread, double tLo, double tHi) {
  std::mt19937 rng(42u);
  std::uniform_real_distribution<double> t(tLo, tHi);
  std::uniform_real_distribution<double> offset(-spread, spread);
  std::vector<Vec2d> queries(4096);
  for (Vec2d& q : queries) {
    const Vec2d p = curve.Evaluate(t(rng));
    q = Vec2d(p.x + offset(rng), p.y + offset(rng));
  }
  return queries;
}

void RunClosestPoint(benchmark::State& state, const BezierCurve& curve,
                     const std::vector<Vec2d>& queries) {
  size_t i = 0;
  for (auto _ : state) {
    Vec2d nearest;
    double t = 0;
    bool side = false;
    const bool found = curve.ClosestPoint(queries[i], nearest, true, true, 0.0, 1.0, &t, &side);
    benchmark::DoNotOptimize(found);
    benchmark::DoNotOptimize(nearest);
    benchmark::DoNotOptimize(side);
    i = (i + 1) & (queries.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ClosestPoint_Typical(benchmark::State& state) {
  // A gentle S curve about 500 pixels long; queries within a 20-pixel stroke.
  const BezierCurve curve = MakeCurve({100, 400}, {300, 150}, {500, 650}, {700, 400});
  RunClosestPoint(state, curve, QueriesAround(curve, 20.0, 0.0, 1.0));
}
BENCHMARK(BM_ClosestPoint_Typical);

// ClosestPointPair on each query and the pixel below it, as the stroke
// sampler pairs the rows of a column; two items per iteration.
void BM_ClosestPointPair_Typical(benchmark::State& state) {
  const BezierCurve curve = MakeCurve({100, 400}, {300, 150}, {500, 650}, {700, 400});
  const std::vector<Vec2d> queries = QueriesAround(curve, 20.0, 0.0, 1.0);
  size_t i = 0;
  for (auto _ : state) {
    const Vec2d q[2] = {queries[i], queries[i] + Vec2d(0.0, 1.0)};
    bool found[2];
    Vec2d nearest[2];
    curve.ClosestPointPair(q, found, nearest, true, true, 0.0, 1.0);
    benchmark::DoNotOptimize(found);
    benchmark::DoNotOptimize(nearest);
    i = (i + 1) & (queries.size() - 1);
  }
  state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_ClosestPointPair_Typical);

void BM_ClosestPoint_NearCusp(benchmark::State& state) {
  // Handles crossed so that the curve turns back on itself in a cusp at
  // t = 0.5 (near (50, 75)); queries close to it give several roots.
  const BezierCurve curve = MakeCurve({0, 0}, {100, 100}, {0, 100}, {100, 0});
  RunClosestPoint(state, curve, QueriesAround(curve, 3.0, 0.45, 0.55));
}
BENCHMARK(BM_ClosestPoint_NearCusp);

void BM_ClosestPoint_InsideLoop(benchmark::State& state) {
  // A curve with a loop; queries inside the loop are near several arcs.
  const BezierCurve curve = MakeCurve({0, 100}, {300, 0}, {-100, 0}, {200, 100});
  std::vector<Vec2d> queries(4096);
  std::mt19937 rng(7u);
  std::uniform_real_distribution<double> x(80, 120);
  std::uniform_real_distribution<double> y(30, 60);
  for (Vec2d& q : queries) q = Vec2d(x(rng), y(rng));
  RunClosestPoint(state, curve, queries);
}
BENCHMARK(BM_ClosestPoint_InsideLoop);

// The six default points (percent of the frame), with their handles, all
// active, delivered in pixels of a 1920 x 1080 frame.
std::vector<PathPoint> DefaultPoints(int width, int height) {
  const int percent[6][4] = {{62, 28, 56, 25}, {75, 49, 74, 43}, {62, 71, 67, 67},
                             {37, 71, 43, 74}, {24, 50, 25, 56}, {37, 28, 32, 32}};
  std::vector<PathPoint> points;
  for (int k = 0; k < 6; ++k) {
    const double px = static_cast<int64_t>(percent[k][0] * static_cast<int64_t>(width) / 100);
    const double py = static_cast<int64_t>(percent[k][1] * static_cast<int64_t>(height) / 100);
    const double hx = static_cast<int64_t>(percent[k][2] * static_cast<int64_t>(width) / 100);
    const double hy = static_cast<int64_t>(percent[k][3] * static_cast<int64_t>(height) / 100);
    PathPoint p;
    p.baseIndex = 82 + 5 * k;
    p.active = true;
    p.vertex = {px, py, hx, hy, 2 * px - hx, 2 * py - hy};
    points.push_back(p);
  }
  return points;
}

void BM_Classify_FullFrame(benchmark::State& state) {
  constexpr int kWidth = 1920;
  constexpr int kHeight = 1080;
  const std::vector<PathPoint> points = DefaultPoints(kWidth, kHeight);
  int64_t boundary = 0;
  for (auto _ : state) {
    // A fresh path per frame: the polygon and grid are built on first use.
    FakePath source(points, false);
    BezierPath path(&source);
    double total = 0;
    boundary = 0;
    for (int32_t x = 0; x < kWidth; ++x) {
      for (int32_t y = 0; y < kHeight; ++y) {
        int32_t cellClass = 0;
        double coverage = 0;
        path.Classify(x, y, cellClass, &coverage);
        total += coverage;
        boundary += cellClass == BezierPath::kBoundary;
      }
    }
    benchmark::DoNotOptimize(total);
  }
  state.counters["boundary_cells"] = static_cast<double>(boundary);
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Classify_FullFrame)->Unit(benchmark::kMillisecond);

// The grid of that path, its jobs on the host's threads (argument: how many,
// 0 for the machine's count).
void BM_Classify_GridBuild(benchmark::State& state) {
  const std::vector<PathPoint> points = DefaultPoints(1920, 1080);
  embedded::SetHostThreadCount(static_cast<int>(state.range(0)));
  state.counters["threads"] = embedded::HostThreadCount();
  const BezierPath::RunJobs onHostThreads = [](int32_t count, const std::function<void(int32_t)>& job) {
    embedded::RunBands(count, job);
  };
  for (auto _ : state) {
    FakePath source(points, false);
    BezierPath path(&source);
    path.BuildGrid(BezierPath::kFlatteningStep, -1, -1, onHostThreads);
    benchmark::DoNotOptimize(path.Grid().Width());
  }
}
BENCHMARK(BM_Classify_GridBuild)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
