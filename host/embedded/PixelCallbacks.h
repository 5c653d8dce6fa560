// The embedded host's pixel utilities: fill, the 16-bit iterate-with-origin
// and blend (transfer_rect is in transfer/TransferRect.h), installed in PF_UtilCallbacks by the
// EmbeddedHost.
#pragma once

#include "host/sdk/EffectCallbacks.h"

namespace embedded {

PF_Err HostFill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                PF_EffectWorld* world);

PF_Err HostIterateOrigin16(PF_InData* in_data, A_long progress_base, A_long progress_final,
                           PF_EffectWorld* src, const PF_Rect* area, const PF_Point* origin,
                           void* refcon, PF_IteratePixel16Func pix_fn, PF_EffectWorld* dst);

PF_Err HostBlend(PF_ProgPtr effect_ref, const PF_EffectWorld* src1, const PF_EffectWorld* src2,
                 PF_Fixed ratio, PF_EffectWorld* dst);

}  // namespace embedded
