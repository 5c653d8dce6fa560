// The effect's handle on one image buffer: a world the host lent (borrowed,
// never released here) or one this object asked the host to allocate for the
// duration of a call (released on destruction). Not copyable.
#pragma once

#include "host/sdk/EffectCallbacks.h"

class AEWorld {
 public:
  explicit AEWorld(PF_InData* in_data);
  AEWorld(PF_InData* in_data, A_long width, A_long height, bool deep);
  AEWorld(PF_InData* in_data, PF_EffectWorld* world, bool own);
  virtual ~AEWorld();  // releases quietly, never throws

  AEWorld(const AEWorld&) = delete;
  AEWorld& operator=(const AEWorld&) = delete;

  void Allocate(A_long width, A_long height, bool deep);
  void Wrap(PF_EffectWorld* world, bool own);
  void MakeCopyOf(PF_EffectWorld* source);
  void CheckUsable() const;  // throws "AEWorld not initialized" (code 1)
  void Release(bool quiet);

  PF_EffectWorld* World() const { return world_; }
  PF_InData* InData() const { return in_data_; }
  bool Owns() const { return owns_; }

 private:
  PF_InData* in_data_;
  PF_EffectWorld own_world_;
  PF_EffectWorld* world_;
  bool owns_;
};
