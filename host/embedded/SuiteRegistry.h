// The suites an embedded host hands out through its basic suite, with how it
// answers for each name (offer, refuse, or succeed with a null table), and per
// name a count of AcquireSuite calls, of acquisitions that handed out a table
// (the ones a careful caller releases) and of releases.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "host/sdk/BasicSuite.h"

namespace embedded {

enum class SuiteAnswer { kOffer, kRefuse, kNull };

class SuiteRegistry {
 public:
  // Error returned for a suite that is refused or not known ('S!Fd').
  static constexpr SPErr kSuiteNotFoundError = 0x53214664;

  void Register(const std::string& name, int32_t version, const void* table);
  void SetAnswer(const std::string& name, SuiteAnswer answer);

  SPErr Acquire(const char* name, int32_t version, const void** suite);
  SPErr Release(const char* name, int32_t version);

  int AcquireAttempts(const std::string& name) const;
  int AcquireCount(const std::string& name) const;
  int ReleaseCount(const std::string& name) const;

 private:
  struct Counts {
    int attempts = 0;
    int acquires = 0;
    int releases = 0;
  };

  mutable std::mutex mutex_;
  std::map<std::pair<std::string, int32_t>, const void*> tables_;
  std::map<std::string, SuiteAnswer> answers_;
  std::map<std::string, Counts> counts_;
};

}  // namespace embedded
