#include "studio/server/DocumentFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/AppErrors.h"

namespace studio {
namespace {

std::string Cause() { return std::strerror(errno); }

// The folder resolved (links, "..") and the file name kept as given.
std::string ResolvedPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") {
    throw app::UsageError("--params '" + path + "' names a folder; give a file name");
  }
  char resolved[PATH_MAX];
  if (realpath(folder.c_str(), resolved) == nullptr) {
    throw app::UsageError("--params '" + path + "': folder '" + folder + "': " + Cause());
  }
  const std::string full =
      std::string(resolved) + (std::strcmp(resolved, "/") == 0 ? "" : "/") + name;
  struct stat info {};
  if (stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    throw app::UsageError("--params '" + path + "' names a folder; give a file name");
  }
  return full;
}

void WriteAtomically(const std::string& path, const std::string& text) {
  std::string temporary = path + ".lustre-tmp-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) throw app::UsageError("cannot write '" + path + "': " + Cause());
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == text.size() && fsync(fd) == 0;
  const std::string cause = Cause();
  close(fd);
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = ok ? Cause() : cause;
    unlink(temporary.c_str());
    throw app::UsageError("cannot write '" + path + "': " + why);
  }
}

std::optional<std::string> ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

nlohmann::json ParseObject(const std::string& text, const std::string& path) {
  nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    throw app::UsageError("'" + path + "' is not a JSON object of parameter names and values");
  }
  return doc;
}

}  // namespace

DocumentFiles::DocumentFiles(const std::string& path)
    : document_(ResolvedPath(path)),
      autosave_(document_ + ".autosave"),
      folder_(document_.substr(0, std::max<size_t>(document_.rfind('/'), 1))) {}

std::string DocumentFiles::OutputPath(const std::string& requested) const {
  const std::string inside = folder_ == "/" ? "/" : folder_ + "/";
  const auto refuse = [&](const std::string& why) {
    throw app::UsageError("output '" + requested + "': " + why);
  };
  std::string relative = requested;
  if (!relative.empty() && relative[0] == '/') {
    if (relative.compare(0, inside.size(), inside) != 0) {
      refuse("an absolute path must lie inside the document's folder " + folder_);
    }
    relative.erase(0, inside.size());
  }
  std::vector<std::string> parts;
  std::istringstream split(relative);
  for (std::string part; std::getline(split, part, '/');) {
    if (part == "..") refuse("'..' may not leave the document's folder");
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  if (parts.empty() || relative.back() == '/') refuse("give a file name");
  std::string path = folder_ == "/" ? "" : folder_;
  for (size_t i = 0; i < parts.size(); ++i) {
    path += "/" + parts[i];
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
      if (i + 1 < parts.size() && mkdir(path.c_str(), 0777) != 0) refuse(path + ": " + Cause());
      continue;
    }
    char resolved[PATH_MAX];
    if (S_ISLNK(info.st_mode) && (realpath(path.c_str(), resolved) == nullptr ||
                                  std::string(resolved).compare(0, inside.size(), inside) != 0)) {
      refuse("the link '" + path + "' leads outside the document's folder");
    }
    if (i + 1 < parts.size() && stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
      refuse("'" + path + "' is not a folder");
    }
  }
  return path;
}

std::string DocumentFiles::Format(const nlohmann::json& doc) { return doc.dump(2) + "\n"; }

nlohmann::json DocumentFiles::ReadDocument() const {
  const std::optional<std::string> text = ReadText(document_);
  return text ? ParseObject(*text, document_) : nlohmann::json::object();
}

void DocumentFiles::Save(const nlohmann::json& doc) const {
  WriteAtomically(document_, Format(doc));
  Discard();
}

void DocumentFiles::Autosave(const nlohmann::json& doc) const {
  WriteAtomically(autosave_, Format(doc));
}

std::optional<nlohmann::json> DocumentFiles::Recover() const {
  const std::optional<std::string> text = ReadText(autosave_);
  if (!text) return std::nullopt;
  return ParseObject(*text, autosave_);
}

void DocumentFiles::Discard() const { unlink(autosave_.c_str()); }

bool DocumentFiles::HasAutosave() const { return access(autosave_.c_str(), F_OK) == 0; }

}  // namespace studio
