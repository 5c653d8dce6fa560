#include "app/media/VideoSource.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "app/AppErrors.h"
#include "app/media/FfmpegSupport.h"
#include "app/media/ImageIo.h"

namespace app {

using namespace ffmpeg;

namespace {

// An enum field of an FFmpeg struct as the int it holds.
template <typename Enum>
int RawEnum(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(int));
  int value;
  std::memcpy(&value, &field, sizeof value);
  return value;
}

}  // namespace

struct VideoSource::State {
  std::string path;
  InputPtr input;
  int stream = -1;
  CodecPtr decoder;
  PacketPtr packet{av_packet_alloc()};
  FramePtr frame{av_frame_alloc()};
  ScalerPtr scaler;
  std::vector<uint8_t> wide;  // one converted frame, unless it goes straight into an 8-bit layer
  std::mutex spare_mutex;
  std::vector<Layer> spare;  // layers handed back, for later frames
  long count = 0;
  Rational rate;
  int width = 0, height = 0;
  bool deep = false;
  long next = 0;        // the number of the frame the decoder delivers next
  bool at_end = false;  // every packet read; the decoder was told to flush

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
    if (par->codec_id == AV_CODEC_ID_NONE)
      throw Failure("truncated or damaged: its video codec is not known");
    if (!codec)
      throw Failure(std::string("the FFmpeg libraries here have no ") +
                    avcodec_get_name(par->codec_id) + " decoder");
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
      if (err < 0)
        throw Failure("truncated or damaged after frame " + std::to_string(packets) + ": " +
                      AvError(err));
      if (packet->stream_index == stream) ++packets;
      const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
      if (at != AV_NOPTS_VALUE) {
        const int64_t end = av_rescale_q(
            at + packet->duration, input->streams[packet->stream_index]->time_base, kTimeBase);
        last_end = last_end == AV_NOPTS_VALUE ? end : std::max(last_end, end);
      }
      av_packet_unref(packet.get());
    }
    const int64_t promised = input->streams[stream]->nb_frames;
    if (promised > packets) {
      throw Failure("truncated: it holds " + std::to_string(packets) + " of its " +
                    std::to_string(promised) + " frames");
    }
    if (input->duration > 0 && input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
        last_end != AV_NOPTS_VALUE) {
      // Matroska and QuickTime files count their duration from time zero,
      // also when their timestamps start late (a clip cut with its
      // timestamps kept): a late start is not subtracted, or such a file
      // would be refused whole. Where libavformat counts from the first
      // timestamp (MPEG-TS), it estimates the duration from the timestamps
      // it reads, so a cut shortens the duration itself.
      const int64_t start = input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
      const int64_t reach = last_end - std::min<int64_t>(start, 0);
      const int64_t slack =
          av_rescale_q(1, AVRational{static_cast<int>(rate.den), static_cast<int>(rate.num)},
                       kTimeBase) +
          AV_TIME_BASE / 10;
      if (reach + slack < input->duration) {
        char seconds[64];
        std::snprintf(seconds, sizeof seconds, "%.3f s of its %.3f s", double(reach) / AV_TIME_BASE,
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
        throw Failure("truncated or damaged at frame " + std::to_string(next) + ": " +
                      AvError(err));
      } else if (packet->stream_index == stream) {
        to_send = packet.get();
        break;
      } else {
        av_packet_unref(packet.get());
      }
    }
    const int err = avcodec_send_packet(decoder.get(), to_send);
    if (to_send) av_packet_unref(to_send);
    if (err < 0 && err != AVERROR_EOF)
      throw Failure("cannot decode frame " + std::to_string(next) + ": " + AvError(err));
  }

  // The next decoded frame, or nullptr once the decoder is drained. One
  // receive/send loop serves the frames of the file and the final flush.
  AVFrame* NextFrame() {
    for (;;) {
      const int err = avcodec_receive_frame(decoder.get(), frame.get());
      if (err == 0) return frame.get();
      if (err == AVERROR_EOF) return nullptr;
      if (err != AVERROR(EAGAIN))
        throw Failure("cannot decode frame " + std::to_string(next) + ": " + AvError(err));
      FeedDecoder();
    }
  }

  Layer Convert(const AVFrame& decoded) {
    if (decoded.width != width || decoded.height != height) {
      throw Failure("frame " + std::to_string(next) + " is " + std::to_string(decoded.width) + "x" +
                    std::to_string(decoded.height) + ", not " + std::to_string(width) + "x" +
                    std::to_string(height));
    }
    // Decoded at the source's own depth; --depth converts afterwards, by the
    // effect's rules as for a PNG input.
    const auto source = static_cast<AVPixelFormat>(decoded.format);
    const bool deep_source = BitsPerChannel(source) > 8;
    // YUV frames go to planar G, B, R, A: swscale gives exactly the values
    // it gives packed ARGB or RGBA64 (checked sample for sample on 8- and
    // 10-bit 4:2:0 and 4:4:4 frames) in a fraction of the time.
    const bool planar = IsYuv(source);
    // A source without alpha goes to G, B, R planes alone and its pixels are
    // opaque: swscale gives the same colours without filling a fourth plane
    // that would only say so (bench_video Stage_Decode, 1080p H.264: the
    // converting thread 753-801 against 677-696 ms of CPU for 240 frames).
    const bool opaque = planar && !HasAlpha(source);
    const AVPixelFormat target =
        planar ? (deep_source ? (opaque ? AV_PIX_FMT_GBRP16LE : AV_PIX_FMT_GBRAP16LE)
                              : (opaque ? AV_PIX_FMT_GBRP : AV_PIX_FMT_GBRAP))
               : (deep_source ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_ARGB);
    scaler.reset(sws_getCachedContext(scaler.release(), width, height, source, width, height,
                                      target, kScalerFlags, nullptr, nullptr, nullptr));
    if (!scaler)
      throw Failure(std::string("cannot convert ") + av_get_pix_fmt_name(source) +
                    " frames to RGBA");
    if (planar) {
      // The frame's own matrix and range, to full-range RGB; swscale takes
      // its default matrix for a number it has none for (unspecified and
      // unknown ones). The fields are read as the ints they hold: a damaged
      // file can put any number there, and loading one that names no
      // enumerator as the enum type is undefined.
      sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(RawEnum(decoded.colorspace)),
                               RawEnum(decoded.color_range) == AVCOL_RANGE_JPEG,
                               sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
    Layer layer = SpareLayer(deep_source);
    // PF_Pixel is alpha, red, green, blue bytes: ARGB in the libraries' terms.
    static_assert(sizeof(PF_Pixel) == 4 && sizeof(PF_Pixel16) == 8);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t sample_bytes = deep_source ? 2 : 1;
    if (planar || deep_source) wide.resize(count * 4 * sample_bytes);
    uint8_t* rows[4] = {planar || deep_source ? wide.data()
                                              : reinterpret_cast<uint8_t*>(layer.pixels8.data())};
    int strides[4] = {width * static_cast<int>(planar ? sample_bytes : 4 * sample_bytes)};
    for (int p = 1; planar && p < 4; ++p) {
      rows[p] = rows[0] + count * sample_bytes * static_cast<size_t>(p);
      strides[p] = strides[0];
    }
    sws_scale(scaler.get(), decoded.data, decoded.linesize, 0, height, rows, strides);
    if (planar && deep_source) {
      const auto* g = reinterpret_cast<const uint16_t*>(rows[0]);
      const auto* b = reinterpret_cast<const uint16_t*>(rows[1]);
      const auto* r = reinterpret_cast<const uint16_t*>(rows[2]);
      const auto* a = reinterpret_cast<const uint16_t*>(rows[3]);
      const A_u_short solid = Sample16ToChannel(0xFFFF);
      for (size_t i = 0; i < count; ++i) {
        layer.pixels16[i] = {opaque ? solid : Sample16ToChannel(a[i]), Sample16ToChannel(r[i]),
                             Sample16ToChannel(g[i]), Sample16ToChannel(b[i])};
      }
    } else if (opaque) {
      for (size_t i = 0; i < count; ++i)
        layer.pixels8[i] = {255, rows[2][i], rows[0][i], rows[1][i]};
    } else if (planar) {
      for (size_t i = 0; i < count; ++i) {
        layer.pixels8[i] = {rows[3][i], rows[2][i], rows[0][i], rows[1][i]};
      }
    } else if (deep_source) {
      const auto* rgba = reinterpret_cast<const uint16_t*>(wide.data());
      for (size_t i = 0; i < count; ++i, rgba += 4) {
        layer.pixels16[i] = {Sample16ToChannel(rgba[3]), Sample16ToChannel(rgba[0]),
                             Sample16ToChannel(rgba[1]), Sample16ToChannel(rgba[2])};
      }
    }
    if (layer.deep == deep) return layer;
    Layer converted = ConvertLayerDepth(layer, deep);
    GiveBack(std::move(layer));
    return converted;
  }

  // A layer of the frame size at this depth, from the ones handed back when
  // one fits. Every pixel is overwritten by the conversion.
  Layer SpareLayer(bool deep_layer) {
    {
      const std::lock_guard<std::mutex> lock(spare_mutex);
      for (Layer& layer : spare) {
        if (layer.deep == deep_layer && layer.width == width && layer.height == height) {
          Layer taken = std::move(layer);
          std::swap(layer, spare.back());
          spare.pop_back();
          return taken;
        }
      }
    }
    return Layer::Make(width, height, deep_layer);
  }

  void GiveBack(Layer layer) {
    constexpr size_t kMostSpare = 2;
    const std::lock_guard<std::mutex> lock(spare_mutex);
    if (spare.size() < kMostSpare) spare.push_back(std::move(layer));
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
                    " pixels; layers wider or taller than " + std::to_string(kMaxLayerSide) +
                    " pixels are refused");
  }
  AVRational rate = video->avg_frame_rate.num > 0 ? video->avg_frame_rate : video->r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) throw s.Failure("its video stream has no frame rate");
  s.rate = {rate.num, rate.den};
  s.deep = depth == 0 ? BitsPerChannel(static_cast<AVPixelFormat>(video->codecpar->format)) > 8
                      : depth == 16;
  s.count = s.CountFrames();
  s.Open();  // back to the first frame
}

VideoSource::~VideoSource() = default;

std::optional<long> VideoSource::FrameCount() const { return state_->count; }
std::optional<Rational> VideoSource::Rate() const { return state_->rate; }
int VideoSource::Width() const { return state_->width; }
int VideoSource::Height() const { return state_->height; }
bool VideoSource::Deep() const { return state_->deep; }

void VideoSource::GiveBack(Layer layer) { state_->GiveBack(std::move(layer)); }

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

}  // namespace app
