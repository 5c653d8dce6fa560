// A video input as the command reads it: the file is demuxed and decoded by
// the FFmpeg libraries and converted by our code into layers of the depth
// --depth asks for. The first input byte picks that depth (as the file says,
// 8 or 16) and the file's extension, the rest is the file. A refusal must be a
// UsageError; any other exception, crash or sanitizer report is a fault.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AppErrors.h"
#include "app/media/VideoSource.h"

namespace {

// Larger pictures and longer reads only test how fast the machine decodes,
// not our driving of the decoder or our conversion.
constexpr long kMaxPixels = 256 * 256;
constexpr long kMaxFramesRead = 3;

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

// Reads the first frames in order, then the first one again, which opens
// the file anew.
void ReadSomeFrames(app::VideoSource& video) {
  if (long(video.Width()) * long(video.Height()) > kMaxPixels) return;
  const long frames = std::min(*video.FrameCount(), kMaxFramesRead);
  for (long frame = 0; frame < frames; ++frame) video.ReadFrame(frame);
  if (frames > 1) video.ReadFrame(0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int kDepths[] = {0, 8, 16};
  static const char* const kExtensions[] = {"mkv", "mov", "mp4"};
  const int depth = kDepths[data[0] % 3];
  const std::string path =
      "/tmp/lustre-fuzz-video-" + std::to_string(getpid()) + "." + kExtensions[data[0] / 3 % 3];
  WriteFile(path, data + 1, size - 1);
  try {
    app::VideoSource video(path, depth);
    ReadSomeFrames(video);
  } catch (const app::UsageError&) {}
  // A crash leaves the file; libFuzzer keeps the input itself besides.
  std::remove(path.c_str());
  return 0;
}
