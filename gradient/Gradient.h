// The frame's colour dots and the colour at a position across the stroke, in
// 16 bits per channel (full scale 32768) whatever the output depth.
#pragma once

#include <vector>

#include "gradient/StrokeSettings.h"
#include "host/sdk/EffectTypes.h"

class Gradient {
 public:
  // The settings are read on every lookup for `interpolation` and
  // `wrapGradient`; they are not owned and must outlive the gradient.
  explicit Gradient(const StrokeSettings* settings = nullptr);
  virtual ~Gradient();

  void SetSettings(const StrokeSettings* settings) { settings_ = settings; }
  const StrokeSettings* Settings() const { return settings_; }

  // Ignores an inactive dot; clamps the position into [0, 1] and appends.
  // Every dot is added before the first lookup.
  void AddDot(ColorDot dot);

  // Colour at a gradient position; transparent black when there is no dot.
  PF_Pixel16 ColorAt(double position);

  // The dots in ascending position order (equal positions in add order).
  int DotCount() const { return static_cast<int>(dots_.size()); }
  const ColorDot& Dot(int i);  // sorts on first use; i in [0, DotCount())

  // Sorts the dots unless done; lookups do it on first use. Called ahead when
  // several threads look colours up at once.
  void SortOnce();

 private:
  std::vector<ColorDot> dots_;
  bool sorted_;
  const StrokeSettings* settings_;
};
