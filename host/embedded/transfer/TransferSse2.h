// The embedded host's production transfer_rect. It composites the same block
// with the same modes as the double-precision reference (TransferWorldRect):
// the same clipping, fields, rgb_only and skipping of pixels the source does
// not reach, every channel within one level of the reference, Dissolve equal
// to it. It computes four pixels at a time in single precision, one compiled
// loop per mode and depth, on bands of rows over every host thread; a pixel's
// result depends on its two input pixels alone, never on the thread count.
#pragma once

#include "host/sdk/EffectTypes.h"

namespace embedded {

// Same arguments and refusals as TransferWorldRect.
PF_Err FastTransferWorldRect(PF_ModeFlags m_flags, PF_Field field, const PF_Rect* src_rect,
                             const PF_EffectWorld& src, const PF_CompositeMode& comp, A_long dest_x,
                             A_long dest_y, PF_EffectWorld& dst);

}  // namespace embedded
