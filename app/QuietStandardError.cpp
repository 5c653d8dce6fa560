#include "app/QuietStandardError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define LUSTRE_SANITIZER_REPORTS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUSTRE_SANITIZER_REPORTS 1
#endif
#ifdef LUSTRE_SANITIZER_REPORTS
#include <sanitizer/common_interface_defs.h>
#endif

namespace app {
namespace {

// A report of a sanitizer build goes where standard error really is.
void SendSanitizerReportsTo([[maybe_unused]] int fd) {
#ifdef LUSTRE_SANITIZER_REPORTS
  __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
#endif
}

}  // namespace

QuietStandardError::QuietStandardError() {
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  std::fflush(stderr);
  saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  if (saved_ >= 0 && dup2(null, STDERR_FILENO) < 0) {
    close(saved_);
    saved_ = -1;
  }
  close(null);
  if (saved_ >= 0) SendSanitizerReportsTo(saved_);
}

QuietStandardError::~QuietStandardError() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  dup2(saved_, STDERR_FILENO);
  SendSanitizerReportsTo(STDERR_FILENO);
  close(saved_);
}

}  // namespace app
