#include "host/embedded/transfer/TransferRect.h"

#include "host/embedded/EmbeddedHost.h"
#include "host/embedded/transfer/TransferReference.h"
#include "host/embedded/transfer/TransferSse2.h"

namespace embedded {

// Straight alpha only, no mask; quality makes no difference (whole-pixel copy).
PF_Err HostTransferRect(PF_ProgPtr effect_ref, PF_Quality /*quality*/, PF_ModeFlags m_flags,
                        PF_Field field, const PF_Rect* src_rect, const PF_EffectWorld* src_world,
                        const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask_world0,
                        A_long dest_x, A_long dest_y, PF_EffectWorld* dst_world) {
  if (src_world == nullptr || dst_world == nullptr || comp_mode == nullptr ||
      mask_world0 != nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  // A host that asks for the reference arithmetic gets it; every other call
  // (and a call without a host) takes the fast routine.
  const EmbeddedHost* host = EmbeddedHost::FromEffectRef(effect_ref);
  if (host != nullptr &&
      host->GetTransferArithmetic() == EmbeddedHost::TransferArithmetic::kReference) {
    return TransferWorldRect(m_flags, field, src_rect, *src_world, *comp_mode, dest_x, dest_y,
                             *dst_world);
  }
  return FastTransferWorldRect(m_flags, field, src_rect, *src_world, *comp_mode, dest_x, dest_y,
                               *dst_world);
}

}  // namespace embedded
