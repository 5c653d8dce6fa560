#include "app/media/VideoSink.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

extern "C" {
#include <libavutil/dict.h>
}

#include "app/AppErrors.h"
#include "app/media/AtomicFile.h"
#include "app/media/FfmpegSupport.h"
#include "app/media/ImageIo.h"
#include "app/media/Yuva10Conversion.h"
#include "host/embedded/WorldPixels.h"

namespace app {

using namespace ffmpeg;

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

// The rows as planes G, B, R, A of `Sample`s (AV_PIX_FMT_GBRAP16LE for
// uint16_t, AV_PIX_FMT_GBRAP for 8-bit pixels as uint8_t), plane p at
// planes[p] with strides[p] bytes a row. swscale converts 16-bit planes to
// every output format exactly as it converts the same samples packed as
// RGBA64 (checked sample for sample, 8-bit and full 16-bit content, each
// output format), several times faster: its packed RGBA64 reader looks up
// the pixel format for every sample.
template <typename Sample, typename P>
void RowsToPlanes(const char* data, ptrdiff_t rowbytes, int width, int height,
                  uint8_t* const planes[4], const int strides[4]) {
  const auto sample = [](auto v) -> Sample {
    if constexpr (sizeof(Sample) == 1) {
      return v;  // 8-bit channels into 8-bit planes
    } else {
      return WideSample(v);
    }
  };
  for (int y = 0; y < height; ++y) {
    const P* row = reinterpret_cast<const P*>(data + y * rowbytes);
    Sample* out[4];
    for (int p = 0; p < 4; ++p) {
      out[p] = reinterpret_cast<Sample*>(planes[p] + static_cast<ptrdiff_t>(y) * strides[p]);
    }
    for (int x = 0; x < width; ++x) {
      out[0][x] = sample(row[x].green);
      out[1][x] = sample(row[x].blue);
      out[2][x] = sample(row[x].red);
      out[3][x] = sample(row[x].alpha);
    }
  }
}

// Pixel rows of a world or of a frame held back for its turn.
struct Rows {
  const char* data;
  ptrdiff_t rowbytes;
  bool deep;
};

Rows RowsOf(const PF_EffectWorld& world) {
  return {static_cast<const char*>(world.data), world.rowbytes, embedded::IsDeepWorld(world)};
}

Rows RowsOf(const Layer& layer) {
  return layer.deep ? Rows{reinterpret_cast<const char*>(layer.pixels16.data()),
                           ptrdiff_t{layer.width} * 8, true}
                    : Rows{reinterpret_cast<const char*>(layer.pixels8.data()),
                           ptrdiff_t{layer.width} * 4, false};
}

Layer CopyOf(const PF_EffectWorld& world) {
  Layer layer = Layer::Make(world.width, world.height, embedded::IsDeepWorld(world));
  const Rows to = RowsOf(layer);
  for (int y = 0; y < world.height; ++y) {
    std::memcpy(const_cast<char*>(to.data) + y * to.rowbytes,
                static_cast<const char*>(world.data) + y * world.rowbytes,
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
  std::unique_ptr<TemporaryFile> temporary;  // the file being written
  std::vector<std::string> warnings;
  OutputPtr output;
  AVStream* video = nullptr;
  CodecPtr encoder;
  ScalerPtr from_wide, from_narrow;  // from 16-bit and 8-bit planes, made when first needed
  ScalerPtr from_packed;              // from the 8-bit rows themselves
  std::vector<FramePtr> frames;       // frames to fill, see WritableFrame
  PacketPtr packet{av_packet_alloc()};
  std::vector<uint8_t> wide;          // one frame as planes G, B, R, A
  std::map<long, size_t> positions;   // frame number -> place in the file
  std::map<size_t, Layer> held_back;  // frames that came before their turn
  size_t next = 0;                    // the place of the frame encoded next
  std::unique_ptr<AudioCopy> audio;
  bool finished = false;

  UsageError Failure(const std::string& cause) const {
    return UsageError("cannot write video file '" + settings.path +
                      "': " + WithLibraryMessage(cause));
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

  // A frame of the encoder's format and size that nothing else refers to.
  // An encoder with frame threads (ProRes) keeps each frame it is sent until
  // it has encoded it: a frame of our own per frame in flight, made once and
  // reused, then costs neither a copy of the frame nor fresh pages each time.
  AVFrame* WritableFrame() {
    for (const FramePtr& f : frames) {
      if (av_frame_is_writable(f.get())) return f.get();
    }
    FramePtr made(av_frame_alloc());
    if (!made) throw std::bad_alloc();
    // Some encoders (ProRes) store the colour description of each frame.
    made->colorspace = encoder->colorspace;
    made->color_range = encoder->color_range;
    made->color_primaries = encoder->color_primaries;
    made->color_trc = encoder->color_trc;
    made->format = kind->pixel_format;
    made->width = settings.width;
    made->height = settings.height;
    if (av_frame_get_buffer(made.get(), 0) < 0) throw std::bad_alloc();
    frames.push_back(std::move(made));
    return frames.back().get();
  }

  // A converter from planes of `from` to the encoder's format.
  ScalerPtr MakeScaler(AVPixelFormat from) const {
    ScalerPtr made = OutputScaler(settings.width, settings.height, from, kind->pixel_format);
    if (!made) throw Failure("cannot convert RGBA to " + std::string(kind->what));
    return made;
  }

  void EncodePacked(const Rows& rows, AVFrame* frame) {
    if (kind->pixel_format == AV_PIX_FMT_YUVA444P10LE) {
      ConvertToYuva10(rows, frame);
      return Submit(frame);
    }
    if (!from_packed) from_packed = MakeScaler(AV_PIX_FMT_ARGB);
    const uint8_t* const source[4] = {reinterpret_cast<const uint8_t*>(rows.data), nullptr, nullptr,
                                      nullptr};
    const int strides[4] = {static_cast<int>(rows.rowbytes), 0, 0, 0};
    sws_scale(from_packed.get(), source, strides, 0, settings.height, frame->data, frame->linesize);
    Submit(frame);
  }

  // ProRes from 8-bit rows: swscale's values, by a converter of our own
  // (Yuva10Conversion.h says why).
  void ConvertToYuva10(const Rows& rows, AVFrame* frame) const {
    static const YuvWeights weights = LimitedRangeWeights(sws_getCoefficients(SWS_CS_ITU709));
    const auto plane_row = [&](int plane, int y) {
      return reinterpret_cast<uint16_t*>(frame->data[plane] + ptrdiff_t{y} * frame->linesize[plane]);
    };
    for (int y = 0; y < settings.height; ++y) {
      ArgbToYuva10(reinterpret_cast<const uint8_t*>(rows.data + y * rows.rowbytes), settings.width,
                   weights, {plane_row(0, y), plane_row(1, y), plane_row(2, y), plane_row(3, y)});
    }
  }

  void Submit(AVFrame* frame) {
    frame->pts = static_cast<int64_t>(next);
    Encode(frame);
    ++next;
    if (audio) CopyAudio(frame->pts);
  }

  void EncodeRows(const Rows& rows) {
    const int width = settings.width, height = settings.height;
    AVFrame* frame = WritableFrame();
    // FFV1 takes 16-bit planes themselves; other formats convert from planes.
    const bool direct = kind->pixel_format == AV_PIX_FMT_GBRAP16LE;
    // An 8-bit frame goes to an 8-bit output from 8-bit planes. From 16-bit
    // planes swscale would dither the rounding of every Y, U and V sample
    // (it does when its input is deeper than its output): noise the 8-bit
    // frame does not hold, which costs libx264 about 40 % more time and
    // some bits to keep. Without it each sample is the nearest value, which
    // is all an 8-bit source calls for.
    const bool narrow = !rows.deep && BitsPerChannel(kind->pixel_format) == 8;
    // An 8-bit frame into a deeper output (ProRes' 10 bits) converts from its
    // own packed ARGB rows, as ffmpeg converts its rgba frames: no copy into
    // 16-bit planes first (bench_video's ProRes row, side by side under load:
    // 8.3 against 6.3 and 6.6 against 5.7 frames a second), and alpha
    // widened as a << 2 | a >> 6, so opaque stays opaque (from 8-bit planes
    // swscale widens alpha as a << 2, 255 to 1020).
    if (!rows.deep && !direct && !narrow) return EncodePacked(rows, frame);
    ScalerPtr& scaler = narrow ? from_narrow : from_wide;
    if (!direct && !scaler) scaler = MakeScaler(narrow ? AV_PIX_FMT_GBRAP : AV_PIX_FMT_GBRAP16LE);
    const int sample_bytes = narrow ? 1 : 2;
    const size_t plane_bytes = static_cast<size_t>(width) * sample_bytes * static_cast<size_t>(height);
    uint8_t* const planes[4] = {wide.data(), wide.data() + plane_bytes,
                                wide.data() + 2 * plane_bytes, wide.data() + 3 * plane_bytes};
    const int strides[4] = {width * sample_bytes, width * sample_bytes, width * sample_bytes,
                            width * sample_bytes};
    uint8_t* const* to = direct ? frame->data : planes;
    const int* to_strides = direct ? frame->linesize : strides;
    if (rows.deep) {
      RowsToPlanes<uint16_t, PF_Pixel16>(rows.data, rows.rowbytes, width, height, to, to_strides);
    } else if (narrow) {
      RowsToPlanes<uint8_t, PF_Pixel>(rows.data, rows.rowbytes, width, height, to, to_strides);
    } else {
      RowsToPlanes<uint16_t, PF_Pixel>(rows.data, rows.rowbytes, width, height, to, to_strides);
    }
    if (!direct) sws_scale(scaler.get(), planes, strides, 0, height, frame->data, frame->linesize);
    Submit(frame);
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
        if (err < 0)
          throw Failure("cannot read the audio of '" + settings.audio_from + "': " + AvError(err));
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
      } else if (until != INT64_MAX &&
                 av_compare_ts(at - a.first, in_base, until, encoder->time_base) > 0) {
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
    if (!codec)
      throw Failure(std::string("the FFmpeg libraries here have no ") + kind->encoder + " encoder");
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(kind->pixel_format);
    const int across = 1 << desc->log2_chroma_w, down = 1 << desc->log2_chroma_h;
    if (settings.width % across != 0 || settings.height % down != 0) {
      throw Failure(std::string(kind->what) + " needs a width divisible by " +
                    std::to_string(across) + " and a height divisible by " + std::to_string(down) +
                    "; the frames are " + std::to_string(settings.width) + "x" +
                    std::to_string(settings.height));
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
    if (err < 0)
      throw Failure(std::string("cannot open the ") + kind->encoder + " encoder: " + AvError(err));

    wide.resize(static_cast<size_t>(settings.width) * static_cast<size_t>(settings.height) * 8);

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
      warnings.push_back("the audio of '" + settings.audio_from + "' (" + codec_name +
                         ") cannot go into a " + kind->extension + " file; '" + settings.path +
                         "' is written without sound");
      return;
    }
    if (!consecutive) {
      warnings.push_back("the frames are not consecutive, so '" + settings.path +
                         "' is written without sound");
      return;
    }
    // The video's start in the audio's time base: the sound keeps its
    // offset from the pictures.
    const int video_stream =
        av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    int64_t video_start = 0;
    if (video_stream >= 0 && input->streams[video_stream]->start_time != AV_NOPTS_VALUE) {
      video_start = av_rescale_q(input->streams[video_stream]->start_time,
                                 input->streams[video_stream]->time_base, in->time_base);
    }
    const AVRational frame_time{static_cast<int>(settings.rate.den),
                                static_cast<int>(settings.rate.num)};
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
    if (audio && std::strcmp(kind->extension, ".mov") == 0 &&
        audio->out->codecpar->sample_rate > 0) {
      av_dict_set_int(&options, "movie_timescale", audio->out->codecpar->sample_rate, 0);
    }
    return options;
  }

  void OpenFile() {
    temporary = std::make_unique<TemporaryFile>(settings.path);
    if (!temporary->Created()) throw Failure(std::strerror(errno));
    const int err = avio_open(&output->pb, temporary->Name().c_str(), AVIO_FLAG_WRITE);
    if (err < 0) throw Failure(AvError(err));
  }

  void RemoveTemporary() {
    if (output && output->pb) avio_closep(&output->pb);
    temporary.reset();
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
      throw std::logic_error("VideoSink: frame " + std::to_string(settings.frames[i]) +
                             " is listed twice");
    }
  }
  AVFormatContext* raw = nullptr;
  const int err = avformat_alloc_output_context2(&raw, nullptr, nullptr, settings.path.c_str());
  if (err < 0) throw s.Failure(AvError(err));
  s.output.reset(raw);
  // No random identifiers (Matroska's segment and track UIDs) or library
  // versions in the file: the same frames make the same bytes on every run.
  s.output->flags |= AVFMT_FLAG_BITEXACT;
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
  if (!s.temporary->SyncAndClose() || !s.temporary->RenameTo(s.settings.path)) {
    throw s.Failure(std::strerror(errno));
  }
  s.finished = true;
}

void VideoSink::Abandon() {
  if (!state_->finished) state_->RemoveTemporary();
}

std::vector<std::string> VideoSink::TakeWarnings() {
  std::vector<std::string> taken;
  taken.swap(state_->warnings);
  return taken;
}

}  // namespace app
