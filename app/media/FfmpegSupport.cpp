#include "app/media/FfmpegSupport.h"

#include <algorithm>
#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include "app/AppErrors.h"

namespace app::ffmpeg {

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

namespace {

// The libraries' own warnings and errors are kept rather than printed: the
// command reports one message of its own, and the last library message
// (often the more precise cause, "File ended prematurely") goes into it.
std::mutex g_log_mutex;
std::string g_last_log;

extern "C" void KeepLibraryMessage(void* object, int level, const char* format, va_list args) {
  if (level > AV_LOG_WARNING) return;
  char line[512];
  int print_prefix = 0;
  av_log_format_line2(object, level, format, args, line, sizeof line, &print_prefix);
  std::string text = line;
  text = text.substr(0, text.find('\n'));
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  const std::lock_guard<std::mutex> lock(g_log_mutex);
  g_last_log = text;
}

}  // namespace

void KeepLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(KeepLibraryMessage); });
}

std::string TakeLibraryMessage() {
  const std::lock_guard<std::mutex> lock(g_log_mutex);
  std::string text;
  text.swap(g_last_log);
  return text;
}

std::string WithLibraryMessage(const std::string& cause) {
  const std::string said = TakeLibraryMessage();
  return said.empty() || said.find(cause) != std::string::npos ? cause : cause + " (" + said + ")";
}

InputPtr OpenInput(const std::string& path) {
  KeepLibraryMessages();
  AVFormatContext* raw = nullptr;
  // An input is a local file: a playlist inside it (HLS, concat) may name
  // other files but can make us open no network connection, pipe or device.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int err = avformat_open_input(&raw, path.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (err < 0) {
    throw UsageError("cannot read video file '" + path + "': " + WithLibraryMessage(AvError(err)));
  }
  InputPtr input(raw);
  err = avformat_find_stream_info(raw, nullptr);
  if (err < 0) {
    throw UsageError("cannot read video file '" + path + "': truncated or damaged (" +
                     WithLibraryMessage(AvError(err)) + ")");
  }
  return input;
}

ScalerPtr OutputScaler(int width, int height, AVPixelFormat from, AVPixelFormat to) {
  ScalerPtr made(
      sws_getContext(width, height, from, width, height, to, kScalerFlags, nullptr, nullptr, nullptr));
  if (made && IsYuv(to)) {
    sws_setColorspaceDetails(made.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
  }
  return made;
}

bool IsYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->nb_components >= 3;
}

bool HasAlpha(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  return desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA);
}

int BitsPerChannel(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  int bits = 0;
  for (int i = 0; desc && i < desc->nb_components; ++i) bits = std::max(bits, desc->comp[i].depth);
  return bits;
}

}  // namespace app::ffmpeg
