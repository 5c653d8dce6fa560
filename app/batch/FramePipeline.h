// One job's frames with reading, rendering and writing overlapped: a reader
// thread takes each frame's layer from the source ahead of the render, this
// thread renders, and a writer thread hands the finished frames to the sink
// behind it. Decoding, the effect and encoding of a video then run at the
// same time on different frames, each stage with its own threads.
//
// Frames reach the sink in the order given, each exactly as the serial loop
// renders it: the render sees the same layers in the same order, and the
// writer is the sink's only caller, so a file is the same for any depth.
// That holds byte for byte even for H.264: libx264's output depends on its
// own thread count, which the video sink sets alike whatever the depth.
#pragma once

#include <functional>
#include <vector>

#include "app/media/FrameIo.h"
#include "app/session/CancelToken.h"
#include "app/session/FrameRenderer.h"

namespace app {

// Runs `work`; a UsageError or EffectError it throws is rethrown with
// "frame N: " before its message.
void NamingFrame(long frame, const std::function<void()>& work);

// Renders `frames` in that order with at most `depth` (at least 1) layers
// read ahead and `depth` finished frames waiting for the writer. The source
// (null: the built-in layer) is used by the reader thread only, the sink by
// the writer thread only while this runs. `on_written` runs on this thread
// for each frame the sink has written, in order. The first failure of the
// three stops the others, as `cancel` does between frames; once both threads
// have ended it is rethrown here (with the frame named, as NamingFrame does).
// Neither Finish nor Abandon is called on the sink: that is left to the
// caller.
void RunFramePipeline(FrameSource* source, FrameSink& sink, FrameRenderer& renderer,
                      const std::vector<long>& frames, int depth, const CancelToken& cancel,
                      const std::function<void(long frame)>& on_written);

}  // namespace app
