#include "app/session/FrameRenderer.h"

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>
#include <string>

#include "app/AppErrors.h"
#include "app/session/BuiltInLayer.h"

namespace app {
namespace {

// A world of the host; a world too large to allocate is reported the way a
// host reports an effect that ran out of memory.
PF_EffectWorld* CreateWorld(embedded::EmbeddedHost& host, const LayerShape& shape, bool writeable) {
  try {
    return host.CreateWorld(shape.width, shape.height, shape.deep, writeable);
  } catch (const std::invalid_argument& refused) {
    throw UsageError(refused.what());
  } catch (const std::bad_alloc&) {
    throw EffectError(PF_Err_OUT_OF_MEMORY,
                      "error " + std::to_string(PF_Err_OUT_OF_MEMORY) + ": Out of Memory (a " +
                          std::to_string(shape.width) + "x" + std::to_string(shape.height) + " " +
                          (shape.deep ? "16" : "8") + "-bit layer could not be allocated)");
  }
}

std::string SizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

FrameTime TimeOfFrame(const Timeline& timeline, long frame) {
  return {static_cast<A_long>(frame * timeline.fps.den), static_cast<A_long>(timeline.fps.den),
          static_cast<A_u_long>(timeline.fps.num),
          static_cast<A_long>(timeline.frame_count * timeline.fps.den)};
}

bool TimelineFits(const Timeline& timeline, long last) {
  const long long end = std::max<long long>(last + 1, timeline.frame_count);
  return end * timeline.fps.den <= INT_MAX;
}

FrameRenderer::FrameRenderer(EffectSession& session, const LayerShape& shape,
                             std::vector<ParamAssignment> values, const Timeline& timeline)
    : session_(session),
      shape_(shape),
      values_(std::move(values)),
      timeline_(timeline),
      input_(CreateWorld(session.Host(), shape, false)),
      output_(CreateWorld(session.Host(), shape, true)),
      params_(session.Host().BuildParams(input_)) {
  CheckKeyframes(params_, values_);
}

void FrameRenderer::SetValues(std::vector<ParamAssignment> values) {
  params_ = session_.Host().BuildParams(input_);
  CheckKeyframes(params_, values);
  values_ = std::move(values);
}

void FrameRenderer::LoadLayer(const Layer* layer) {
  if (layer == nullptr) {
    // The built-in layer is the same for every frame, and the effect never
    // writes its input.
    if (!built_in_loaded_) PaintBuiltInLayer(*input_);
    built_in_loaded_ = true;
    return;
  }
  built_in_loaded_ = false;
  if (layer->width != shape_.width || layer->height != shape_.height) {
    throw UsageError("the input layer is " + SizeText(layer->width, layer->height) +
                     " but the render is " + SizeText(shape_.width, shape_.height) +
                     " (every frame of a sequence must have one size)");
  }
  if (layer->deep == shape_.deep) {
    CopyLayerToWorld(*layer, *input_);
  } else {
    CopyLayerToWorld(ConvertLayerDepth(*layer, shape_.deep), *input_);
  }
}

const PF_EffectWorld& FrameRenderer::Render(long frame, const Layer* layer) {
  LoadLayer(layer);
  ApplyAssignments(params_, values_, frame);
  embedded::EmbeddedHost& host = session_.Host();
  const FrameTime time = TimeOfFrame(timeline_, frame);
  host.SetTime(time.current_time, time.time_step, time.time_scale, time.total_time);
  const auto answer = [this] { return cancel_.Requested() ? PF_Interrupt_CANCEL : PF_Err_NONE; };
  host.SetProgressHandler([this, answer](A_long current, A_long total) {
    if (listener_ && total > 0)
      listener_(static_cast<double>(current) / static_cast<double>(total));
    return answer();
  });
  host.SetAbortHandler(answer);
  const PF_Err err = session_.Call(PF_Cmd_RENDER, params_.Get(), output_);
  host.SetProgressHandler(nullptr);
  host.SetAbortHandler(nullptr);
  if (err == PF_Interrupt_CANCEL || cancel_.Requested()) throw Cancelled();
  if (err != PF_Err_NONE) session_.FailWith(err, "render");
  return *output_;
}

}  // namespace app
