#include "Common/AEWorld.h"

#include <cstring>

#include "Common/AEException.h"
#include "Common/CommonTools.h"
#include "Common/PixelTraits.h"

AEWorld::AEWorld(PF_InData* in_data) : in_data_(in_data), own_world_{}, world_(nullptr),
                                       owns_(false) {}

AEWorld::AEWorld(PF_InData* in_data, A_long width, A_long height, bool deep)
    : AEWorld(in_data) {
  Allocate(width, height, deep);
}

AEWorld::AEWorld(PF_InData* in_data, PF_EffectWorld* world, bool own) : AEWorld(in_data) {
  Wrap(world, own);
}

AEWorld::~AEWorld() {
  try {
    Release(true);
  } catch (...) {
    // Destruction never throws.
  }
}

void AEWorld::Allocate(A_long width, A_long height, bool deep) {
  Release(false);
  // The width is checked first, so a 0 x 0 request reports the width.
  if (width < 1) {
    throw AEException(1, "AEWorld: width for new world is 0!!! :(");
  }
  if (height < 1) {
    throw AEException(1, "AEWorld: height for new world is 0!!! :(");
  }
  if (in_data_ == nullptr) {
    throw AEException(1, "AEWorld not initialized");
  }
  std::memset(&own_world_, 0, sizeof own_world_);
  const PF_NewWorldFlags flags = deep ? PF_NewWorldFlag_DEEP_PIXELS : PF_NewWorldFlag_NONE;
  const PF_Err err =
      in_data_->utils->new_world(in_data_->effect_ref, width, height, flags, &own_world_);
  if (err != PF_Err_NONE) {
    throw AEException(err, "Could not Allocate AEWorld");
  }
  world_ = &own_world_;
  owns_ = true;
}

void AEWorld::Wrap(PF_EffectWorld* world, bool own) {
  Release(false);
  if (own && world != nullptr && (world->world_flags & PF_WorldFlag_WRITEABLE) == 0) {
    throw AEException(1, "AEWorld: Can not own a read-only world");
  }
  world_ = world;
  owns_ = own && world != nullptr;
}

void AEWorld::MakeCopyOf(PF_EffectWorld* source) {
  Release(false);
  if (source == nullptr) {
    throw AEException(1, "AEWorld not initialized");
  }
  Allocate(source->width, source->height, IsDeep(*source));
  CheckUsable();
  CopyWorld(*source, *world_);
}

void AEWorld::CheckUsable() const {
  if (world_ == nullptr || in_data_ == nullptr) {
    throw AEException(1, "AEWorld not initialized");
  }
}

void AEWorld::Release(bool quiet) {
  PF_Err err = PF_Err_NONE;
  if (owns_ && world_ != nullptr && in_data_ != nullptr) {
    err = in_data_->utils->dispose_world(in_data_->effect_ref, world_);
  }
  world_ = nullptr;
  owns_ = false;
  if (err != PF_Err_NONE && !quiet) {
    throw AEException(err, "Could not dispose AEWorld");
  }
}
