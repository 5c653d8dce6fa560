#include "studio/server/RequestGuard.h"

#include <fstream>
#include <random>

namespace studio {
namespace {

// Compares without stopping at the first difference, so the time taken does
// not tell how much of a guessed token was right.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

// The value of one cookie in a Cookie header ("a=1; lustre_studio=T").
std::string CookieValue(const std::string& header, const std::string& name) {
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find(';', start);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(start, end - start);
    const size_t first = pair.find_first_not_of(' ');
    pair = first == std::string::npos ? "" : pair.substr(first);
    if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
    start = end + 1;
  }
  return "";
}

bool IsJson(const std::string& content_type) {
  const std::string type = content_type.substr(0, content_type.find(';'));
  return type == "application/json";
}

}  // namespace

std::string NewToken() {
  unsigned char bytes[16];
  std::ifstream random("/dev/urandom", std::ios::binary);
  if (!random.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string token;
  for (unsigned char byte : bytes) {
    token += kDigits[byte >> 4];
    token += kDigits[byte & 15];
  }
  return token;
}

RequestGuard::RequestGuard(std::string token, const std::string& bind_address, int port)
    : token_(std::move(token)) {
  std::string suffix(1, ':');  // built by appending: g++ 12 misreads ":" + std::to_string(...)
  suffix += std::to_string(port);
  std::string address = bind_address;
  if (address.find(':') != std::string::npos) address = '[' + address + ']';  // IPv6
  hosts_.push_back(address + suffix);
  if (bind_address == "127.0.0.1" || bind_address == "::1" || bind_address == "localhost") {
    hosts_.push_back("localhost" + suffix);
  }
}

bool RequestGuard::IsStartRequest(const httplib::Request& request) const {
  return request.method == "GET" && request.path == "/" && request.has_param("token") &&
         SameSecret(request.get_param_value("token"), token_);
}

bool RequestGuard::HasToken(const httplib::Request& request) const {
  return SameSecret(request.get_header_value("X-Studio-Token"), token_) ||
         SameSecret(CookieValue(request.get_header_value("Cookie"), kCookieName), token_);
}

std::optional<Refusal> RequestGuard::Check(const httplib::Request& request) const {
  const std::string host = request.get_header_value("Host");
  bool known_host = false;
  for (const std::string& allowed : hosts_) known_host = known_host || host == allowed;
  if (!known_host)
    return Refusal{403, "the Host header must name this studio's address " + hosts_[0]};
  if (request.has_header("Origin") && request.get_header_value("Origin") != "http://" + host) {
    return Refusal{403, "requests from other origins are refused"};
  }
  if (!IsStartRequest(request) && !HasToken(request)) {
    return Refusal{401, "open the studio with the address it printed (with its token)"};
  }
  if (request.method == "GET") return std::nullopt;
  if (request.method != "POST") return Refusal{405, "only GET and POST are served"};
  if (!request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
    return Refusal{411, "a POST needs a Content-Length; chunked bodies are refused"};
  }
  const std::string length = request.get_header_value("Content-Length");
  if (length.empty() || length.size() > 12 ||
      length.find_first_not_of("0123456789") != std::string::npos) {
    return Refusal{400, "the Content-Length is not a number"};
  }
  if (std::stoull(length) > kMaxBodyBytes) return Refusal{413, "bodies are limited to 1 MiB"};
  if (!IsJson(request.get_header_value("Content-Type"))) {
    return Refusal{415, "a POST body must be application/json"};
  }
  return std::nullopt;
}

}  // namespace studio
