#include "app/media/ImageSequence.h"

#include <sys/stat.h>

namespace app {

bool ImageSequenceSink::Exists(long frame) const {
  struct stat status {};
  return stat(pattern_.FileFor(frame).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace app
