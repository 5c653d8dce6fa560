#include "render/GradientView.h"

#include "Common/AEWorld.h"
#include "Common/CommonTools.h"
#include "Common/FillTriangle.h"
#include "Common/PixelTraits.h"
#include "gradient/Gradient.h"
#include "render/ClippedScanCallBack.h"
#include "stroke/TmpScanCallBack.h"

GradientViewLayout LayoutGradientView(int32_t width, int32_t height) {
  const double w = width;
  const double h = height;
  // A panel 2.5 times as wide as high, as large as the world allows.
  double pw = 0.0;
  double ph = 0.0;
  if (h / w > 0.4) {
    pw = w;
    ph = 0.4 * w;
  } else {
    pw = 2.5 * h;
    ph = h;
  }
  GradientViewLayout l{};
  l.panelLeft = ClampInt(static_cast<int32_t>(w / 2.0 - pw / 2.0 + 0.5), 0, width - 1);
  l.panelRight = ClampInt(static_cast<int32_t>(w / 2.0 + pw / 2.0 + 0.5), 0, width - 1);
  l.panelTop = ClampInt(static_cast<int32_t>(h / 2.0 - ph / 2.0 + 0.5), 0, height - 1);
  l.panelBottom = ClampInt(static_cast<int32_t>(h / 2.0 + ph / 2.0 + 0.5), 0, height - 1);

  const double bw = l.panelRight - l.panelLeft + 1;
  const double bh = l.panelBottom - l.panelTop + 1;
  l.barLeft = static_cast<int32_t>(l.panelLeft + 0.1 * bw);
  l.barRight = static_cast<int32_t>(l.panelLeft + 0.9 * bw);
  l.barTop = static_cast<int32_t>(l.panelTop + 0.35 * bh);
  l.barBottom = static_cast<int32_t>(l.panelTop + 0.7 * bh);

  l.markerHeight = static_cast<int32_t>((l.panelBottom - l.panelTop + 1) * 0.05 + 0.5);
  l.markerHalfWidth = l.markerHeight / 2;
  return l;
}

namespace {

// Columns inside the outline run from barLeft + 1 to barRight - 1.
int32_t InnerFirst(const GradientViewLayout& l) { return l.barLeft + 1; }
int32_t InnerSpan(const GradientViewLayout& l) { return (l.barRight - 1) - (l.barLeft + 1); }

// A gradient colour in the view's depth.
template <typename P>
DepthColor ViewColor(const PF_Pixel16& c) {
  return DepthColor::From(PixelTraits<P>::FromPixel16(c));
}

template <typename P>
DepthColor Opaque(uint16_t level) {
  using Channel = typename PixelTraits<P>::Channel;
  const auto v = static_cast<Channel>(level);
  return DepthColor::From(P{static_cast<Channel>(PixelTraits<P>::kMax), v, v, v});
}

template <typename P>
void DrawBar(AEWorld& world, const GradientViewLayout& l, Gradient& gradient) {
  DrawRect(IntBox{l.barLeft, l.barRight, l.barTop, l.barBottom}, world,
           Opaque<P>(PixelTraits<P>::kMax));
  for (int32_t x = InnerFirst(l); x <= l.barRight - 1; ++x) {
    const PF_Pixel16 c = gradient.ColorAt(BarColumnPosition(l, x));
    DrawLine(world, x, l.barTop + 1, x, l.barBottom - 1, ViewColor<P>(c));
  }
}

template <typename P>
void DrawMarker(AEWorld& world, const GradientViewLayout& l, const ColorDot& dot) {
  const int32_t xi = MarkerApexX(l, dot.position);
  const int32_t apexY = l.barTop - 1;
  const int32_t baseY = apexY - l.markerHeight;
  const int32_t leftX = xi - l.markerHalfWidth;
  const int32_t rightX = xi + l.markerHalfWidth;

  PF_EffectWorld* target = world.World();
  TmpScanCallBack<P> fill(PixelTraits<P>::FromPixel16(dot.color), target);
  ClippedScanCallBack clipped(fill, target->width, target->height);
  FillTriangle(xi, apexY, leftX, baseY, rightX, baseY, clipped);

  const DepthColor white = Opaque<P>(PixelTraits<P>::kMax);
  DrawLine(world, xi, apexY, leftX, baseY, white);
  DrawLine(world, leftX, baseY, rightX, baseY, white);
  DrawLine(world, rightX, baseY, xi, apexY, white);
}

template <typename P>
void DrawGradientView(PF_InData* in_data, const StrokeSettings& settings, PF_EffectWorld* out) {
  AEWorld world(in_data, out, false);
  world.CheckUsable();
  FillWorld(world, Opaque<P>(0), nullptr);
  const GradientViewLayout layout = LayoutGradientView(out->width, out->height);
  Gradient& gradient = *settings.gradient;
  DrawBar<P>(world, layout, gradient);
  // Later dots are drawn over earlier ones, in position order.
  for (int i = 0; i < gradient.DotCount(); ++i) {
    DrawMarker<P>(world, layout, gradient.Dot(i));
  }
}

}  // namespace

int32_t MarkerApexX(const GradientViewLayout& layout, double position) {
  return static_cast<int32_t>(position * InnerSpan(layout) + InnerFirst(layout));
}

// A bar whose inner part is a single column shows position 0 (the 0 / 0 case).
double BarColumnPosition(const GradientViewLayout& layout, int32_t x) {
  const int32_t span = InnerSpan(layout);
  if (span == 0) {
    return 0.0;
  }
  return static_cast<double>(x - InnerFirst(layout)) / static_cast<double>(span);
}

void DrawGradientView8(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* world) {
  DrawGradientView<PF_Pixel>(in_data, settings, world);
}

void DrawGradientView16(PF_InData* in_data, StrokeSettings settings, PF_EffectWorld* world) {
  DrawGradientView<PF_Pixel16>(in_data, settings, world);
}
