#include "host/embedded/SuiteRegistry.h"

namespace embedded {

void SuiteRegistry::Register(const std::string& name, int32_t version, const void* table) {
  std::lock_guard<std::mutex> lock(mutex_);
  tables_[{name, version}] = table;
}

void SuiteRegistry::SetAnswer(const std::string& name, SuiteAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[name] = answer;
}

SPErr SuiteRegistry::Acquire(const char* name, int32_t version, const void** suite) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (suite != nullptr) { *suite = nullptr; }
  if (name == nullptr || suite == nullptr) { return kSuiteNotFoundError; }
  ++counts_[name].attempts;
  auto answer = answers_.find(name);
  const SuiteAnswer how = answer != answers_.end() ? answer->second : SuiteAnswer::kOffer;
  if (how == SuiteAnswer::kRefuse) { return kSuiteNotFoundError; }
  if (how == SuiteAnswer::kNull) { return kSPNoError; }
  auto table = tables_.find({name, version});
  if (table == tables_.end()) { return kSuiteNotFoundError; }
  *suite = table->second;
  if (*suite != nullptr) { ++counts_[name].acquires; }
  return kSPNoError;
}

SPErr SuiteRegistry::Release(const char* name, int32_t) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (name == nullptr) { return kSuiteNotFoundError; }
  ++counts_[name].releases;
  return kSPNoError;
}

int SuiteRegistry::AcquireAttempts(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(name);
  return it != counts_.end() ? it->second.attempts : 0;
}

int SuiteRegistry::AcquireCount(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(name);
  return it != counts_.end() ? it->second.acquires : 0;
}

int SuiteRegistry::ReleaseCount(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = counts_.find(name);
  return it != counts_.end() ? it->second.releases : 0;
}

}  // namespace embedded
