#include "app/VideoIo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "Common/PixelTraits.h"
#include "app/AppErrors.h"
#include "app/ImageIo.h"

namespace app {
namespace {

// av_err2str's text (the macro itself builds a C compound literal).
std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

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

void KeepLibraryMessages() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(KeepLibraryMessage); });
}

// The library's last message, forgotten once taken; empty when there was none.
std::string TakeLibraryMessage() {
  const std::lock_guard<std::mutex> lock(g_log_mutex);
  std::string text;
  text.swap(g_last_log);
  return text;
}

// "cause" with the library's own last message added when it says more.
std::string WithLibraryMessage(const std::string& cause) {
  const std::string said = TakeLibraryMessage();
  return said.empty() || said.find(cause) != std::string::npos ? cause : cause + " (" + said + ")";
}

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

// Scaling flags of every conversion: sizes never change, so only the chroma
// interpolation and the rounding matter.
constexpr int kScalerFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP;

// AV_TIME_BASE_Q, which is a C compound literal.
constexpr AVRational kTimeBase{1, AV_TIME_BASE};

bool IsYuv(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->nb_components >= 3;
}

int BitsPerChannel(AVPixelFormat format) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  int bits = 0;
  for (int i = 0; desc && i < desc->nb_components; ++i) bits = std::max(bits, desc->comp[i].depth);
  return bits;
}

}  // namespace

// ---- Reading -------------------------------------------------------------------

struct VideoSource::State {
  std::string path;
  InputPtr input;
  int stream = -1;
  CodecPtr decoder;
  PacketPtr packet{av_packet_alloc()};
  FramePtr frame{av_frame_alloc()};
  ScalerPtr scaler;
  std::vector<uint16_t> wide;  // one frame as RGBA64, for 16-bit layers
  long count = 0;
  Rational rate;
  int width = 0, height = 0;
  bool deep = false;
  long next = 0;           // the number of the frame the decoder delivers next
  bool at_end = false;     // every packet read; the decoder was told to flush

  UsageError Failure(const std::string& cause) const {
    return UsageError("cannot read video file '" + path + "': " + WithLibraryMessage(cause));
  }

  // Opens the file at its first frame (again).
  void Open() {
    input = OpenInput(path);
    stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) throw Failure("it holds no video stream");
    const AVCodecParameters* par = input->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (par->codec_id == AV_CODEC_ID_NONE) throw Failure("truncated or damaged: its video codec is not known");
    if (!codec) throw Failure(std::string("the FFmpeg libraries here have no ") + avcodec_get_name(par->codec_id) + " decoder");
    decoder.reset(avcodec_alloc_context3(codec));
    if (!decoder) throw std::bad_alloc();
    int err = avcodec_parameters_to_context(decoder.get(), par);
    decoder->thread_count = 0;  // as many as the libraries see fit
    if (err >= 0) err = avcodec_open2(decoder.get(), codec, nullptr);
    if (err < 0) throw Failure("cannot open the decoder: " + AvError(err));
    next = 0;
    at_end = false;
  }

  // Counts the video packets (one a frame) without decoding. A file whose
  // index promises more frames than it holds, or whose header gives a
  // longer duration than its packets cover is truncated. The slack of a
  // frame and 0.1 s allows for last packets whose duration is not stored.
  long CountFrames() {
    long packets = 0;
    int64_t last_end = AV_NOPTS_VALUE;  // of any packet, in AV_TIME_BASE units
    for (;;) {
      const int err = av_read_frame(input.get(), packet.get());
      if (err == AVERROR_EOF) break;
      if (err < 0) throw Failure("truncated or damaged after frame " + std::to_string(packets) + ": " + AvError(err));
      if (packet->stream_index == stream) ++packets;
      const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
      if (at != AV_NOPTS_VALUE) {
        const int64_t end = av_rescale_q(at + packet->duration, input->streams[packet->stream_index]->time_base,
                                         kTimeBase);
        last_end = last_end == AV_NOPTS_VALUE ? end : std::max(last_end, end);
      }
      av_packet_unref(packet.get());
    }
    const int64_t promised = input->streams[stream]->nb_frames;
    if (promised > packets) {
      throw Failure("truncated: it holds " + std::to_string(packets) + " of its " + std::to_string(promised) +
                    " frames");
    }
    if (input->duration > 0 && input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
        last_end != AV_NOPTS_VALUE) {
      const int64_t start = input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
      const int64_t slack = av_rescale_q(1, AVRational{static_cast<int>(rate.den), static_cast<int>(rate.num)},
                                         kTimeBase) + AV_TIME_BASE / 10;
      if (last_end - start + slack < input->duration) {
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "%.3f s of its %.3f s", double(last_end - start) / AV_TIME_BASE,
                      double(input->duration) / AV_TIME_BASE);
        throw Failure(std::string("truncated: what it holds ends at ") + seconds);
      }
    }
    if (packets == 0) throw Failure("its video stream holds no frames");
    return packets;
  }

  // Sends the decoder the next packet of the stream, or the flush once the
  // file is read to its end.
  void FeedDecoder() {
    AVPacket* to_send = nullptr;
    while (!at_end) {
      const int err = av_read_frame(input.get(), packet.get());
      if (err == AVERROR_EOF) {
        at_end = true;
      } else if (err < 0) {
        throw Failure("truncated or damaged at frame " + std::to_string(next) + ": " + AvError(err));
      } else if (packet->stream_index == stream) {
        to_send = packet.get();
        break;
      } else {
        av_packet_unref(packet.get());
      }
    }
    const int err = avcodec_send_packet(decoder.get(), to_send);
    if (to_send) av_packet_unref(to_send);
    if (err < 0 && err != AVERROR_EOF) throw Failure("cannot decode frame " + std::to_string(next) + ": " + AvError(err));
  }

  // The next decoded frame, or nullptr once the decoder is drained. One
  // receive/send loop serves the frames of the file and the final flush.
  AVFrame* NextFrame() {
    for (;;) {
      const int err = avcodec_receive_frame(decoder.get(), frame.get());
      if (err == 0) return frame.get();
      if (err == AVERROR_EOF) return nullptr;
      if (err != AVERROR(EAGAIN)) throw Failure("cannot decode frame " + std::to_string(next) + ": " + AvError(err));
      FeedDecoder();
    }
  }

  Layer Convert(const AVFrame& decoded) {
    if (decoded.width != width || decoded.height != height) {
      throw Failure("frame " + std::to_string(next) + " is " + std::to_string(decoded.width) + "x" +
                    std::to_string(decoded.height) + ", not " + std::to_string(width) + "x" + std::to_string(height));
    }
    // Decoded at the source's own depth; --depth converts afterwards, by the
    // effect's rules as for a PNG input.
    const auto source = static_cast<AVPixelFormat>(decoded.format);
    const bool deep_source = BitsPerChannel(source) > 8;
    const AVPixelFormat target = deep_source ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_ARGB;
    scaler.reset(sws_getCachedContext(scaler.release(), width, height, source, width, height, target, kScalerFlags,
                                      nullptr, nullptr, nullptr));
    if (!scaler) throw Failure(std::string("cannot convert ") + av_get_pix_fmt_name(source) + " frames to RGBA");
    if (IsYuv(source)) {
      // The frame's own matrix and range (the libraries' default matrix
      // when the file does not say), to full-range RGB.
      const int matrix = decoded.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : decoded.colorspace;
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(matrix), decoded.color_range == AVCOL_RANGE_JPEG,
                               sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    Layer layer = Layer::Make(width, height, deep_source);
    // PF_Pixel is alpha, red, green, blue bytes: ARGB in the libraries' terms.
    static_assert(sizeof(PF_Pixel) == 4 && sizeof(PF_Pixel16) == 8);
    if (deep_source) wide.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint8_t* rows[4] = {deep_source ? reinterpret_cast<uint8_t*>(wide.data())
                                    : reinterpret_cast<uint8_t*>(layer.pixels8.data())};
    const int strides[4] = {width * (deep_source ? 8 : 4)};
    sws_scale(scaler.get(), decoded.data, decoded.linesize, 0, height, rows, strides);
    for (size_t i = 0; deep_source && i < layer.pixels16.size(); ++i) {
      const uint16_t* rgba = wide.data() + 4 * i;
      layer.pixels16[i] = {Sample16ToChannel(rgba[3]), Sample16ToChannel(rgba[0]),
                           Sample16ToChannel(rgba[1]), Sample16ToChannel(rgba[2])};
    }
    return ConvertLayerDepth(layer, deep);
  }
};

VideoSource::VideoSource(const std::string& path, int depth) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.path = path;
  s.Open();
  const AVStream* video = s.input->streams[s.stream];
  s.width = video->codecpar->width;
  s.height = video->codecpar->height;
  if (s.width <= 0 || s.height <= 0) throw s.Failure("its video stream has no picture size");
  if (s.width > kMaxLayerSide || s.height > kMaxLayerSide) {
    throw s.Failure("its frames are " + std::to_string(s.width) + "x" + std::to_string(s.height) +
                    " pixels; layers wider or taller than " + std::to_string(kMaxLayerSide) + " pixels are refused");
  }
  AVRational rate = video->avg_frame_rate.num > 0 ? video->avg_frame_rate : video->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) throw s.Failure("its video stream has no frame rate");
  s.rate = {rate.num, rate.den};
  s.deep = depth == 0 ? BitsPerChannel(static_cast<AVPixelFormat>(video->codecpar->format)) > 8 : depth == 16;
  s.count = s.CountFrames();
  s.Open();  // back to the first frame
}

VideoSource::~VideoSource() = default;

std::optional<long> VideoSource::FrameCount() const { return state_->count; }
std::optional<Rational> VideoSource::Rate() const { return state_->rate; }
int VideoSource::Width() const { return state_->width; }
int VideoSource::Height() const { return state_->height; }
bool VideoSource::Deep() const { return state_->deep; }

Layer VideoSource::ReadFrame(long frame) {
  State& s = *state_;
  if (frame < 0 || frame >= s.count) {
    throw s.Failure("there is no frame " + std::to_string(frame) + "; its frames are 0 to " +
                    std::to_string(s.count - 1));
  }
  if (frame < s.next) s.Open();
  for (;;) {
    const AVFrame* decoded = s.NextFrame();
    if (!decoded) {
      throw s.Failure("truncated or damaged: it ends after " + std::to_string(s.next) + " of its " +
                      std::to_string(s.count) + " frames");
    }
    if (s.next++ == frame) return s.Convert(*decoded);
  }
}

// ---- Writing -------------------------------------------------------------------

namespace {

struct OutputKind {
  const char* extension;
  const char* encoder;
  AVPixelFormat pixel_format;
  const char* options;  // encoder options, key=value:key=value
  const char* what;     // for messages
};

constexpr OutputKind kOutputKinds[] = {
    {".mov", "prores_ks", AV_PIX_FMT_YUVA444P10LE, "profile=4444", "ProRes 4444 (yuva444p10le)"},
    {".mkv", "ffv1", AV_PIX_FMT_GBRAP16LE, "level=3", "FFV1 (16-bit RGBA)"},
    {".mp4", "libx264", AV_PIX_FMT_YUV420P, "crf=18:preset=medium", "H.264 (yuv420p)"},
};

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

const OutputKind* KindOf(const std::string& path) {
  const std::string extension = LowerExtension(path);
  for (const OutputKind& kind : kOutputKinds) {
    if (extension == kind.extension) return &kind;
  }
  return nullptr;
}

// A 16-bit sample of a channel of either depth: 8-bit values scaled by 257
// (exactly reversible), 16-bit ones by the command's PNG mapping.
inline uint16_t WideSample(A_u_char v) { return static_cast<uint16_t>(v * 257u); }
inline uint16_t WideSample(A_u_short v) { return ChannelToSample16(v); }

template <typename P>
void RowsToRgba64(const char* data, ptrdiff_t rowbytes, int width, int height, uint16_t* out) {
  for (int y = 0; y < height; ++y) {
    const P* row = reinterpret_cast<const P*>(data + y * rowbytes);
    for (int x = 0; x < width; ++x, out += 4) {
      out[0] = WideSample(row[x].red);
      out[1] = WideSample(row[x].green);
      out[2] = WideSample(row[x].blue);
      out[3] = WideSample(row[x].alpha);
    }
  }
}

// Pixel rows of a world or of a frame held back for its turn.
struct Rows {
  const char* data;
  ptrdiff_t rowbytes;
  bool deep;
};

Rows RowsOf(const PF_EffectWorld& world) { return {static_cast<const char*>(world.data), world.rowbytes, IsDeep(world)}; }

Rows RowsOf(const Layer& layer) {
  return layer.deep ? Rows{reinterpret_cast<const char*>(layer.pixels16.data()), ptrdiff_t{layer.width} * 8, true}
                    : Rows{reinterpret_cast<const char*>(layer.pixels8.data()), ptrdiff_t{layer.width} * 4, false};
}

Layer CopyOf(const PF_EffectWorld& world) {
  Layer layer = Layer::Make(world.width, world.height, IsDeep(world));
  const Rows to = RowsOf(layer);
  for (int y = 0; y < world.height; ++y) {
    std::memcpy(const_cast<char*>(to.data) + y * to.rowbytes, static_cast<const char*>(world.data) + y * world.rowbytes,
                static_cast<size_t>(to.rowbytes));
  }
  return layer;
}

}  // namespace

const char kVideoOutputHelp[] =
    ".mov: ProRes 4444 with alpha (prores_ks, yuva444p10le); "
    ".mkv: FFV1 level 3, lossless 16-bit RGBA; "
    ".mp4: H.264 (libx264, yuv420p, constant quality crf 18, preset medium), no alpha";

bool IsVideoOutputPath(const std::string& path) { return KindOf(path) != nullptr; }

// The input's first audio stream, copied packet by packet over the stretch
// of the run's frames and shifted so that it starts with the first of them.
struct AudioCopy {
  InputPtr input;
  int stream = -1;
  AVStream* out = nullptr;
  int64_t first = 0, end = 0;  // in the input stream's time base
  PacketPtr packet{av_packet_alloc()};
  bool held = false;  // `packet` holds the next packet to write
  bool done = false;
};

struct VideoSink::State {
  VideoSinkSettings settings;
  const OutputKind* kind = nullptr;
  std::string temporary;
  OutputPtr output;
  AVStream* video = nullptr;
  CodecPtr encoder;
  ScalerPtr scaler;
  FramePtr frame{av_frame_alloc()};
  PacketPtr packet{av_packet_alloc()};
  std::vector<uint16_t> wide;         // one frame as RGBA64
  std::map<long, size_t> positions;   // frame number -> place in the file
  std::map<size_t, Layer> held_back;  // frames that came before their turn
  size_t next = 0;                    // the place of the frame encoded next
  std::unique_ptr<AudioCopy> audio;
  bool finished = false;

  UsageError Failure(const std::string& cause) const {
    return UsageError("cannot write video file '" + settings.path + "': " + WithLibraryMessage(cause));
  }

  void Mux(AVPacket* p) {
    const int err = av_interleaved_write_frame(output.get(), p);
    if (err < 0) throw Failure(AvError(err));
  }

  // Sends a frame (nullptr: the end of the run) and writes every packet the
  // encoder has ready; EAGAIN and EOF only mean it has none now.
  void Encode(AVFrame* f) {
    int err = avcodec_send_frame(encoder.get(), f);
    if (err < 0) throw Failure("cannot encode: " + AvError(err));
    for (;;) {
      err = avcodec_receive_packet(encoder.get(), packet.get());
      if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
      if (err < 0) throw Failure("cannot encode: " + AvError(err));
      av_packet_rescale_ts(packet.get(), encoder->time_base, video->time_base);
      packet->stream_index = video->index;
      Mux(packet.get());
    }
  }

  void EncodeRows(const Rows& rows) {
    const int width = settings.width, height = settings.height;
    if (rows.deep) {
      RowsToRgba64<PF_Pixel16>(rows.data, rows.rowbytes, width, height, wide.data());
    } else {
      RowsToRgba64<PF_Pixel>(rows.data, rows.rowbytes, width, height, wide.data());
    }
    int err = av_frame_make_writable(frame.get());
    if (err < 0) throw Failure(AvError(err));
    const uint8_t* from[4] = {reinterpret_cast<const uint8_t*>(wide.data())};
    const int strides[4] = {width * 8};
    sws_scale(scaler.get(), from, strides, 0, height, frame->data, frame->linesize);
    frame->pts = static_cast<int64_t>(next);
    Encode(frame.get());
    ++next;
    if (audio) CopyAudio(frame->pts);
  }

  // Writes the audio packets up to the video time `until` (in the encoder's
  // time base; INT64_MAX: to the end of the run) and keeps the first later
  // one for next time.
  void CopyAudio(int64_t until) {
    AudioCopy& a = *audio;
    const AVRational in_base = a.input->streams[a.stream]->time_base;
    while (!a.done) {
      if (!a.held) {
        const int err = av_read_frame(a.input.get(), a.packet.get());
        if (err == AVERROR_EOF) break;
        if (err < 0) throw Failure("cannot read the audio of '" + settings.audio_from + "': " + AvError(err));
        if (a.packet->stream_index != a.stream) {
          av_packet_unref(a.packet.get());
          continue;
        }
        a.held = true;
      }
      AVPacket* p = a.packet.get();
      const int64_t at = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
      if (at != AV_NOPTS_VALUE && at >= a.end) {
        a.done = true;
      } else if (at == AV_NOPTS_VALUE || at < a.first) {
        av_packet_unref(p);  // before the run's first frame
        a.held = false;
      } else if (until != INT64_MAX && av_compare_ts(at - a.first, in_base, until, encoder->time_base) > 0) {
        break;
      } else {
        if (p->pts != AV_NOPTS_VALUE) p->pts -= a.first;
        if (p->dts != AV_NOPTS_VALUE) p->dts -= a.first;
        av_packet_rescale_ts(p, in_base, a.out->time_base);
        p->stream_index = a.out->index;
        p->pos = -1;
        a.held = false;
        Mux(p);
      }
    }
    if (a.held && a.done) {
      av_packet_unref(a.packet.get());
      a.held = false;
    }
  }

  void OpenEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name(kind->encoder);
    if (!codec) throw Failure(std::string("the FFmpeg libraries here have no ") + kind->encoder + " encoder");
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(kind->pixel_format);
    const int across = 1 << desc->log2_chroma_w, down = 1 << desc->log2_chroma_h;
    if (settings.width % across != 0 || settings.height % down != 0) {
      throw Failure(std::string(kind->what) + " needs a width divisible by " + std::to_string(across) +
                    " and a height divisible by " + std::to_string(down) + "; the frames are " +
                    std::to_string(settings.width) + "x" + std::to_string(settings.height));
    }
    encoder.reset(avcodec_alloc_context3(codec));
    if (!encoder) throw std::bad_alloc();
    encoder->width = settings.width;
    encoder->height = settings.height;
    encoder->pix_fmt = kind->pixel_format;
    encoder->time_base = {static_cast<int>(settings.rate.den), static_cast<int>(settings.rate.num)};
    encoder->framerate = {static_cast<int>(settings.rate.num), static_cast<int>(settings.rate.den)};
    encoder->sample_aspect_ratio = {1, 1};
    encoder->thread_count = 0;
    const bool yuv = IsYuv(kind->pixel_format);
    // YUV outputs are BT.709, limited range, as editors expect of HD video.
    encoder->colorspace = yuv ? AVCOL_SPC_BT709 : AVCOL_SPC_RGB;
    encoder->color_range = yuv ? AVCOL_RANGE_MPEG : AVCOL_RANGE_JPEG;
    encoder->color_primaries = AVCOL_PRI_BT709;
    encoder->color_trc = yuv ? AVCOL_TRC_BT709 : AVCOL_TRC_IEC61966_2_1;
    if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_parse_string(&options, kind->options, "=", ":", 0);
    const int err = avcodec_open2(encoder.get(), codec, &options);
    av_dict_free(&options);
    if (err < 0) throw Failure(std::string("cannot open the ") + kind->encoder + " encoder: " + AvError(err));

    scaler.reset(sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGBA64, settings.width, settings.height,
                                kind->pixel_format, kScalerFlags, nullptr, nullptr, nullptr));
    if (!scaler) throw Failure("cannot convert RGBA to " + std::string(kind->what));
    if (yuv) {
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                               sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    }
    // Some encoders (ProRes) store the colour description of each frame.
    frame->colorspace = encoder->colorspace;
    frame->color_range = encoder->color_range;
    frame->color_primaries = encoder->color_primaries;
    frame->color_trc = encoder->color_trc;
    frame->format = kind->pixel_format;
    frame->width = settings.width;
    frame->height = settings.height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::bad_alloc();
    wide.resize(static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height) * 4);

    video = avformat_new_stream(output.get(), nullptr);
    if (!video) throw std::bad_alloc();
    avcodec_parameters_from_context(video->codecpar, encoder.get());
    video->time_base = encoder->time_base;
    video->avg_frame_rate = encoder->framerate;
  }

  // The stretch of the run in the input's audio; no copy (and a note on
  // standard error) when the container does not take its codec or the run
  // is not one stretch of consecutive frames.
  void OpenAudio() {
    InputPtr input = OpenInput(settings.audio_from);
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0) return;
    const AVStream* in = input->streams[stream];
    const std::vector<long>& frames = settings.frames;
    const bool consecutive = std::adjacent_find(frames.begin(), frames.end(), [](long a, long b) {
                               return b != a + 1;
                             }) == frames.end();
    const char* codec_name = avcodec_get_name(in->codecpar->codec_id);
    if (avformat_query_codec(output->oformat, in->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
      std::fprintf(stderr, "lustre-strand: the audio of '%s' (%s) cannot go into a %s file; '%s' is written without sound\n",
                   settings.audio_from.c_str(), codec_name, kind->extension, settings.path.c_str());
      return;
    }
    if (!consecutive) {
      std::fprintf(stderr, "lustre-strand: the frames are not consecutive, so '%s' is written without sound\n",
                   settings.path.c_str());
      return;
    }
    // The video's start in the audio's time base: the sound keeps its
    // offset from the pictures.
    const int video_stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    int64_t video_start = 0;
    if (video_stream >= 0 && input->streams[video_stream]->start_time != AV_NOPTS_VALUE) {
      video_start = av_rescale_q(input->streams[video_stream]->start_time, input->streams[video_stream]->time_base,
                                 in->time_base);
    }
    const AVRational frame_time{static_cast<int>(settings.rate.den), static_cast<int>(settings.rate.num)};
    audio = std::make_unique<AudioCopy>();
    audio->first = video_start + av_rescale_q(frames.front(), frame_time, in->time_base);
    audio->end = video_start + av_rescale_q(frames.back() + 1, frame_time, in->time_base);
    audio->stream = stream;
    audio->out = avformat_new_stream(output.get(), nullptr);
    if (!audio->out) throw std::bad_alloc();
    avcodec_parameters_copy(audio->out->codecpar, in->codecpar);
    audio->out->codecpar->codec_tag = 0;  // the output container's own tag
    audio->out->time_base = in->time_base;
    audio->input = std::move(input);
  }

  // A QuickTime file places each track on the movie's clock, which counts
  // milliseconds unless told otherwise: a segment of a longer render whose
  // sound starts between two milliseconds would have it moved to one. The
  // sound's own sample clock places it exactly.
  AVDictionary* MuxerOptions() const {
    AVDictionary* options = nullptr;
    if (audio && std::strcmp(kind->extension, ".mov") == 0 && audio->out->codecpar->sample_rate > 0) {
      av_dict_set_int(&options, "movie_timescale", audio->out->codecpar->sample_rate, 0);
    }
    return options;
  }

  void OpenFile() {
    std::vector<char> name(settings.path.begin(), settings.path.end());
    static const char kSuffix[] = ".tmp-XXXXXX";
    name.insert(name.end(), kSuffix, kSuffix + sizeof kSuffix);
    const int fd = mkstemp(name.data());
    if (fd < 0) throw Failure(std::strerror(errno));
    temporary = name.data();
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    const int err = avio_open(&output->pb, temporary.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) throw Failure(AvError(err));
  }

  void RemoveTemporary() {
    if (output && output->pb) avio_closep(&output->pb);
    if (!temporary.empty()) unlink(temporary.c_str());
    temporary.clear();
  }
};

VideoSink::VideoSink(const VideoSinkSettings& settings) : state_(std::make_unique<State>()) {
  KeepLibraryMessages();
  State& s = *state_;
  s.settings = settings;
  s.kind = KindOf(settings.path);
  if (!s.kind) throw s.Failure("unknown extension; video files are written as .mov, .mkv or .mp4");
  if (settings.frames.empty()) throw s.Failure("there are no frames to write");
  for (size_t i = 0; i < settings.frames.size(); ++i) {
    if (!s.positions.emplace(settings.frames[i], i).second) {
      throw std::logic_error("VideoSink: frame " + std::to_string(settings.frames[i]) + " is listed twice");
    }
  }
  AVFormatContext* raw = nullptr;
  const int err = avformat_alloc_output_context2(&raw, nullptr, nullptr, settings.path.c_str());
  if (err < 0) throw s.Failure(AvError(err));
  s.output.reset(raw);
  try {
    s.OpenEncoder();
    if (!settings.audio_from.empty()) s.OpenAudio();
    s.OpenFile();
    AVDictionary* muxer_options = s.MuxerOptions();
    const int header = avformat_write_header(s.output.get(), &muxer_options);
    av_dict_free(&muxer_options);
    if (header < 0) throw s.Failure("the container cannot hold this: " + AvError(header));
  } catch (...) {
    s.RemoveTemporary();
    throw;
  }
}

VideoSink::~VideoSink() { Abandon(); }

void VideoSink::WriteFrame(long frame, const PF_EffectWorld& world) {
  State& s = *state_;
  const auto place = s.positions.find(frame);
  if (place == s.positions.end() || place->second < s.next || s.held_back.count(place->second)) {
    throw std::logic_error("VideoSink: frame " + std::to_string(frame) + " is not expected");
  }
  if (world.width != s.settings.width || world.height != s.settings.height) {
    throw std::logic_error("VideoSink: frame " + std::to_string(frame) + " has another size");
  }
  if (place->second != s.next) {
    s.held_back.emplace(place->second, CopyOf(world));
    return;
  }
  s.EncodeRows(RowsOf(world));
  while (!s.held_back.empty() && s.held_back.begin()->first == s.next) {
    s.EncodeRows(RowsOf(s.held_back.begin()->second));
    s.held_back.erase(s.held_back.begin());
  }
}

void VideoSink::Finish() {
  State& s = *state_;
  if (s.next != s.settings.frames.size()) {
    throw std::logic_error("VideoSink: finished after " + std::to_string(s.next) + " of " +
                           std::to_string(s.settings.frames.size()) + " frames");
  }
  s.Encode(nullptr);
  if (s.audio) s.CopyAudio(INT64_MAX);
  int err = av_write_trailer(s.output.get());
  if (err < 0) throw s.Failure(AvError(err));
  err = avio_closep(&s.output->pb);
  if (err < 0) throw s.Failure(AvError(err));
  if (std::rename(s.temporary.c_str(), s.settings.path.c_str()) != 0) throw s.Failure(std::strerror(errno));
  s.temporary.clear();
  s.finished = true;
}

void VideoSink::Abandon() {
  if (!state_->finished) state_->RemoveTemporary();
}

}  // namespace app
