// The host's transfer_rect callback: checks the call and routes it to one of
// the two routines that composite, the double-precision reference
// (TransferReference.h) or the SSE2 one (TransferSse2.h).
#pragma once

#include "host/sdk/EffectCallbacks.h"

namespace embedded {

PF_Err HostTransferRect(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                        PF_Field field, const PF_Rect* src_rect, const PF_EffectWorld* src_world,
                        const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask_world0,
                        A_long dest_x, A_long dest_y, PF_EffectWorld* dst_world);

}  // namespace embedded
