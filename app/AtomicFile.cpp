#include "app/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/AppErrors.h"

namespace app {
namespace {

constexpr char kTemporaryMark[] = ".lustre-tmp-";

// Makes the written file durable before it takes the final name, so a crash
// of the machine cannot leave a final name over missing data.
bool SyncFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& destination) : destination_(destination) {
  const std::string pattern =
      destination + kTemporaryMark + std::to_string(static_cast<long>(getpid())) + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw UsageError(Failure(std::strerror(errno)));
  // mkstemp makes the file private; the finished file gets the usual mode.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  temporary_ = name.data();
}

AtomicFile::~AtomicFile() {
  if (!committed_) unlink(temporary_.c_str());
}

void AtomicFile::Commit() {
  if (!SyncFile(temporary_)) throw UsageError(Failure(std::strerror(errno)));
  if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    throw UsageError(Failure(std::strerror(errno)));
  }
  committed_ = true;
}

std::string AtomicFile::Failure(const std::string& what) const {
  return "cannot write image file '" + destination_ + "': " + what;
}

}  // namespace app
