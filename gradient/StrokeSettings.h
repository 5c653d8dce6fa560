// Everything a render needs from the parameters, read once per frame into one
// plain record in the units the drawing code works in, then passed by value
// (the frame pipeline reads it: see render/ReadStrokeSettings.h).
#pragma once

#include <cstdint>

#include "Common/DepthColor.h"
#include "host/sdk/EffectTypes.h"

class PathObject;
class Gradient;

// One colour dot of the gradient. The colour's alpha carries the dot's opacity.
struct ColorDot {
  bool active;
  PF_Pixel16 color;
  double position;  // 0..1 for 0..100 %
};

struct StrokeSettings {
  double halfWidth;        // pixels of the world being rendered
  PathObject* path;        // set by the frame pipeline in the "Normal" view only
  Gradient* gradient;      // set by the frame pipeline
  double falloff;          // 0..1
  int32_t repeatStyle;     // 0 "Repeat", 1 "Reflect"
  int32_t repeats;         // integer part of "Repeats"
  int32_t interpolation;   // 0 "RGB (linear)", 1 "RGB (preserve lum)", 2 "HSL"
  int32_t renderingStyle;  // 0 "Draw on Black", 1 "Draw on Image", 2 "Draw on Clear"
  double compositeAmount;  // 0..1
  int32_t transferMode;    // host transfer-mode code, -1 for "Normal"
  int32_t gradientMode;    // 0 "Normal", 1 "Inside Only", 2 "Outside Only"
  double gradientOffset;   // "Gradient Offset" percent / 100
  bool wrapGradient;
  int32_t endPointStyle;   // 0 "Round", 1 "Flat"
  bool showPath;
  DepthColor pathColor;    // in the depth of the input layer
};
