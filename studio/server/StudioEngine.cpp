#include "studio/server/StudioEngine.h"

#include <cmath>

#include "app/AppErrors.h"
#include "app/media/ImageIo.h"
#include "app/params/ParamsJson.h"
#include "studio/server/ParamJson.h"
#include "studio/server/PreviewPixels.h"

namespace studio {
namespace {

// The UI update log of the side session grows with every state request;
// past this many entries the side session starts afresh.
constexpr size_t kMaxLoggedUiCalls = 4096;

app::FrameRange FramesOf(const EngineSettings& settings, std::optional<long> count) {
  app::FrameRange frames{0, kDefaultLastFrame};
  if (settings.frames) {
    frames = *settings.frames;
  } else if (count) {
    frames.last = *count - 1;
  }
  if (count && (*count < 1 || frames.last >= *count)) {
    throw app::UsageError("--frames " + std::to_string(frames.first) + "-" +
                          std::to_string(frames.last) + ": '" + settings.layer.input +
                          "' has frames 0 to " + std::to_string(*count - 1));
  }
  return frames;
}

void CheckSize(int width, int height) {
  if (width > app::kMaxLayerSide || height > app::kMaxLayerSide) {
    throw app::UsageError("a " + std::to_string(width) + "x" + std::to_string(height) +
                          " layer is refused: worlds wider or taller than " +
                          std::to_string(app::kMaxLayerSide) + " pixels are not accepted");
  }
}

// The gradient view draws its bar between 10 % and 90 % of a world whose
// height is over 0.4 of its width, so its inside spans
// trunc(0.9 W) - trunc(0.1 W) - 1 columns; that count grows by at most one
// from one width to the next, so the first width giving `columns` exists.
int GradientWorldWidth(int columns) {
  for (int width = columns;; ++width) {
    const int inside =
        static_cast<int>(std::trunc(0.9 * width)) - static_cast<int>(std::trunc(0.1 * width)) - 1;
    if (inside == columns) return width;
  }
}

// The bar's inside on the middle row, checked against its white outline.
app::Layer CutGradientRow(const app::Layer& view, int columns) {
  const int left = static_cast<int>(std::trunc(0.1 * view.width));
  const int y = view.height / 2;
  const app::Layer row8 = app::ConvertLayerDepth(view, false);
  auto white = [&](int x) {
    const PF_Pixel& p = row8.At8(x, y);
    return p.alpha == 255 && p.red == 255 && p.green == 255 && p.blue == 255;
  };
  if (!white(left) || !white(left + columns + 1)) {
    throw std::runtime_error("the effect's gradient view has no bar where it is expected");
  }
  app::Layer row = app::Layer::Make(columns, 1, view.deep);
  for (int x = 0; x < columns; ++x) {
    if (view.deep) {
      row.At16(x, 0) = view.At16(left + 1 + x, y);
    } else {
      row.At8(x, 0) = view.At8(left + 1 + x, y);
    }
  }
  return row;
}

}  // namespace

// A second instance of the effect for everything but previews: the controls'
// UI update and the gradient row, so that neither disturbs the preview
// renderers' worlds.
struct StudioEngine::SideSession {
  std::unique_ptr<app::EffectSession> session;
  PF_EffectWorld* state_input = nullptr;
  int gradient_width = 0;
  std::unique_ptr<app::FrameRenderer> gradient;
};

namespace {

LayerSupplySettings LayerSettingsOf(const EngineSettings& settings) {
  LayerSupplySettings layer = settings.layer;
  if (settings.frames) layer.first_frame = settings.frames->first;
  return layer;
}

}  // namespace

StudioEngine::StudioEngine(const EngineSettings& settings)
    : settings_(settings), layers_(LayerSettingsOf(settings)) {
  shape_ = {layers_.Width(), layers_.Height(), layers_.Deep()};
  CheckSize(shape_.width, shape_.height);
  frames_ = FramesOf(settings, layers_.FrameCount());
  timeline_.fps = settings.fps.value_or(layers_.Rate().value_or(app::Rational{24, 1}));
  timeline_.frame_count = layers_.FrameCount().value_or(frames_.last + 1);
  if (!app::TimelineFits(timeline_, frames_.last)) {
    throw app::UsageError("frames up to " + std::to_string(frames_.last) + " at " +
                          std::to_string(timeline_.fps.num) + "/" +
                          std::to_string(timeline_.fps.den) +
                          " frames a second run past the host's 32-bit time");
  }
  session_ = std::make_unique<app::EffectSession>(settings.module_path, settings.host);
}

StudioEngine::~StudioEngine() = default;

std::vector<app::ParamAssignment> StudioEngine::ParseDocument(const nlohmann::json& doc,
                                                            const std::string& source) const {
  return app::ParseParamsJson(doc.dump(), source, session_->Names());
}

void StudioEngine::CheckDocument(const nlohmann::json& doc, const std::string& source) {
  const std::vector<app::ParamAssignment> values = ParseDocument(doc, source);
  std::lock_guard<std::mutex> lock(mutex_);
  SideSession& side = Side(0);
  embedded::ParamArray params = side.session->Host().BuildParams(side.state_input);
  app::CheckKeyframes(params, values);
  app::ApplyAssignments(params, values, frames_.first);
}

void StudioEngine::CheckFrame(long frame) const {
  if (frame < frames_.first || frame > frames_.last) {
    throw app::UsageError("frame " + std::to_string(frame) + " is outside the session's frames " +
                          std::to_string(frames_.first) + " to " + std::to_string(frames_.last));
  }
}

app::FrameRenderer& StudioEngine::RendererFor(int scale) {
  std::unique_ptr<app::FrameRenderer>& renderer = renderers_[scale];
  if (!renderer) {
    const app::LayerShape shape{(shape_.width + scale - 1) / scale,
                                (shape_.height + scale - 1) / scale, shape_.deep};
    renderer = std::make_unique<app::FrameRenderer>(*session_, shape,
                                                    std::vector<app::ParamAssignment>{}, timeline_);
  }
  return *renderer;
}

StudioEngine::SideSession& StudioEngine::Side(int gradient_width) {
  const bool stale =
      side_ && (side_->session->Host().UpdateParamUICalls().size() > kMaxLoggedUiCalls ||
                (gradient_width != 0 && side_->gradient_width != gradient_width));
  if (!side_ || stale) {
    side_.reset();
    auto side = std::make_unique<SideSession>();
    side->session = std::make_unique<app::EffectSession>(settings_.module_path, settings_.host);
    side->state_input =
        side->session->Host().CreateWorld(shape_.width, shape_.height, shape_.deep, false);
    side_ = std::move(side);
  }
  if (gradient_width != 0 && !side_->gradient) {
    const int width = GradientWorldWidth(gradient_width);
    side_->gradient = std::make_unique<app::FrameRenderer>(
        *side_->session, app::LayerShape{width, width / 2 + 1, shape_.deep},
        std::vector<app::ParamAssignment>{}, timeline_);
    side_->gradient_width = gradient_width;
  }
  return *side_;
}

app::Layer StudioEngine::Render(const nlohmann::json& doc, long frame, int scale, View view) {
  CheckFrame(frame);
  if (scale != 1 && scale != 2 && scale != kMaxScale) {
    throw app::UsageError("scale " + std::to_string(scale) + " is not one of 1, 2 and 4");
  }
  std::vector<app::ParamAssignment> values;
  if (view == View::kAfter) values = ParseDocument(doc);
  std::lock_guard<std::mutex> lock(mutex_);
  const app::Layer& layer = layers_.LayerAt(frame, scale);
  if (view == View::kBefore) return layer;
  app::FrameRenderer& renderer = RendererFor(scale);
  session_->Host().SetDownsample({1, static_cast<A_u_long>(scale)},
                                 {1, static_cast<A_u_long>(scale)});
  renderer.SetValues(std::move(values));
  ++render_count_;
  return LayerOfWorld(renderer.Render(frame, &layer));
}

std::string StudioEngine::FrameKey(const nlohmann::json& doc, long frame, int scale,
                                   View view) const {
  std::string key = view == View::kAfter ? "after " : "before ";
  key.append(std::to_string(frame)).append(" ").append(std::to_string(scale));
  if (view == View::kBefore) return key;
  // A later assignment of a parameter wins, as it does in a render.
  std::map<int, std::string> values;
  for (const app::ParamAssignment& value : ParseDocument(doc)) {
    values[value.param->index] = app::ValueJson(*value.param, value.ValueAt(frame)).dump();
  }
  for (const auto& [index, value] : values)
    key.append(" ").append(std::to_string(index)).append("=").append(value);
  return key;
}

nlohmann::json StudioEngine::Curve(const nlohmann::json& doc, const std::string& name, long first,
                                   long last) const {
  if (first < 0 || last < first || last - first >= kMaxCurveFrames) {
    throw app::UsageError("frames " + std::to_string(first) + " to " + std::to_string(last) +
                          ": give 0 <= first <= last, at most " + std::to_string(kMaxCurveFrames) +
                          " frames");
  }
  const app::NamedParam& param = Names().Find(name);
  if (app::ParamNameTable::IsGroupEntry(param.def)) {
    throw app::UsageError("'" + name + "' is a group, which has no value");
  }
  const std::vector<app::ParamAssignment> assignments = ParseDocument(doc);
  const app::ParamAssignment* assigned = nullptr;
  for (const app::ParamAssignment& value : assignments) {
    if (value.param->index == param.index) assigned = &value;
  }
  const app::ParamValue fallback = DefaultValue(param, Width(), Height());
  nlohmann::json frames = nlohmann::json::array();
  nlohmann::json values = nlohmann::json::array();
  for (long frame = first; frame <= last; ++frame) {
    frames.push_back(frame);
    values.push_back(
        nlohmann::json(app::ValueJson(param, assigned ? assigned->ValueAt(frame) : fallback)));
  }
  return {{"frames", std::move(frames)}, {"values", std::move(values)}};
}

std::vector<std::string> StudioEngine::RenderArgs() const {
  std::vector<std::string> args;
  if (settings_.layer.input.empty()) {
    args = {"--size", std::to_string(shape_.width) + "x" + std::to_string(shape_.height)};
  } else {
    args = {"--input", settings_.layer.input};
  }
  const app::Rational rate = Rate();
  const A_long id = settings_.host.app_id;
  const std::string app_id{static_cast<char>(id >> 24), static_cast<char>(id >> 16),
                           static_cast<char>(id >> 8), static_cast<char>(id)};
  // clang-format off
  args.insert(args.end(), {
      "--fps", std::to_string(rate.num) + "/" + std::to_string(rate.den),
      "--module", settings_.module_path,
      "--host-version", std::to_string(settings_.host.version.major) + "." +
                            std::to_string(settings_.host.version.minor),
      "--app-id", app_id});
  // clang-format on
  // The depth as it was asked for: without one, the command takes the
  // input's as the studio did.
  if (settings_.layer.depth != 0) {
    args.insert(args.end(), {"--depth", std::to_string(settings_.layer.depth)});
  }
  return args;
}

nlohmann::json StudioEngine::State(const nlohmann::json& doc, long frame) {
  CheckFrame(frame);
  const std::vector<app::ParamAssignment> values = ParseDocument(doc);
  nlohmann::json result{{"values", nlohmann::json::object()}, {"ui", nlohmann::json::object()}};
  std::map<int, const app::ParamAssignment*> assigned;
  for (const app::ParamAssignment& value : values) assigned[value.param->index] = &value;
  std::map<int, PF_ParamUIFlags> flags;
  for (const app::NamedParam& param : Names().Entries()) {
    if (app::ParamNameTable::IsGroupEntry(param.def)) continue;
    const auto found = assigned.find(param.index);
    result["values"][param.name] = nlohmann::json(
        app::ValueJson(param, found != assigned.end() ? found->second->ValueAt(frame)
                                                      : DefaultValue(param, Width(), Height())));
    flags[param.index] = param.def.ui_flags;
  }

  std::lock_guard<std::mutex> lock(mutex_);
  SideSession& side = Side(0);
  embedded::EmbeddedHost& host = side.session->Host();
  embedded::ParamArray params = host.BuildParams(side.state_input);
  app::CheckKeyframes(params, values);
  app::ApplyAssignments(params, values, frame);
  const size_t logged = host.UpdateParamUICalls().size();
  if (PF_Err err = side.session->Call(PF_Cmd_UPDATE_PARAMS_UI, params.Get(), nullptr)) {
    side.session->FailWith(err, "the update of its controls");
  }
  const auto& calls = host.UpdateParamUICalls();
  for (size_t i = logged; i < calls.size(); ++i) flags[calls[i].index] = calls[i].def.ui_flags;
  for (const app::NamedParam& param : Names().Entries()) {
    if (app::ParamNameTable::IsGroupEntry(param.def)) continue;
    // The host interface has a flag to disable a control but none to hide
    // one: every control stays visible.
    result["ui"][param.name] = {{"enabled", (flags[param.index] & PF_PUI_DISABLED) == 0},
                                {"visible", true}};
  }
  return result;
}

app::Layer StudioEngine::GradientRow(const nlohmann::json& doc, long frame, int width) {
  CheckFrame(frame);
  if (width < kMinGradientWidth || width > kMaxGradientWidth) {
    throw app::UsageError("width " + std::to_string(width) + " is outside " +
                          std::to_string(kMinGradientWidth) + " to " +
                          std::to_string(kMaxGradientWidth));
  }
  std::vector<app::ParamAssignment> values = ParseDocument(doc);
  // The horizontal gradient view, whatever the document's own view.
  app::ParamAssignment view;
  view.param = &Names().Find("Output View");
  view.value = app::ParseValueText(*view.param, "Gradient View (hoz)");
  values.push_back(view);
  std::lock_guard<std::mutex> lock(mutex_);
  SideSession& side = Side(width);
  side.gradient->SetValues(std::move(values));
  return CutGradientRow(LayerOfWorld(side.gradient->Render(frame, nullptr)), width);
}

}  // namespace studio
