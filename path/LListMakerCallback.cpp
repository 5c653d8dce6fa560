#include "path/LListMakerCallback.h"

#include <algorithm>

void LListMakerCallback::Visit(double x, double y) {
  if (count_ == 0) {
    maxX_ = minX_ = x;
    maxY_ = minY_ = y;
  } else {
    maxX_ = std::max(maxX_, x);
    minX_ = std::min(minX_, x);
    maxY_ = std::max(maxY_, y);
    minY_ = std::min(minY_, y);
  }
  (*points_)[count_] = Vec2d(x, y);
  ++count_;
}
