// A studio started in this process on a free port, and a client that talks
// to it as the page does (token header, Host of the bound address).
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "studio/server/DocumentFiles.h"
#include "studio/server/StudioEngine.h"
#include "studio/server/StudioServer.h"

namespace studiotest {

// The keyed example document.
inline nlohmann::json Animated() {
  std::ifstream file(std::string(LUSTRE_SOURCE_DIR) + "/examples/animated.json");
  return nlohmann::json::parse(file);
}

struct StudioSetup {
  std::string document = "";  // the --params file
  app::LayerSize size{320, 180};
  int depth = 8;
  std::optional<app::FrameRange> frames = app::FrameRange{0, 95};
  std::string input = "";  // empty: the built-in layer of `size`
};

class RunningStudio {
 public:
  explicit RunningStudio(const StudioSetup& setup) : files_(setup.document) {
    studio::EngineSettings settings;
    settings.layer.width = setup.size.width;
    settings.layer.height = setup.size.height;
    settings.layer.depth = setup.depth;
    settings.layer.input = setup.input;
    settings.frames = setup.frames;
    settings.module_path = LUSTRE_MODULE_PATH;
    engine_ = std::make_unique<studio::StudioEngine>(settings);
    studio::ServerSettings server;
    server.command = LUSTRE_CLI_PATH;
    server_ = std::make_unique<studio::StudioServer>(*engine_, files_, server);
    server_->Bind();
    thread_ = std::thread([this] { server_->Serve(); });
    while (!Client().Get("/api/session")) std::this_thread::yield();
  }
  ~RunningStudio() {
    server_->Stop();
    thread_.join();
  }

  int Port() const { return server_->Port(); }
  const studio::StudioEngine& Engine() const { return *engine_; }
  const std::string& Token() const { return server_->Token(); }
  std::string Host() const { return "127.0.0.1:" + std::to_string(Port()); }

  // A client that sends the token header and the right Host.
  httplib::Client Client() const {
    httplib::Client client("127.0.0.1", Port());
    client.set_default_headers({{"X-Studio-Token", Token()}});
    return client;
  }

  httplib::Result PostJson(const std::string& path, const nlohmann::json& body) const {
    return Client().Post(path.c_str(), body.dump(), "application/json");
  }

 private:
  studio::DocumentFiles files_;
  std::unique_ptr<studio::StudioEngine> engine_;
  std::unique_ptr<studio::StudioServer> server_;
  std::thread thread_;
};

}  // namespace studiotest
