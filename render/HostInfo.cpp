#include "render/HostInfo.h"

#include "Common/SuiteCache.h"

namespace {

HostInfo g_host_info;

// Whether the host offers the suite that `acquire` asks the cache for. A
// missing suite, or anything else going wrong, means "not there".
template <typename Suite>
bool SuiteAvailable(const PF_InData* in_data, const Suite* (SuiteCache::*acquire)()) {
  try {
    SuiteCache suites(in_data->pica_basicP);
    return (suites.*acquire)() != nullptr;
  } catch (...) {
    return false;
  }
}

// The mask layout needs the path suites, which some hosts lack or misreport;
// those fall back to the point layout. Only a host still in the mask layout is
// asked, since the step never selects the mask layout itself.
void SettlePathMode(const PF_InData* in_data, HostInfo& info) {
  if (info.PathMode != PathLayout::kMask) {
    return;
  }
  if (info.appId == kAppIdKeyG || info.appId == kAppIdPrMr || info.versionMajor < 12 ||
      !SuiteAvailable(in_data, &SuiteCache::PathQuerySuite)) {
    info.PathMode = PathLayout::kPoint;
  }
}

}  // namespace

HostInfo& GetHostInfo() { return g_host_info; }

void SetPathMode(PathLayout mode) { g_host_info.PathMode = mode; }

void ResetHostInfo() { g_host_info = HostInfo{}; }

void ProbeHost(const PF_InData* in_data) {
  if (in_data == nullptr) {
    return;
  }
  HostInfo& info = g_host_info;
  info.appId = in_data->appl_id;
  info.versionMajor = in_data->version.major;
  info.versionMinor = in_data->version.minor;
  // Major and minor are tested each on its own: 12.10 and 13.10 pass, 13.2 not.
  if (info.versionMajor >= 12 && info.versionMinor >= 10) {
    info.hasFileImportManager = SuiteAvailable(in_data, &SuiteCache::FileImportManagerSuite);
  }
  SettlePathMode(in_data, info);
}
