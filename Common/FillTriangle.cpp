#include "Common/FillTriangle.h"

#include <utility>

#include "Common/ScanCallBack.h"

namespace {

// floor(a / b) for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}

// Walks an edge from (xa, ya) to (xb, yb), ya < yb, one scanline at a time
// with exact integer arithmetic: on scanline y the edge's x is
// xa + floor((y - ya) * (xb - xa) / (yb - ya)).
class EdgeWalker {
 public:
  EdgeWalker(int64_t xa, int64_t ya, int64_t xb, int64_t yb) {
    const int64_t dx = xb - xa;
    dy_ = yb - ya;
    step_ = FloorDiv(dx, dy_);
    r_ = dx - step_ * dy_;  // 0 <= r < dy
    x_ = xa + step_;        // scanline ya + 1
    error_ = 2 * r_ - dy_;
  }

  int64_t X() const { return x_; }

  void Advance() {
    if (error_ < 0) {
      error_ += r_;
      x_ += step_;
    } else {
      error_ += r_ - dy_;
      x_ += step_ + 1;
    }
  }

 private:
  int64_t dy_;
  int64_t step_;
  int64_t r_;
  int64_t x_;
  int64_t error_;
};

struct Vertex {
  int64_t x;
  int64_t y;
};

void PlotSpan(ScanCallBack& callback, int64_t xLeft, int64_t xRight, int64_t y) {
  for (int64_t x = xLeft + 1; x <= xRight; ++x) {
    callback.Plot(static_cast<int>(x), static_cast<int>(y));
  }
}

// Plots rows first..last between the short edge and the long edge, advancing
// both after each row.
void FillRows(ScanCallBack& callback, EdgeWalker& shortEdge, EdgeWalker& longEdge,
              bool shortEdgeOnRight, int64_t first, int64_t last) {
  for (int64_t y = first; y <= last; ++y) {
    const int64_t xShort = shortEdge.X();
    const int64_t xLong = longEdge.X();
    PlotSpan(callback, shortEdgeOnRight ? xLong : xShort, shortEdgeOnRight ? xShort : xLong, y);
    shortEdge.Advance();
    longEdge.Advance();
  }
}

}  // namespace

void FillTriangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  ScanCallBack& callback) {
  Vertex v[3] = {{x0, y0}, {x1, y1}, {x2, y2}};
  // Order by y, keeping the given order among equal y.
  if (v[1].y < v[0].y) std::swap(v[0], v[1]);
  if (v[2].y < v[1].y) {
    std::swap(v[1], v[2]);
    if (v[1].y < v[0].y) std::swap(v[0], v[1]);
  }
  const Vertex& p0 = v[0];
  const Vertex& p1 = v[1];
  const Vertex& p2 = v[2];
  if (p0.y == p2.y) return;  // all on one scanline

  // cross < 0: P1 lies right of the long edge P0 -> P2.
  const int64_t cross = (p2.x - p0.x) * (p1.y - p0.y) - (p1.x - p0.x) * (p2.y - p0.y);
  const bool shortEdgeOnRight = cross < 0;

  EdgeWalker longEdge(p0.x, p0.y, p2.x, p2.y);
  // Upper part: P0 -> P1 against the long edge; lower part: P1 -> P2, set up
  // afresh from P1, on the same side. An edge without height is never walked.
  if (p1.y > p0.y) {
    EdgeWalker upper(p0.x, p0.y, p1.x, p1.y);
    FillRows(callback, upper, longEdge, shortEdgeOnRight, p0.y + 1, p1.y);
  }
  if (p2.y > p1.y) {
    EdgeWalker lower(p1.x, p1.y, p2.x, p2.y);
    FillRows(callback, lower, longEdge, shortEdgeOnRight, p1.y + 1, p2.y);
  }
}
