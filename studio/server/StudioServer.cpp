#include "studio/server/StudioServer.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <utility>

#include "app/AppErrors.h"
#include "app/media/FramePattern.h"
#include "app/params/Easing.h"
#include "studio/server/PageFiles.h"
#include "studio/server/ParamJson.h"
#include "studio/server/PreviewPixels.h"

namespace studio {
namespace {

constexpr const char* kJson = "application/json";
// Distinct X-Studio-Client values remembered for superseding renders.
constexpr size_t kMaxClients = 256;
// Streams whose last picture is kept for patches (a frame each, most often
// one the cache holds as well).
constexpr size_t kMaxPatchStreams = 16;
// How often a waiting prefetch looks for its turn.
constexpr std::chrono::milliseconds kPrefetchPoll{4};
// Jobs an export may ask for, as `render --jobs` allows.
constexpr long long kMaxExportJobs = 256;

void SendJson(httplib::Response& response, int status, const nlohmann::json& body) {
  response.status = status;
  response.set_content(body.dump(), kJson);
}

void SendError(httplib::Response& response, int status, const std::string& message) {
  SendJson(response, status, {{"error", message}});
}

// Runs a handler, answering the failures it throws: bad input 400, a failure
// of the effect or of the server 500.
template <typename Handler>
void Answer(httplib::Response& response, Handler handler) {
  try {
    handler();
  } catch (const app::UsageError& bad) {
    SendError(response, 400, bad.what());
  } catch (const app::EffectError& failed) {
    SendError(response, 500, failed.what());
  } catch (const std::exception& failed) { SendError(response, 500, failed.what()); }
}

nlohmann::json ParseBody(const httplib::Request& request) {
  nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
  if (body.is_discarded()) throw app::UsageError("the request body is malformed JSON");
  if (!body.is_object()) throw app::UsageError("the request body must be a JSON object");
  return body;
}

const nlohmann::json& DocOf(const nlohmann::json& body) {
  static const nlohmann::json kEmpty = nlohmann::json::object();
  if (!body.contains("doc")) return kEmpty;
  if (!body["doc"].is_object()) {
    throw app::UsageError("'doc' must be an object of parameter names and values");
  }
  return body["doc"];
}

long long IntegerField(const nlohmann::json& body, const char* name, long long fallback) {
  if (!body.contains(name)) return fallback;
  if (!body[name].is_number_integer()) {
    throw app::UsageError(std::string("'") + name + "' must be a whole number");
  }
  return body[name].get<long long>();
}

View ViewOf(const nlohmann::json& body) {
  if (!body.contains("view")) return View::kAfter;
  if (body["view"] == "after") return View::kAfter;
  if (body["view"] == "before") return View::kBefore;
  throw app::UsageError("'view' must be \"after\" or \"before\"");
}

bool FlagField(const nlohmann::json& body, const char* name) {
  if (!body.contains(name)) return false;
  if (!body[name].is_boolean())
    throw app::UsageError(std::string("'") + name + "' must be true or false");
  return body[name].get<bool>();
}

// Frames go to the page as raw RGBA rather than as PNG: on loopback, moving
// bytes costs far less than compressing them. Measured here (2 shared cores,
// load average about 10) for the showcase's 1920x1080 frame: the cached raw
// answer, 8,294,400 bytes, reached curl in 20-57 ms; OpenImageIO's PNG
// encoder took 573 ms at zlib level 1 (2,746,284 bytes) and 2016 ms at
// level 6 (2,174,124 bytes), before any transfer or decoding in the browser.
// Plain deflate is no better (zlib, load average 11): level 1 took 52 ms to
// pack a 1/2 frame of 2,073,600 bytes into 631,241 and 25 ms to unpack it,
// where the render took 9-15 ms and Chromium reads the raw bytes in 10-20 ms.
// What does pay is sending less: a client that holds the stream's last
// picture (X-Studio-Held names it) gets only the spans of the rows that
// changed (ChangedSpans), which costs the server a compare of two frames in
// memory and the page a copy of those spans into its own copy -- exact, and
// whatever the picture's content; a dragged point changes the rows its
// stroke passes through and leaves the rest. The whole body is written
// straight from the cached frame, which the provider holds until the socket
// has it, rather than copied into the response.
void PictureHeaders(httplib::Response& response, const CachedFrame& frame, long long seq,
                    bool deep) {
  response.set_header("X-Width", std::to_string(frame.width));
  response.set_header("X-Height", std::to_string(frame.height));
  response.set_header("X-Seq", std::to_string(seq));
  response.set_header("X-Depth", deep ? "16" : "8");
}

void SendPixels(httplib::Response& response, std::shared_ptr<const CachedFrame> frame) {
  const size_t size = frame->bytes.size();
  response.set_content_provider(
      size, "application/octet-stream",
      [frame](size_t offset, size_t length, httplib::DataSink& sink) {
        return sink.write(frame->bytes.data() + offset, std::min(length, frame->bytes.size() - offset));
      });
}

// The picture as a patch of `held` when the two have the same size.
bool SendPatch(httplib::Response& response, const CachedFrame& frame, const CachedFrame* held,
               uint64_t held_number) {
  if (!held || held->width != frame.width || held->height != frame.height ||
      held->bytes.size() != frame.bytes.size() || frame.height <= 0) {
    return false;
  }
  response.set_header("X-Patch-Of", std::to_string(held_number));
  response.set_content(ChangedSpans(held->bytes, frame.bytes, frame.bytes.size() / frame.height),
                       "application/octet-stream");
  return true;
}

// The picture a client that can take patches holds (0: none yet); none
// when it cannot.
std::optional<uint64_t> HeldNumber(const httplib::Request& request) {
  if (!request.has_header("X-Studio-Held")) return std::nullopt;
  const std::string text = request.get_header_value("X-Studio-Held");
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) {
    throw app::UsageError("X-Studio-Held must be the number of a picture received");
  }
  return std::stoull(text);
}

// Where a render request's time went, for the page's own measurements (the
// Server-Timing header): when the handler got the request (milliseconds since
// the epoch, to line up with the page's clock), then the milliseconds spent
// on reading it, waiting for the render lock, the effect's render, and
// turning the layer into bytes.
class RenderClock {
 public:
  RenderClock() {
    const auto epoch = std::chrono::system_clock::now().time_since_epoch();
    char part[64];
    std::snprintf(part, sizeof part, "received;desc=%.3f",
                  std::chrono::duration<double, std::milli>(epoch).count());
    text_ = part;
  }
  void Mark(const char* name) {
    const auto now = std::chrono::steady_clock::now();
    char part[64];
    std::snprintf(part, sizeof part, ", %s;dur=%.2f", name,
                  std::chrono::duration<double, std::milli>(now - last_).count());
    text_ += part;
    last_ = now;
  }
  const std::string& Text() const { return text_; }

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
  std::string text_;
};

std::shared_ptr<const CachedFrame> PixelsOf(const app::Layer& layer, bool raw16) {
  auto frame = std::make_shared<CachedFrame>();
  frame->width = layer.width;
  frame->height = layer.height;
  frame->bytes = raw16 ? Rgba16Bytes(layer) : Rgba8Bytes(layer);
  return frame;
}

std::string StringField(const nlohmann::json& body, const char* name) {
  if (!body.contains(name) || !body[name].is_string()) {
    throw app::UsageError(std::string("'") + name + "' must be given as text");
  }
  return body[name].get<std::string>();
}

// "A-B" or "A" inside the session's frames; missing: all of them.
app::FrameRange ExportFrames(const nlohmann::json& body, const app::FrameRange& session) {
  if (!body.contains("frames")) return session;
  const std::string text = StringField(body, "frames");
  const size_t dash = text.find('-');
  const std::string first = text.substr(0, dash);
  const std::string last = dash == std::string::npos ? first : text.substr(dash + 1);
  const auto whole = [](const std::string& digits) {
    return !digits.empty() && digits.size() < 10 &&
           digits.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!whole(first) || !whole(last) || std::stol(first) > std::stol(last) ||
      std::stol(first) < session.first || std::stol(last) > session.last) {
    throw app::UsageError("'frames' '" + text + "': give FIRST-LAST or one frame within " +
                          std::to_string(session.first) + "-" + std::to_string(session.last));
  }
  return {std::stol(first), std::stol(last)};
}

// The document in a params file of its own for the command; the export
// removes it when it ends.
std::string WriteParamsFile(const nlohmann::json& doc) {
  const char* folder = std::getenv("TMPDIR");
  std::string path =
      std::string(folder && *folder ? folder : "/tmp") + "/lustre-export-XXXXXX.json";
  const int fd = mkstemps(path.data(), 5);
  if (fd < 0) throw std::runtime_error("cannot write a temporary params file in " + path);
  const std::string text = DocumentFiles::Format(doc);
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  if (!written) {
    unlink(path.c_str());
    throw std::runtime_error("cannot write the temporary params file " + path);
  }
  return path;
}
}  // namespace

StudioServer::StudioServer(StudioEngine& engine, const DocumentFiles& files,
                           const ServerSettings& settings)
    : engine_(engine),
      files_(files),
      settings_(settings),
      token_(settings.token.empty() ? NewToken() : settings.token),
      cache_(settings.cache_bytes),
      sent_(kMaxPatchStreams),
      export_(settings.command) {}

StudioServer::~StudioServer() { Stop(); }

void StudioServer::Bind() {
  // Socket options take effect when the listening socket is made, so they
  // are set before it is bound; the sockets it accepts inherit them.
  // A picture's headers and its bytes are separate writes: without
  // TCP_NODELAY the bytes of a patch (one segment shorter than the loopback
  // MSS) wait for the acknowledgement of the headers, which the browser
  // delays by 40 ms -- measured during a drag at 1/2 as a body read of 41 ms
  // against 4 ms for a full-size patch of several segments.
  http_.set_tcp_nodelay(true);
  port_ = settings_.port == 0
              ? http_.bind_to_any_port(settings_.bind)
              : (http_.bind_to_port(settings_.bind, settings_.port) ? settings_.port : -1);
  if (port_ <= 0) {
    throw app::UsageError("cannot listen on " + settings_.bind + " port " +
                          std::to_string(settings_.port));
  }
  guard_ = std::make_unique<RequestGuard>(token_, settings_.bind, port_);
  AddRoutes();
}

std::string StudioServer::Url() const {
  const bool ipv6 = settings_.bind.find(':') != std::string::npos;
  return "http://" + (ipv6 ? "[" + settings_.bind + "]" : settings_.bind) + ":" +
         std::to_string(port_) + "/?token=" + token_;
}

void StudioServer::Serve() { http_.listen_after_bind(); }

void StudioServer::Stop() {
  if (http_.is_running()) http_.stop();
}

nlohmann::json StudioServer::SessionJson() const {
  const app::Rational rate = engine_.Rate();
  return {{"width", engine_.Width()},
          {"height", engine_.Height()},
          {"depth", engine_.Deep() ? 16 : 8},
          {"first", engine_.Frames().first},
          {"last", engine_.Frames().last},
          {"fps", std::to_string(rate.num) + "/" + std::to_string(rate.den)},
          {"file", files_.DocumentPath()},
          {"input",
           settings_.input.empty() ? nlohmann::json(nullptr) : nlohmann::json(settings_.input)},
          {"input_kind",
           engine_.InputKind() ? nlohmann::json(engine_.InputKind()) : nlohmann::json(nullptr)},
          {"eases", app::EaseNameList()},
          {"recovery", files_.HasAutosave()},
          {"downsamples", {1, 2, kMaxScale}}};
}

bool StudioServer::StillWanted(const std::string& client, long long seq) {
  std::lock_guard<std::mutex> lock(seq_mutex_);
  return latest_seq_[client] <= seq;
}

std::unique_lock<std::mutex> StudioServer::PrefetchTurn(const std::string& client,
                                                        long long arrivals) {
  for (;; std::this_thread::sleep_for(kPrefetchPoll)) {
    {
      std::lock_guard<std::mutex> lock(seq_mutex_);
      if (arrivals_[client] != arrivals) return {};
    }
    if (waiting_renders_ > 0) continue;
    std::unique_lock<std::mutex> turn(render_mutex_, std::try_to_lock);
    if (turn.owns_lock() && waiting_renders_ == 0) return turn;
  }
}

void StudioServer::Render(const httplib::Request& request, httplib::Response& response) {
  RenderClock clock;
  const nlohmann::json body = ParseBody(request);
  const nlohmann::json& doc = DocOf(body);
  const long long frame = IntegerField(body, "frame", engine_.Frames().first);
  const long long scale = IntegerField(body, "scale", 1);
  const long long seq = IntegerField(body, "seq", 0);
  const View view = ViewOf(body);
  const bool raw16 = FlagField(body, "raw16");
  const bool prefetch = FlagField(body, "prefetch");
  const std::string client = request.get_header_value("X-Studio-Client").substr(0, 64);
  const std::optional<uint64_t> held_number = HeldNumber(request);
  long long arrivals = 0;
  {
    std::lock_guard<std::mutex> lock(seq_mutex_);
    if (latest_seq_.size() > kMaxClients || arrivals_.size() > kMaxClients) {
      latest_seq_.clear();
      arrivals_.clear();
    }
    // A prefetch neither supersedes nor is superseded by sequence numbers.
    if (!prefetch) {
      long long& latest = latest_seq_[client];
      latest = std::max(latest, seq);
      ++arrivals_[client];
    }
    arrivals = arrivals_[client];
  }
  // Keyed by the values at the frame, not by the document: a change of keys
  // elsewhere on the timeline leaves this frame's picture cached.
  const std::string key =
      engine_.FrameKey(doc, static_cast<long>(frame), static_cast<int>(scale), view) +
      (raw16 ? " raw16" : " rgba8");
  std::shared_ptr<const CachedFrame> pixels = cache_.Find(key);
  clock.Mark("parse");
  if (!pixels) {
    // Renders wait their turn here; one that a newer render of the same
    // client has overtaken meanwhile is dropped instead of drawn. A prefetch
    // waits until no normal render does, and yields to any of its client's.
    std::unique_lock<std::mutex> lock;
    if (prefetch) {
      lock = PrefetchTurn(client, arrivals);
    } else {
      ++waiting_renders_;
      lock = std::unique_lock<std::mutex>(render_mutex_);
      --waiting_renders_;
    }
    clock.Mark("wait");
    if (!lock.owns_lock() || (!prefetch && !StillWanted(client, seq))) {
      SendError(response, 409, "superseded by a newer render");
      return;
    }
    pixels = cache_.Find(key);
    if (!pixels) {
      app::Layer layer =
          engine_.Render(doc, static_cast<long>(frame), static_cast<int>(scale), view);
      clock.Mark("render");
      pixels = PixelsOf(layer, raw16);
      cache_.Insert(key, pixels);
      clock.Mark("pack");
    }
  }
  PictureHeaders(response, *pixels, seq, engine_.Deep());
  if (held_number) {
    const std::shared_ptr<const CachedFrame> held = sent_.Held(client, *held_number);
    const bool patched = SendPatch(response, *pixels, held.get(), *held_number);
    response.set_header("X-Picture", std::to_string(sent_.Sent(client, pixels)));
    clock.Mark("patch");
    if (patched) {
      response.set_header("Server-Timing", clock.Text());
      return;
    }
  }
  response.set_header("Server-Timing", clock.Text());
  SendPixels(response, std::move(pixels));
}

void StudioServer::Export(const httplib::Request& request, httplib::Response& response) {
  const nlohmann::json body = ParseBody(request);
  const nlohmann::json& doc = DocOf(body);
  engine_.CheckDocument(doc);
  const std::string output = files_.OutputPath(StringField(body, "output"));
  app::FramePattern{output};  // refuses two frame fields before anything runs
  const app::FrameRange frames = ExportFrames(body, engine_.Frames());
  const long long downsample = IntegerField(body, "downsample", 1);
  if (downsample != 1 && downsample != 2 && downsample != kMaxScale) {
    throw app::UsageError("'downsample' must be 1, 2 or 4");
  }
  ExportRun run;
  run.output = output;
  run.args = {"render", "--output", output, "--frames",
              std::to_string(frames.first) + "-" + std::to_string(frames.last)};
  if (downsample != 1)
    run.args.insert(run.args.end(), {"--scale", std::to_string(downsample)});
  if (body.contains("jobs")) {
    const long long jobs = IntegerField(body, "jobs", 1);
    if (jobs < 1 || jobs > kMaxExportJobs) throw app::UsageError("'jobs' must be 1 to 256");
    run.args.insert(run.args.end(), {"--jobs", std::to_string(jobs)});
  }
  const std::vector<std::string> session = engine_.RenderArgs();
  run.args.insert(run.args.end(), session.begin(), session.end());
  run.params_file = WriteParamsFile(doc);
  run.args.insert(run.args.end(), {"--params", run.params_file});
  const ExportStart started = export_.Start(std::move(run));
  switch (started.outcome) {
    case ExportStart::Outcome::kStarted: SendJson(response, 202, {{"id", started.id}}); break;
    case ExportStart::Outcome::kBusy: SendError(response, 409, started.message); break;
    case ExportStart::Outcome::kRefused: SendError(response, 400, started.message); break;
    case ExportStart::Outcome::kFailed: SendError(response, 500, started.message); break;
  }
}

nlohmann::json StudioServer::CheckedDocument(const httplib::Request& request) const {
  const nlohmann::json body = ParseBody(request);
  nlohmann::json doc = DocOf(body);
  engine_.ParseDocument(doc);
  return doc;
}

void StudioServer::Gradient(const httplib::Request& request, httplib::Response& response) {
  const nlohmann::json body = ParseBody(request);
  const long long width = IntegerField(body, "width", 256);
  const app::Layer row = engine_.GradientRow(
      DocOf(body), static_cast<long>(IntegerField(body, "frame", engine_.Frames().first)),
      static_cast<int>(std::clamp<long long>(width, 0, kMaxGradientWidth + 1)));
  response.set_header("X-Width", std::to_string(row.width));
  response.set_header("X-Height", "1");
  response.set_content(Rgba8Bytes(row), "application/octet-stream");
}

void StudioServer::AddRoutes() {
  http_.set_payload_max_length(kMaxBodyBytes);
  // A page keeps its few connections for a whole drag rather than opening a
  // new one every 5 requests.
  http_.set_keep_alive_max_count(1000);
  http_.set_default_headers({{"Cache-Control", "no-store"},
                             {"X-Content-Type-Options", "nosniff"},
                             {"X-Frame-Options", "DENY"},
                             {"Referrer-Policy", "no-referrer"},
                             {"Content-Security-Policy",
                              "default-src 'self'; img-src 'self' data: blob:; style-src 'self' "
                              "'unsafe-inline'; frame-ancestors 'none'"}});
  http_.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<Refusal> refusal = guard_->Check(request);
        if (!refusal) return httplib::Server::HandlerResponse::Unhandled;
        SendError(response, refusal->status, refusal->message);
        response.set_header("Connection", "close");
        return httplib::Server::HandlerResponse::Handled;
      });
  http_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
    if (response.body.empty()) {
      SendError(response, response.status,
                response.status == 404 ? "nothing is served here" : "refused");
    }
  });
  http_.set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        SendError(response, 500, "the server failed");
      });

  http_.Get("/api/session", [this](const httplib::Request&, httplib::Response& response) {
    SendJson(response, 200, SessionJson());
  });
  http_.Get("/api/params", [this](const httplib::Request&, httplib::Response& response) {
    SendJson(response, 200, ParamsTableJson(engine_.Names(), engine_.Width(), engine_.Height()));
  });
  http_.Get("/api/document", [this](const httplib::Request&, httplib::Response& response) {
    Answer(response, [&] { SendJson(response, 200, {{"doc", files_.ReadDocument()}}); });
  });
  http_.Post("/api/state", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] {
      const nlohmann::json body = ParseBody(request);
      SendJson(response, 200,
               engine_.State(DocOf(body), static_cast<long>(IntegerField(body, "frame",
                                                                         engine_.Frames().first))));
    });
  });
  http_.Post("/api/render", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] { Render(request, response); });
  });
  http_.Post("/api/gradient", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] { Gradient(request, response); });
  });
  http_.Post("/api/curve", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] {
      const nlohmann::json body = ParseBody(request);
      const long first = static_cast<long>(IntegerField(body, "first", engine_.Frames().first));
      SendJson(response, 200,
               engine_.Curve(DocOf(body), StringField(body, "name"), first,
                             static_cast<long>(IntegerField(body, "last", first))));
    });
  });
  http_.Post("/api/export", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] { Export(request, response); });
  });
  http_.Get("/api/export", [this](const httplib::Request&, httplib::Response& response) {
    SendJson(response, 200, export_.Status());
  });
  http_.Post("/api/export/cancel",
             [this](const httplib::Request& request, httplib::Response& response) {
               Answer(response, [&] {
                 ParseBody(request);
                 export_.Cancel();
                 SendJson(response, 200, nlohmann::json::object());
               });
             });
  http_.Post("/api/save", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] {
      files_.Save(CheckedDocument(request));
      SendJson(response, 200, {{"file", files_.DocumentPath()}});
    });
  });
  http_.Post("/api/autosave", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] {
      files_.Autosave(CheckedDocument(request));
      SendJson(response, 200, nlohmann::json::object());
    });
  });
  http_.Get("/api/recover", [this](const httplib::Request&, httplib::Response& response) {
    Answer(response, [&] {
      const std::optional<nlohmann::json> doc = files_.Recover();
      if (doc) {
        SendJson(response, 200, {{"doc", *doc}});
      } else {
        SendError(response, 404, "there is no autosave");
      }
    });
  });
  http_.Post("/api/discard", [this](const httplib::Request& request, httplib::Response& response) {
    Answer(response, [&] {
      ParseBody(request);
      files_.Discard();
      SendJson(response, 200, nlohmann::json::object());
    });
  });
  http_.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    if (guard_->IsStartRequest(request)) {
      response.set_header("Set-Cookie", std::string(kCookieName) + "=" + token_ +
                                            "; HttpOnly; SameSite=Strict; Path=/");
      response.set_redirect("/", 303);
      return;
    }
    const PageFile* file = FindPageFile(request.path);
    if (file == nullptr) {
      SendError(response, 404, "nothing is served here");
      return;
    }
    response.set_content(reinterpret_cast<const char*>(file->data), file->size,
                         ContentTypeOf(file->path));
  });
}

}  // namespace studio
