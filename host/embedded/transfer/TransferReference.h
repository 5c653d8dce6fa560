// The embedded host's transfer modes: a table from the host's transfer-mode
// code to a blend function, and the one compositing routine that applies the
// source opacity and both alphas around it (straight colour throughout).
#pragma once

#include <cstdint>

#include "host/embedded/transfer/BlendFunctions.h"
#include "host/sdk/EffectCallbacks.h"

namespace embedded {

using SeparableBlend = double (*)(double cb, double cs);
using NonSeparableBlend = Rgb (*)(const Rgb& cb, const Rgb& cs);

// How a mode combines alphas.
enum class AlphaRule {
  kSourceOver,  // W3C source-over with the blend function
  kDissolve,    // the source shows, fully opaque, where noise < its alpha
  kAlphaAdd,    // alphas add; colours mix by alpha
};

struct TransferMode {
  PF_TransferMode code;
  AlphaRule alpha;
  SeparableBlend separable;        // set for separable modes
  NonSeparableBlend nonSeparable;  // set for non-separable modes
};

// The mode of a code, or null when the host does not know the code.
const TransferMode* FindTransferMode(PF_TransferMode code);

// A straight-alpha pixel with channels in [0, 1].
struct PixelF {
  double a;
  double r;
  double g;
  double b;
};

// Source over destination through the mode; the source alpha is scaled by
// opacity (0..1). noise in [0, 1) is used by Dissolve only.
PixelF CompositePixel(const TransferMode& mode, const PixelF& src, const PixelF& dst,
                      double opacity, double noise);

// Dissolve's per-pixel noise in [0, 1): a hash of the seed and the
// destination coordinates, identical at every run.
double DissolveNoise(A_long seed, A_long x, A_long y);

// transfer_rect over plain memory: clips the source rectangle (right/bottom
// exclusive, null = whole source) to both worlds and composites it onto the
// destination with its top-left at (dest_x, dest_y).
PF_Err TransferWorldRect(PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rect,
                         const PF_EffectWorld& src, const PF_CompositeMode& comp, A_long dest_x,
                         A_long dest_y, PF_EffectWorld& dst);

}  // namespace embedded
