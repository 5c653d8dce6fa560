// Per-scope access to the host's function suites: each suite is acquired from
// the basic suite the first time it is asked for, kept for the life of the
// cache, and released once when the cache is destroyed (also when an exception
// leaves the scope). A suite that cannot be had throws SuiteNotFound.
#pragma once

#include "Common/AEException.h"
#include "host/sdk/EffectSuites.h"
#include "host/sdk/BasicSuite.h"

class SuiteCache {
 public:
  // Throws SuiteNotFound when basic is null.
  explicit SuiteCache(SPBasicSuite* basic);
  ~SuiteCache();

  SuiteCache(const SuiteCache&) = delete;
  SuiteCache& operator=(const SuiteCache&) = delete;

  // "AEGP File Import Manager Suite" version 2; only whether it exists matters.
  const AEGP_FileImportManagerSuite2* FileImportManagerSuite();
  // "PF Param Utils Suite" version 1.
  const PF_ParamUtilsSuite1* ParamUtilsSuite();
  // "PF Path Query Suite" version 1.
  const PF_PathQuerySuite1* PathQuerySuite();
  // "PF Path Data Suite" version 1.
  const PF_PathDataSuite1* PathDataSuite();
  // "PF Iterate Generic Suite" version 1.
  const PF_IterateGenericSuite1* IterateGenericSuite();

 private:
  enum Slot { kFileImportManager, kParamUtils, kPathQuery, kPathData, kIterateGeneric, kSlotCount };

  const void* Acquire(Slot slot);

  SPBasicSuite* basic_;
  const void* slots_[kSlotCount];
};
