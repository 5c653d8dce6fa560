#include "Common/SuiteCache.h"

namespace {

struct SuiteKey {
  const char* name;
  int32_t version;
};

// One entry per slot, in the order of SuiteCache::Slot; also the order of release.
constexpr SuiteKey kSuiteKeys[] = {
    {kAEGPFileImportManagerSuite, kAEGPFileImportManagerSuiteVersion2},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1},
    {kPFPathQuerySuite, kPFPathQuerySuiteVersion1},
    {kPFPathDataSuite, kPFPathDataSuiteVersion1},
    {kPFIterateGenericSuite, kPFIterateGenericSuiteVersion1},
};

}  // namespace

SuiteCache::SuiteCache(SPBasicSuite* basic) : basic_(basic), slots_{} {
  if (basic_ == nullptr) {
    throw SuiteNotFound();
  }
}

SuiteCache::~SuiteCache() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slots_[slot] != nullptr) {
      // The host's answer to a release is not looked at.
      basic_->ReleaseSuite(kSuiteKeys[slot].name, kSuiteKeys[slot].version);
    }
  }
}

const void* SuiteCache::Acquire(Slot slot) {
  if (slots_[slot] != nullptr) {
    return slots_[slot];
  }
  const void* suite = nullptr;
  const SPErr err = basic_->AcquireSuite(kSuiteKeys[slot].name, kSuiteKeys[slot].version, &suite);
  // A host that answers "no error" with a null table has not given the suite
  // either; the slot stays empty so nothing is released for it.
  if (err != kSPNoError || suite == nullptr) {
    throw SuiteNotFound();
  }
  slots_[slot] = suite;
  return suite;
}

const AEGP_FileImportManagerSuite2* SuiteCache::FileImportManagerSuite() {
  return static_cast<const AEGP_FileImportManagerSuite2*>(Acquire(kFileImportManager));
}

const PF_ParamUtilsSuite1* SuiteCache::ParamUtilsSuite() {
  return static_cast<const PF_ParamUtilsSuite1*>(Acquire(kParamUtils));
}

const PF_PathQuerySuite1* SuiteCache::PathQuerySuite() {
  return static_cast<const PF_PathQuerySuite1*>(Acquire(kPathQuery));
}

const PF_PathDataSuite1* SuiteCache::PathDataSuite() {
  return static_cast<const PF_PathDataSuite1*>(Acquire(kPathData));
}

const PF_IterateGenericSuite1* SuiteCache::IterateGenericSuite() {
  return static_cast<const PF_IterateGenericSuite1*>(Acquire(kIterateGeneric));
}
