// What the video source and sink share of the FFmpeg libraries: their
// error text, the capture of their own log messages (kept for our messages
// instead of printed), opening an input file, pixel format facts, and
// unique_ptr deleters for their objects.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace app::ffmpeg {

// av_err2str's text (the macro itself builds a C compound literal).
std::string AvError(int err);

// Routes the libraries' warnings and errors into a store of the last one,
// for the whole process (the libraries have one log callback), once.
void KeepLibraryMessages();
// The libraries' last message, forgotten once taken; empty when there was none.
std::string TakeLibraryMessage();
// "cause" with the library's own last message added when it says more.
std::string WithLibraryMessage(const std::string& cause);

struct InputCloser {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct OutputCloser {
  void operator()(AVFormatContext* c) const {
    if (c->pb && !(c->oformat->flags & AVFMT_NOFILE)) avio_closep(&c->pb);
    avformat_free_context(c);
  }
};
struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFree>;

// Opens a local file for reading and reads its stream information; throws
// UsageError "cannot read video file 'PATH': ..." naming the cause.
InputPtr OpenInput(const std::string& path);

// Scaling flags of every conversion: sizes never change, so only the chroma
// interpolation and the rounding matter.
constexpr int kScalerFlags =
    SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;

// A converter from frames of `from` to frames of `to`, both of one size,
// with those flags; YUV frames are written BT.709, limited range. Null when
// swscale cannot convert between the two.
ScalerPtr OutputScaler(int width, int height, AVPixelFormat from, AVPixelFormat to);

// AV_TIME_BASE_Q, which is a C compound literal.
constexpr AVRational kTimeBase{1, AV_TIME_BASE};

bool IsYuv(AVPixelFormat format);
bool HasAlpha(AVPixelFormat format);
int BitsPerChannel(AVPixelFormat format);

}  // namespace app::ffmpeg
