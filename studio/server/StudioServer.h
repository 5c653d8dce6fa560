// The studio's HTTP side: the page's files and the JSON/pixel API over the
// engine and the document files, behind the request guard. Every failure is
// answered ({"error": message}) and the server keeps serving.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "studio/server/DocumentFiles.h"
#include "studio/server/ExportJob.h"
#include "studio/server/FrameCache.h"
#include "studio/server/RequestGuard.h"
#include "studio/server/SentPictures.h"
#include "studio/server/StudioEngine.h"

namespace studio {

struct ServerSettings {
  std::string bind = "127.0.0.1";
  int port = 0;  // 0: any free port
  size_t cache_bytes = size_t{512} << 20;
  std::string input;  // as given, for the session's description
  std::string token;  // empty: a new random one
  // The lustre-strand command that renders exports: this program.
  std::string command = "/proc/self/exe";
};

class StudioServer {
 public:
  StudioServer(StudioEngine& engine, const DocumentFiles& files, const ServerSettings& settings);
  ~StudioServer();

  // Binds the address; UsageError when it cannot be bound.
  void Bind();
  int Port() const { return port_; }
  const std::string& Token() const { return token_; }
  // http://ADDRESS:PORT/?token=TOKEN
  std::string Url() const;

  // Serves until Stop() (from another thread).
  void Serve();
  void Stop();

 private:
  void AddRoutes();
  nlohmann::json SessionJson() const;
  // The request's document, refused (UsageError) when `render` would refuse it.
  nlohmann::json CheckedDocument(const httplib::Request& request) const;
  void Render(const httplib::Request& request, httplib::Response& response);
  void Gradient(const httplib::Request& request, httplib::Response& response);
  void Export(const httplib::Request& request, httplib::Response& response);
  // False when a newer render of the same client has arrived since.
  bool StillWanted(const std::string& client, long long seq);
  // The render lock for a prefetch, taken once no normal render waits; not
  // owned (superseded) when a normal render of the client has arrived since
  // it counted `arrivals`.
  std::unique_lock<std::mutex> PrefetchTurn(const std::string& client, long long arrivals);

  StudioEngine& engine_;
  const DocumentFiles& files_;
  ServerSettings settings_;
  std::string token_;
  int port_ = 0;
  std::unique_ptr<RequestGuard> guard_;
  FrameCache cache_;
  SentPictures sent_;  // by X-Studio-Client
  std::mutex render_mutex_;  // one render at a time, newest first
  std::mutex seq_mutex_;
  std::map<std::string, long long> latest_seq_;  // by X-Studio-Client
  std::map<std::string, long long> arrivals_;    // normal renders, by client
  std::atomic<int> waiting_renders_{0};          // normal renders before the lock
  ExportJob export_;
  httplib::Server http_;
};

}  // namespace studio
