// Positions of the controls in the host's parameter array (index 0 is the
// input layer). Stored projects and the readers depend on these positions.
#pragma once

namespace param {

enum Index : int {
  kInputLayer = 0,
  kShowPath = 1,
  kMaskPath = 1,  // "Path" takes the place of "Show Path?" in the mask layout
  kOutputView = 2,
  kRenderingStyle = 3,
  kLineRenderingGroup = 4,
  kLineWidth = 5,
  kEndPointStyle = 6,
  kFalloff = 7,
  kRepeatStyle = 8,
  kRepeats = 9,
  kGradientOffset = 10,
  kGradientInterpolation = 11,
  kWrapGradient = 12,
  kGradientMode = 13,
  kLineRenderingGroupEnd = 14,
  kColorDotsGroup = 15,
  kFirstColorDot = 16,  // group k starts at 16 + 6 (k - 1)
  kColorDotsGroupEnd = 76,
  kOriginalBlendTransfer = 77,
  kCompositeWithOriginal = 78,
  kPathPointsGroup = 79,
  kPathColor = 80,
  kClosePath = 81,
  kFirstPoint = 82,  // group k starts at 82 + 5 (k - 1)
  kPathPointsGroupEnd = 112,
  kCount = 113,
};

constexpr int kColorDotCount = 10;
constexpr int kColorDotStride = 6;
constexpr int kPointCount = 6;
constexpr int kPointStride = 5;

// Offsets inside a colour-dot group from its header.
constexpr int kDotActivate = 1;
constexpr int kDotColor = 2;
constexpr int kDotPosition = 3;
constexpr int kDotOpacity = 4;

// Offsets inside a point group from its header.
constexpr int kPointActivate = 1;
constexpr int kPointPosition = 2;
constexpr int kPointHandle = 3;

constexpr int ColorDotHeader(int k) { return kFirstColorDot + kColorDotStride * (k - 1); }
constexpr int PointHeader(int k) { return kFirstPoint + kPointStride * (k - 1); }

// Popup values as the host stores them (first choice is 1).
enum OutputView : int { kViewNormal = 1, kViewGradientHorizontal = 2, kViewGradientVertical = 3 };

}  // namespace param
