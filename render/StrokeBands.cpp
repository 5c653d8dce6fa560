#include "render/StrokeBands.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "render/ColumnBands.h"

namespace {

// Rows per band of background.
constexpr int32_t kBackgroundRows = 16;

using RowSpan = StrokeReach::RowSpan;

// The rows one band of columns writes: the union of its columns' row spans,
// as sorted, disjoint runs of rows. Between two runs the band leaves the
// background to the bands of rows, which lay it a whole row at a time; a
// curve that crosses a band twice would otherwise have the band lay the gap
// between its crossings one column at a time.
struct BandRows {
  int32_t left, right;
  std::vector<RowSpan> runs;
};

// Merges spans sorted by their first row into disjoint runs.
std::vector<RowSpan> MergeRuns(std::vector<RowSpan>& spans) {
  std::sort(spans.begin(), spans.end(),
            [](const RowSpan& a, const RowSpan& b) { return a.first < b.first; });
  std::vector<RowSpan> runs;
  for (const RowSpan& span : spans) {
    if (!runs.empty() && span.first <= runs.back().last + 1) {
      runs.back().last = std::max(runs.back().last, span.last);
    } else {
      runs.push_back(span);
    }
  }
  return runs;
}

// The rows of columns [first, last] that may be shaded, clipped to rows
// [firstRow, lastRow], and the rows of each band of columns.
class StrokeLayout {
 public:
  template <typename P>
  StrokeLayout(const CurveSampler<P>& sampler, int32_t first, int32_t last, int32_t firstRow,
               int32_t lastRow)
      : first_(first), spanStart_(static_cast<size_t>(std::max(0, last - first + 1)) + 1, 0) {
    std::vector<RowSpan> column;
    for (int32_t x = first; x <= last; ++x) {
      sampler.ColumnSpans(x, column);
      for (const RowSpan& span : column) {
        const RowSpan clipped{std::max(firstRow, span.first), std::min(lastRow, span.last)};
        if (clipped.first <= clipped.last) spans_.push_back(clipped);
      }
      spanStart_[static_cast<size_t>(x - first) + 1] = spans_.size();
    }
    std::vector<RowSpan> bandSpans;
    for (int32_t band = 0; band < column_bands::BandCount(first, last); ++band) {
      const int32_t left = first + band * column_bands::kBandColumns;
      const int32_t right = std::min(last, left + column_bands::kBandColumns - 1);
      bandSpans.assign(Spans(left).first, Spans(right).second);
      bands_.push_back(BandRows{left, right, MergeRuns(bandSpans)});
    }
  }

  // The sorted, disjoint spans of column x.
  std::pair<const RowSpan*, const RowSpan*> Spans(int32_t x) const {
    const auto i = static_cast<size_t>(x - first_);
    return {spans_.data() + spanStart_[i], spans_.data() + spanStart_[i + 1]};
  }
  const std::vector<BandRows>& Bands() const { return bands_; }
  const BandRows& BandOf(int32_t x) const {
    return bands_[static_cast<size_t>((x - first_) / column_bands::kBandColumns)];
  }

 private:
  int32_t first_;
  std::vector<RowSpan> spans_;
  std::vector<size_t> spanStart_;  // per column, and one past the last
  std::vector<BandRows> bands_;
};

// Lays the background over rows [top, bottom], around the runs of the bands.
template <typename P>
void LayBackgroundAround(const Background<P>& background, const std::vector<BandRows>& bands,
                         int32_t top, int32_t bottom) {
  // Per band crossing these rows, its next run that does not end above the
  // current row.
  struct Cursor {
    const BandRows* band;
    const RowSpan* run;
    const RowSpan* end;
  };
  std::vector<Cursor> crossing;
  for (const BandRows& band : bands) {
    const RowSpan* end = band.runs.data() + band.runs.size();
    const RowSpan* run = std::partition_point(band.runs.data(), end,
                                              [&](const RowSpan& r) { return r.last < top; });
    if (run != end && run->first <= bottom) crossing.push_back(Cursor{&band, run, end});
  }
  const int32_t lastColumn = background.Width() - 1;
  for (int32_t y = top; y <= bottom; ++y) {
    int32_t x = 0;
    for (Cursor& cursor : crossing) {
      while (cursor.run != cursor.end && cursor.run->last < y) ++cursor.run;
      if (cursor.run == cursor.end || cursor.run->first > y) continue;
      if (x < cursor.band->left) background.LayRun(y, x, cursor.band->left - 1);
      x = cursor.band->right + 1;
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
    // Bands may run at once: what the sampler builds on first use is built now,
    // its inside grid on every thread.
    sampler->BuildSharedParts([in_data](int32_t count, const std::function<void(int32_t)>& job) {
      column_bands::RunJobs(in_data, count, job);
    });
    const BBox bounds = sampler->Geometry().StrokeBounds();
    first = std::max(0, bounds.xMin);
    last = std::min(background.Width() - 1, bounds.xMax);
    firstRow = std::max(0, bounds.yMin);
    lastRow = std::min(background.Height() - 1, bounds.yMax);
    if (first > last) first = 0, last = -1;
  }
  std::optional<StrokeLayout> layout;
  if (sampler != nullptr) layout.emplace(*sampler, first, last, firstRow, lastRow);
  const std::vector<BandRows> noBands;
  const std::vector<BandRows>& bands = layout ? layout->Bands() : noBands;

  std::vector<char> shaded(static_cast<size_t>(last - first + 1), 0);
  const auto shade = [&](int32_t /*band*/, int32_t x) {
    const auto spans = layout->Spans(x);
    const RowSpan* span = spans.first;
    // Each span lies inside one run of its band.
    for (const RowSpan& run : layout->BandOf(x).runs) {
      int32_t y = run.first;
      for (; span != spans.second && span->first <= run.last; ++span) {
        background.LayColumn(x, y, span->first - 1);
        // Pairs of rows, whose distance searches overlap; an odd last row alone.
        for (y = span->first; y < span->last; y += 2) {
          const P under[2] = {background.At(x, y), background.At(x, y + 1)};
          P shaded[2];
          sampler->ShadePixelPair(x, y, under, shaded);
          background.Put(x, y, shaded[0]);
          background.Put(x, y + 1, shaded[1]);
        }
        if (y == span->last) {
          background.Put(x, y, sampler->ShadePixel(x, y, background.At(x, y)));
          ++y;
        }
      }
      background.LayColumn(x, y, run.last);
    }
    shaded[static_cast<size_t>(x - first)] = 1;
  };
  const int32_t rowBands = (background.Height() + kBackgroundRows - 1) / kBackgroundRows;
  std::vector<char> laid(static_cast<size_t>(rowBands), 0);
  const auto layRows = [&](int32_t job) {
    const int32_t top = job * kBackgroundRows;
    LayBackgroundAround(background, bands, top, std::min(background.Height() - 1, top + kBackgroundRows - 1));
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
      if (shaded[static_cast<size_t>(x - first)]) continue;
      for (const RowSpan& run : layout->BandOf(x).runs) background.LayColumn(x, run.first, run.last);
    }
    throw;
  }
}

template void DrawStrokeInBands<PF_Pixel>(PF_InData*, CurveSampler<PF_Pixel>*, const Background<PF_Pixel>&,
                                          const std::function<void(int32_t)>&);
template void DrawStrokeInBands<PF_Pixel16>(PF_InData*, CurveSampler<PF_Pixel16>*,
                                            const Background<PF_Pixel16>&,
                                            const std::function<void(int32_t)>&);
