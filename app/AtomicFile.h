// A file that appears under its final name only when complete: it is written
// under a temporary name in the same folder ("NAME.lustre-tmp-PID-XXXXXX",
// unique even between processes writing the same folder, and never mistaken
// for a finished frame), then renamed over the final name. Dropped without
// Commit(), the temporary file is removed.
#pragma once

#include <string>

namespace app {

class AtomicFile {
 public:
  // Creates the temporary file; throws UsageError naming `destination` when
  // its folder cannot take it.
  explicit AtomicFile(const std::string& destination);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The name to write to.
  const std::string& TemporaryPath() const { return temporary_; }

  // Flushes the written file to disk and renames it to the destination.
  void Commit();

  // A UsageError "cannot write image file 'DESTINATION': what".
  std::string Failure(const std::string& what) const;

 private:
  std::string destination_;
  std::string temporary_;
  bool committed_ = false;
};

}  // namespace app
