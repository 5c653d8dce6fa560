#include "app/batch/FramePipeline.h"

#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "app/AppErrors.h"
#include "app/batch/BoundedQueue.h"
#include "host/embedded/WorldPixels.h"

namespace app {
namespace {

struct NumberedLayer {
  long frame;
  Layer pixels;
};

// A world over a layer's pixels, for the sink.
PF_EffectWorld WorldOver(Layer& layer) {
  PF_EffectWorld world{};
  world.world_flags = layer.deep ? PF_WorldFlag_DEEP : 0;
  world.data = layer.deep ? static_cast<void*>(layer.pixels16.data())
                          : static_cast<void*>(layer.pixels8.data());
  world.width = layer.width;
  world.height = layer.height;
  world.rowbytes =
      layer.width * static_cast<A_long>(layer.deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel));
  return world;
}

// Copies the world into `layer`, whose pixels are reused when it already
// has the world's size and depth (the renderer's result is overwritten by
// the next frame, so the writer gets a copy).
void CopyWorld(const PF_EffectWorld& world, Layer& layer) {
  const bool deep = embedded::IsDeepWorld(world);
  if (layer.width != world.width || layer.height != world.height || layer.deep != deep) {
    layer = Layer::Make(world.width, world.height, deep);
  }
  PF_EffectWorld to = WorldOver(layer);
  const size_t row = static_cast<size_t>(to.rowbytes);
  for (A_long y = 0; y < world.height; ++y) {
    std::memcpy(static_cast<char*>(to.data) + row * static_cast<size_t>(y),
                static_cast<const char*>(world.data) + static_cast<ptrdiff_t>(y) * world.rowbytes,
                row);
  }
}

// What the writer hands back: frames written (for on_written) and copies it
// is done with (for the next frames; as many as can be in flight).
class WriterReturns {
 public:
  explicit WriterReturns(size_t most_spare) : most_spare_(most_spare) {}
  void Add(long frame, Layer spare) {
    const std::lock_guard<std::mutex> lock(mutex_);
    written_.push_back(frame);
    if (spare_.size() < most_spare_) spare_.push_back(std::move(spare));
  }
  std::vector<long> TakeWritten() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(written_, {});
  }
  Layer TakeSpare() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return {};
    Layer layer = std::move(spare_.back());
    spare_.pop_back();
    return layer;
  }

 private:
  const size_t most_spare_;
  std::mutex mutex_;
  std::vector<long> written_;
  std::vector<Layer> spare_;
};

// Runs `work`, keeping what it throws.
template <typename Work>
std::exception_ptr Captured(Work&& work) {
  try {
    work();
  } catch (...) { return std::current_exception(); }
  return nullptr;
}

}  // namespace

void NamingFrame(long frame, const std::function<void()>& work) {
  const std::string prefix = "frame " + std::to_string(frame) + ": ";
  try {
    work();
  } catch (const UsageError& e) {
    throw UsageError(prefix + e.what());
  } catch (const EffectError& e) { throw EffectError(e.code(), prefix + e.what()); }
}

void RunFramePipeline(FrameSource* source, FrameSink& sink, FrameRenderer& renderer,
                      const std::vector<long>& frames, int depth, const CancelToken& cancel,
                      const std::function<void(long frame)>& on_written) {
  const size_t capacity = static_cast<size_t>(depth < 1 ? 1 : depth);
  BoundedQueue<NumberedLayer> layers(capacity);
  BoundedQueue<NumberedLayer> finished(capacity);
  WriterReturns returns(capacity + 1);

  // Each thread's failure is read here only after the thread has ended.
  std::exception_ptr read_failure, write_failure;
  std::thread reader;
  if (source != nullptr) {
    reader = std::thread([&] {
      read_failure = Captured([&] {
        for (long frame : frames) {
          if (cancel.Requested()) throw Cancelled();
          NumberedLayer item{frame, {}};
          NamingFrame(frame, [&] { item.pixels = source->ReadFrame(frame); });
          if (!layers.Push(std::move(item))) return;
        }
      });
      layers.Close();
    });
  }
  std::thread writer([&] {
    write_failure = Captured([&] {
      while (std::optional<NumberedLayer> item = finished.Pop()) {
        if (cancel.Requested()) throw Cancelled();
        NamingFrame(item->frame, [&] { sink.WriteFrame(item->frame, WorldOver(item->pixels)); });
        returns.Add(item->frame, std::move(item->pixels));
      }
    });
    finished.Close();
  });

  const auto report_written = [&] {
    for (long frame : returns.TakeWritten()) on_written(frame);
  };
  const std::exception_ptr render_failure = Captured([&] {
    for (long frame : frames) {
      std::optional<NumberedLayer> layer;
      if (source != nullptr && !(layer = layers.Pop())) return;  // the reader failed
      NumberedLayer out{frame, returns.TakeSpare()};
      NamingFrame(frame, [&] {
        CopyWorld(renderer.Render(frame, layer ? &layer->pixels : nullptr), out.pixels);
      });
      if (layer) source->GiveBack(std::move(layer->pixels));
      if (!finished.Push(std::move(out))) return;  // the writer failed
      report_written();
    }
  });
  // Done or failed: the writer finishes what is queued, the reader stops.
  finished.Close();
  layers.Close();
  if (reader.joinable()) reader.join();
  writer.join();
  report_written();
  for (const std::exception_ptr& failure : {render_failure, read_failure, write_failure}) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace app
