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

// Writes `size` bytes to `destination` as above; throws UsageError
// "cannot write image file 'DESTINATION': <cause>" and leaves no temporary
// file behind when any step fails.
void WriteFileAtomically(const std::string& destination, const void* data, std::size_t size);

}  // namespace app
