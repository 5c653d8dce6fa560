// What keeps other pages and other machines' users out of the studio: every
// request must name the bound address as its Host (no DNS rebinding), come
// from no foreign Origin, and carry the session's token (the cookie set by
// the start URL, or the X-Studio-Token header); changes come only as POSTs of
// JSON with a Content-Length of at most 1 MiB.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <httplib.h>

namespace studio {

constexpr size_t kMaxBodyBytes = 1 << 20;
constexpr const char* kCookieName = "lustre_studio";

struct Refusal {
  int status;
  std::string message;
};

// 32 hexadecimal digits from the system's random source.
std::string NewToken();

class RequestGuard {
 public:
  RequestGuard(std::string token, const std::string& bind_address, int port);

  const std::vector<std::string>& AllowedHosts() const { return hosts_; }

  // Null when the request may go on.
  std::optional<Refusal> Check(const httplib::Request& request) const;

  // True for the start URL: GET / with the right ?token=.
  bool IsStartRequest(const httplib::Request& request) const;

 private:
  bool HasToken(const httplib::Request& request) const;

  std::string token_;
  std::vector<std::string> hosts_;  // "127.0.0.1:PORT", "localhost:PORT", ...
};

}  // namespace studio
