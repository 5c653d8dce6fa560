#include "studio/server/PageFiles.h"

namespace studio {
namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

const PageFile* FindPageFile(std::string_view path) {
  if (path == "/") path = "/index.html";
  for (size_t i = 0; i < kPageFileCount; ++i) {
    if (kPageFiles[i].path == path) return &kPageFiles[i];
  }
  return nullptr;
}

const char* ContentTypeOf(std::string_view path) {
  if (EndsWith(path, ".html")) return "text/html; charset=utf-8";
  if (EndsWith(path, ".css")) return "text/css; charset=utf-8";
  if (EndsWith(path, ".js") || EndsWith(path, ".mjs")) return "text/javascript; charset=utf-8";
  if (EndsWith(path, ".json")) return "application/json";
  if (EndsWith(path, ".svg")) return "image/svg+xml";
  if (EndsWith(path, ".png")) return "image/png";
  if (EndsWith(path, ".woff2")) return "font/woff2";
  return "application/octet-stream";
}

}  // namespace studio
