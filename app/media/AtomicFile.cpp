#include "app/media/AtomicFile.h"

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

}  // namespace

TemporaryFile::TemporaryFile(const std::string& destination) {
  const std::string pattern =
      destination + kTemporaryMark + std::to_string(static_cast<long>(getpid())) + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = mkstemp(name.data());
  if (fd_ < 0) return;
  name_ = name.data();
  // mkstemp makes the file private; the finished file gets the usual mode.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) close(fd_);
  if (!name_.empty()) unlink(name_.c_str());
}

bool TemporaryFile::Write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TemporaryFile::SyncAndClose() {
  const bool synced = fsync(fd_) == 0;
  const int saved = errno;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!synced) errno = saved;
  return synced && closed;
}

bool TemporaryFile::RenameTo(const std::string& destination) {
  if (std::rename(name_.c_str(), destination.c_str()) != 0) return false;
  name_.clear();
  return true;
}

void WriteFileAtomically(const std::string& destination, const void* data, std::size_t size) {
  TemporaryFile file(destination);
  if (!file.Created() || !file.Write(static_cast<const char*>(data), size) ||
      !file.SyncAndClose() || !file.RenameTo(destination)) {
    throw UsageError("cannot write image file '" + destination + "': " + std::strerror(errno));
  }
}

}  // namespace app
