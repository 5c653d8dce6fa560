#include "render/StrokeBands.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "render/ColumnBands.h"

namespace {

// Rows per band of background.
constexpr int32_t kBackgroundRows = 16;

// The part of the frame one band of columns writes; no rows when top > bottom.
struct BandRect {
  int32_t left, right, top, bottom;
  bool HoldsRow(int32_t y) const { return top <= y && y <= bottom; }
};

// The rows of columns [first, last] that may be shaded, clipped to rows
// [firstRow, lastRow], and the rectangle of each band of columns.
class StrokeLayout {
 public:
  template <typename P>
  StrokeLayout(const CurveSampler<P>& sampler, int32_t first, int32_t last, int32_t firstRow,
               int32_t lastRow)
      : first_(first), spanStart_(static_cast<size_t>(std::max(0, last - first + 1)) + 1, 0) {
    std::vector<StrokeReach::RowSpan> column;
    for (int32_t x = first; x <= last; ++x) {
      sampler.ColumnSpans(x, column);
      for (const StrokeReach::RowSpan& span : column) {
        const StrokeReach::RowSpan clipped{std::max(firstRow, span.first), std::min(lastRow, span.last)};
        if (clipped.first <= clipped.last) spans_.push_back(clipped);
      }
      spanStart_[static_cast<size_t>(x - first) + 1] = spans_.size();
    }
    for (int32_t band = 0; band < column_bands::BandCount(first, last); ++band) {
      const int32_t left = first + band * column_bands::kBandColumns;
      BandRect rect{left, std::min(last, left + column_bands::kBandColumns - 1), INT32_MAX, INT32_MIN};
      for (int32_t x = rect.left; x <= rect.right; ++x) {
        const auto spans = Spans(x);
        if (spans.first == spans.second) continue;
        rect.top = std::min(rect.top, spans.first->first);
        rect.bottom = std::max(rect.bottom, (spans.second - 1)->last);
      }
      rects_.push_back(rect);
    }
  }

  // The sorted, disjoint spans of column x.
  std::pair<const StrokeReach::RowSpan*, const StrokeReach::RowSpan*> Spans(int32_t x) const {
    const auto i = static_cast<size_t>(x - first_);
    return {spans_.data() + spanStart_[i], spans_.data() + spanStart_[i + 1]};
  }
  const std::vector<BandRect>& Rects() const { return rects_; }
  const BandRect& RectOf(int32_t x) const {
    return rects_[static_cast<size_t>((x - first_) / column_bands::kBandColumns)];
  }

 private:
  int32_t first_;
  std::vector<StrokeReach::RowSpan> spans_;
  std::vector<size_t> spanStart_;  // per column, and one past the last
  std::vector<BandRect> rects_;
};

// Lays the background over rows [top, bottom], around the band rectangles.
template <typename P>
void LayBackgroundAround(const Background<P>& background, const std::vector<BandRect>& rects,
                         int32_t top, int32_t bottom) {
  std::vector<const BandRect*> crossing;
  for (const BandRect& rect : rects) {
    if (rect.top <= bottom && top <= rect.bottom) crossing.push_back(&rect);
  }
  const int32_t lastColumn = background.Width() - 1;
  for (int32_t y = top; y <= bottom; ++y) {
    int32_t x = 0;
    for (const BandRect* rect : crossing) {
      if (!rect->HoldsRow(y)) continue;
      if (x < rect->left) background.LayRun(y, x, rect->left - 1);
      x = rect->right + 1;
    }
    if (x <= lastColumn) background.LayRun(y, x, lastColumn);
  }
}

}  // namespace

template <typename P>
void DrawStrokeInBands(PF_InData* in_data, CurveSampler<P>* sampler, const Background<P>& background,
                       const std::function<void(int32_t column)>& ping) {
  int32_t first = 0, last = -1, firstRow = 0, lastRow = -1;
  if (sampler != nullptr) {
    // Bands may run at once: what the sampler builds on first use is built now.
    sampler->BuildSharedParts();
    const BBox bounds = sampler->Geometry().StrokeBounds();
    first = std::max(0, bounds.xMin);
    last = std::min(background.Width() - 1, bounds.xMax);
    firstRow = std::max(0, bounds.yMin);
    lastRow = std::min(background.Height() - 1, bounds.yMax);
    if (first > last) first = 0, last = -1;
  }
  std::optional<StrokeLayout> layout;
  if (sampler != nullptr) layout.emplace(*sampler, first, last, firstRow, lastRow);
  const std::vector<BandRect> noRects;
  const std::vector<BandRect>& rects = layout ? layout->Rects() : noRects;

  std::vector<char> shaded(static_cast<size_t>(last - first + 1), 0);
  const auto shade = [&](int32_t /*band*/, int32_t x) {
    const BandRect& rect = layout->RectOf(x);
    int32_t y = rect.top;
    const auto spans = layout->Spans(x);
    for (const StrokeReach::RowSpan* span = spans.first; span != spans.second; ++span) {
      background.LayColumn(x, y, span->first - 1);
      for (y = span->first; y <= span->last; ++y) {
        background.Put(x, y, sampler->ShadePixel(x, y, background.At(x, y)));
      }
    }
    background.LayColumn(x, y, rect.bottom);
    shaded[static_cast<size_t>(x - first)] = 1;
  };
  const int32_t rowBands = (background.Height() + kBackgroundRows - 1) / kBackgroundRows;
  std::vector<char> laid(static_cast<size_t>(rowBands), 0);
  const auto layRows = [&](int32_t job) {
    const int32_t top = job * kBackgroundRows;
    LayBackgroundAround(background, rects, top, std::min(background.Height() - 1, top + kBackgroundRows - 1));
    laid[static_cast<size_t>(job)] = 1;
  };
  try {
    column_bands::Run(in_data, first, last, shade, ping, rowBands, layRows);
  } catch (...) {
    // Every band has returned: complete the background where nothing was drawn.
    for (int32_t job = 0; job < rowBands; ++job) {
      if (!laid[static_cast<size_t>(job)]) layRows(job);
    }
    for (int32_t x = first; x <= last; ++x) {
      const BandRect& rect = layout->RectOf(x);
      if (!shaded[static_cast<size_t>(x - first)]) background.LayColumn(x, rect.top, rect.bottom);
    }
    throw;
  }
}

template void DrawStrokeInBands<PF_Pixel>(PF_InData*, CurveSampler<PF_Pixel>*, const Background<PF_Pixel>&,
                                          const std::function<void(int32_t)>&);
template void DrawStrokeInBands<PF_Pixel16>(PF_InData*, CurveSampler<PF_Pixel16>*,
                                            const Background<PF_Pixel16>&,
                                            const std::function<void(int32_t)>&);
