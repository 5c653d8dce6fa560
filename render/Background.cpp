#include "render/Background.h"

#include "Common/PixelTraits.h"
#include "Common/StreamingStores.h"

namespace {

constexpr int32_t kDrawOnBlack = 0;
constexpr int32_t kDrawOnClear = 2;

}  // namespace

template <typename P>
Background<P>::Background(int32_t renderingStyle, const PF_EffectWorld& input,
                          PF_EffectWorld& output)
    : input_(input),
      output_(output),
      copiesInput_(renderingStyle != kDrawOnBlack && renderingStyle != kDrawOnClear),
      fill_{} {
  if (renderingStyle == kDrawOnBlack) {
    fill_.alpha = static_cast<typename PixelTraits<P>::Channel>(PixelTraits<P>::kMax);
  }
}

template <typename P>
P Background<P>::At(int32_t x, int32_t y) const {
  return copiesInput_ ? *PixelAt<P>(input_, x, y) : fill_;
}

template <typename P>
void Background<P>::LayRun(int32_t y, int32_t left, int32_t right) const {
  P* to = PixelAt<P>(output_, left, y);
  const auto count = static_cast<size_t>(right - left + 1);
  if (copiesInput_) {
    StreamCopy(to, PixelAt<P>(input_, left, y), count * sizeof(P));
  } else {
    StreamFill(to, count, &fill_, sizeof(P));
  }
}

template <typename P>
void Background<P>::Put(int32_t x, int32_t y, const P& p) const {
  *PixelAt<P>(output_, x, y) = p;
}

template <typename P>
void Background<P>::LayColumn(int32_t x, int32_t top, int32_t bottom) const {
  if (copiesInput_) {
    for (int32_t y = top; y <= bottom; ++y) *PixelAt<P>(output_, x, y) = *PixelAt<P>(input_, x, y);
  } else {
    for (int32_t y = top; y <= bottom; ++y) *PixelAt<P>(output_, x, y) = fill_;
  }
}

template class Background<PF_Pixel>;
template class Background<PF_Pixel16>;
