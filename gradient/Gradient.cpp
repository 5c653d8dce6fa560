#include "gradient/Gradient.h"

#include <cstddef>

#include "gradient/GradientMix.h"

namespace {

// Room for the ten colour dots of the parameter set, so adding them never
// reallocates.
constexpr std::size_t kUsualDotCount = 10;

PF_Pixel16 Mix(int32_t interpolation, const PF_Pixel16& c1, const PF_Pixel16& c2, double t) {
  switch (interpolation) {
    case 0:
      return MixLinear(c1, c2, t);
    case 1:
      return MixPreserveLum(c1, c2, t);
    default:
      return MixHsl(c1, c2, t);
  }
}

}  // namespace

Gradient::Gradient(const StrokeSettings* settings) : sorted_(false), settings_(settings) {}

Gradient::~Gradient() = default;

void Gradient::AddDot(ColorDot dot) {
  if (!dot.active) {
    return;
  }
  if (dot.position > 1.0) {
    dot.position = 1.0;
  } else if (dot.position <= 0.0) {
    dot.position = 0.0;
  }
  if (dots_.empty()) {
    dots_.reserve(kUsualDotCount);
  }
  dots_.push_back(dot);
}

// Straight insertion with a strict less-than: dots of equal position keep the
// order in which they were added.
void Gradient::SortOnce() {
  if (sorted_) {
    return;
  }
  for (std::size_t i = 1; i < dots_.size(); ++i) {
    const ColorDot key = dots_[i];
    std::size_t j = i;
    while (j > 0 && key.position < dots_[j - 1].position) {
      dots_[j] = dots_[j - 1];
      --j;
    }
    dots_[j] = key;
  }
  sorted_ = true;
}

const ColorDot& Gradient::Dot(int i) {
  SortOnce();
  return dots_[static_cast<std::size_t>(i)];
}

PF_Pixel16 Gradient::ColorAt(double p) {
  const std::size_t n = dots_.size();
  if (n == 0) {
    return PF_Pixel16{0, 0, 0, 0};
  }
  if (n == 1) {
    return dots_[0].color;
  }
  SortOnce();
  const int32_t interpolation = settings_ != nullptr ? settings_->interpolation : 0;
  const bool wrap = settings_ != nullptr && settings_->wrapGradient;
  const ColorDot& first = dots_.front();
  const ColorDot& last = dots_.back();

  if (first.position < p && p < last.position) {
    // Linear scan: ends with c1.position < p <= c2.position.
    const ColorDot* c1 = &dots_[0];
    const ColorDot* c2 = &dots_[1];
    for (std::size_t i = 2; i < n && c2->position < p; ++i) {
      c1 = c2;
      c2 = &dots_[i];
    }
    const double t = (p - c1->position) / (c2->position - c1->position);
    return Mix(interpolation, c1->color, c2->color, t);
  }
  if (!wrap) {
    return p <= first.position ? first.color : last.color;
  }
  // Across the ring: from the last dot, through 1 == 0, to the first dot.
  const double gap = (1.0 - last.position) + first.position;
  if (gap <= 0.0) {
    // First dot at 0 and last at 1: the ring has no room, so positions 0 and
    // 1 show the last dot in every mode (what the linear weight gives).
    return last.color;
  }
  const double u = p <= first.position ? gap - (first.position - p) : p - last.position;
  return Mix(interpolation, last.color, first.color, u / gap);
}
