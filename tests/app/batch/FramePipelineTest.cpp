// The overlapped frame loop against the serial one: the same files for any
// depth, and a failure in any stage ends the run with the frame named, after
// only the frames before it were written.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/AppErrors.h"
#include "app/batch/FrameLoop.h"
#include "app/batch/FramePipeline.h"
#include "app/media/ImageSequence.h"
#include "app/media/VideoSink.h"
#include "app/media/VideoSource.h"
#include "app/params/ParamSettings.h"
#include "app/session/EffectSession.h"
#include "cli/OptionParsing.h"
#include "support/TestFiles.h"

namespace {

constexpr long kFrames = 12;

struct Session {
  app::EffectSession session{LUSTRE_MODULE_PATH, app::HostSettings{}};
  app::FrameRenderer Renderer(int width, int height) {
    std::vector<app::ParamAssignment> values;
    for (const char* set : {"Point 1/Activate=on", "Point 2/Activate=on", "Point 3/Activate=on"}) {
      values.push_back(cli::ParseSetOption(set, session.Names()));
    }
    return app::FrameRenderer(session, {width, height, false}, values, {{24, 1}, kFrames});
  }
};

// The clip's frames rendered into `output` (a video file or a PNG pattern)
// at the given depth; the bytes of every file written, in frame order.
std::vector<std::string> RenderClip(Session& s, const std::string& clip, const std::string& output,
                                    int depth) {
  app::VideoSource source(clip, 0);
  app::FrameRenderer renderer = s.Renderer(source.Width(), source.Height());
  std::vector<long> frames;
  for (long f = 0; f < kFrames; ++f) frames.push_back(f);
  std::unique_ptr<app::FrameSink> sink;
  if (app::IsVideoOutputPath(output)) {
    sink = std::make_unique<app::VideoSink>(
        app::VideoSinkSettings{output, source.Width(), source.Height(), {24, 1}, frames, ""});
  } else {
    sink = std::make_unique<app::ImageSequenceSink>(app::FramePattern(output),
                                                    app::ImageWriteOptions{});
  }
  app::FrameLoopOptions options;
  options.frames = {0, kFrames - 1};
  options.pipeline_depth = depth;
  std::vector<std::string> files;
  app::FrameLoopEvents events;
  events.written = [&](long frame) {
    if (!app::IsVideoOutputPath(output))
      files.push_back(testfiles::ReadFile(app::FramePattern(output).FileFor(frame)));
  };
  app::RunFrameLoop(&source, *sink, renderer, options, events);
  if (app::IsVideoOutputPath(output)) files.push_back(testfiles::ReadFile(output));
  return files;
}

// Every encoder keeps its own thread count whatever the depth, so even
// libx264, whose bytes depend on its threads, writes the same file.
TEST(FramePipeline, WritesTheSerialLoopsFilesAtAnyDepth) {
  testfiles::TempFolder folder;
  const std::string clip = folder.File("clip.mkv");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=96x64:rate=24 -frames:v " +
                         std::to_string(kFrames) + " -c:v ffv1 '" + clip + "'")
                            .c_str()),
            0);
  Session s;
  for (const char* output : {"out.mp4", "out.mov", "out.mkv", "f.%02d.png"}) {
    SCOPED_TRACE(output);
    const std::vector<std::string> serial = RenderClip(s, clip, folder.File(output), 0);
    ASSERT_EQ(serial.size(),
              std::string(output).find('%') != std::string::npos ? size_t{kFrames} : 1u);
    for (int depth : {1, 3})
      EXPECT_TRUE(RenderClip(s, clip, folder.File(output), depth) == serial) << "depth " << depth;
  }
}

// Frames whose layers are the frame number in gray; one frame of them may
// fail, or come at another size (which the render refuses).
class NumberSource : public app::FrameSource {
 public:
  NumberSource(long failing, bool wrong_size) : failing_(failing), wrong_size_(wrong_size) {}
  std::optional<long> FrameCount() const override { return kFrames; }
  app::Layer ReadFrame(long frame) override {
    if (frame == failing_ && !wrong_size_) throw app::UsageError("unreadable");
    app::Layer layer = app::Layer::Make(frame == failing_ ? 9 : 8, 8, false);
    for (PF_Pixel& p : layer.pixels8) p = {255, static_cast<A_u_char>(frame), 0, 0};
    return layer;
  }

 private:
  long failing_;
  bool wrong_size_;
};

// Keeps the frames it is given; one may fail.
class KeepingSink : public app::FrameSink {
 public:
  explicit KeepingSink(long failing) : failing_(failing) {}
  void WriteFrame(long frame, const PF_EffectWorld&) override {
    if (frame == failing_) throw app::UsageError("disk full");
    written.push_back(frame);
  }
  std::vector<long> written;

 private:
  long failing_;
};

TEST(FramePipeline, AFailureInAnyStageNamesItsFrameAndStopsTheRun) {
  // clang-format off
  const struct { const char* stage; long source_fails, sink_fails; bool wrong_size;
                 const char* message; } cases[] = {
      {"read", 5, -1, false, "frame 5: unreadable"},
      {"render", 5, -1, true, "frame 5: "},
      {"write", -1, 5, false, "frame 5: disk full"}};
  // clang-format on
  Session s;
  app::FrameRenderer renderer = s.Renderer(8, 8);
  std::vector<long> frames;
  for (long f = 0; f < kFrames; ++f) frames.push_back(f);
  for (const auto& c : cases) {
    for (int depth : {1, 4}) {
      SCOPED_TRACE(std::string(c.stage) + " depth " + std::to_string(depth));
      NumberSource source(c.source_fails, c.wrong_size);
      KeepingSink sink(c.sink_fails);
      std::vector<long> reported;
      try {
        app::RunFramePipeline(&source, sink, renderer, frames, depth, app::CancelToken{},
                              [&](long f) { reported.push_back(f); });
        ADD_FAILURE() << "no failure";
      } catch (const app::UsageError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
      }
      EXPECT_EQ(sink.written, (std::vector<long>{0, 1, 2, 3, 4}));
      EXPECT_EQ(reported, sink.written);
    }
  }
}

}  // namespace
