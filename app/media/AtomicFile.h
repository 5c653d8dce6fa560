// A file that appears under its final name only when complete: it is written
// under a temporary name in the same folder ("NAME.lustre-tmp-PID-XXXXXX",
// unique even between processes writing the same folder, and never mistaken
// for a finished frame), flushed to disk, then renamed over the final name.
// Every write is checked, so a full disk or a vanished folder ends in an
// error naming the file, never in a short file under the final name.
#pragma once

#include <cstddef>
#include <string>

namespace app {

// The temporary file beside a destination: created (with the usual mode)
// under the name above, removed when destroyed unless renamed. Each step
// returns false with errno set when it fails. A writer of its own (a muxer)
// may open Name() and write through it instead of Write().
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& destination);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return fd_ >= 0 || !name_.empty(); }
  const std::string& Name() const { return name_; }
  bool Write(const char* data, std::size_t size);
  // Flushed to disk before it takes the final name, so a crash of the
  // machine cannot leave the final name over missing data.
  bool SyncAndClose();
  bool RenameTo(const std::string& destination);

 private:
  int fd_ = -1;
  std::string name_;
};

// Writes `size` bytes to `destination` as above; throws UsageError
// "cannot write image file 'DESTINATION': <cause>" and leaves no temporary
// file behind when any step fails.
void WriteFileAtomically(const std::string& destination, const void* data, std::size_t size);

}  // namespace app
