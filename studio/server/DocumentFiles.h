// The files the studio may touch: the document named on the command line
// (or studio.json in the working folder) and its autosave beside it, both
// fixed when the studio starts and resolved through the real folder, and the
// outputs a request names, which must stay inside the document's folder. Writes are atomic: a
// temporary file in the same folder, flushed, then renamed over the name.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace studio {

class DocumentFiles {
 public:
  // `path` may be missing (it is created on the first save) but its folder
  // must exist; a path naming a folder is refused. UsageError names it.
  explicit DocumentFiles(const std::string& path);

  const std::string& DocumentPath() const { return document_; }
  const std::string& AutosavePath() const { return autosave_; }
  // The document's folder, resolved.
  const std::string& Folder() const { return folder_; }

  // An output path as a request gives it (relative to the folder, or
  // absolute inside it) made absolute; its missing folders are created.
  // UsageError for a path that leaves the folder: a ".." component, an
  // absolute path elsewhere, a link to a place outside, a file in the way.
  std::string OutputPath(const std::string& requested) const;

  // The saved document, or an empty object when there is none yet. A file
  // that is not a JSON object is a UsageError naming it.
  nlohmann::json ReadDocument() const;
  // Writes the document and removes the autosave.
  void Save(const nlohmann::json& doc) const;
  void Autosave(const nlohmann::json& doc) const;
  // The autosave when there is one.
  std::optional<nlohmann::json> Recover() const;
  void Discard() const;
  bool HasAutosave() const;

  // The document as written: keys in order, two-space indent, numbers in
  // their shortest form that reads back as the same double (1.15 stays 1.15).
  static std::string Format(const nlohmann::json& doc);

 private:
  std::string document_;
  std::string autosave_;
  std::string folder_;
};

}  // namespace studio
