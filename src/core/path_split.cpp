#include "core/path_split.h"

#include <cctype>

namespace darnek {

PathParts SplitWindowsPath(std::string_view path) {
  PathParts parts;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    parts.Drive = std::string(path.substr(0, 2));
    path.remove_prefix(2);
  }
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string_view::npos) {
    parts.Directory = std::string(path.substr(0, slash + 1));
    path.remove_prefix(slash + 1);
  }
  const size_t dot = path.find_last_of('.');
  if (dot != std::string_view::npos) {
    parts.Name = std::string(path.substr(0, dot));
    parts.Extension = std::string(path.substr(dot));
  } else {
    parts.Name = std::string(path);
  }
  return parts;
}

}  // namespace darnek
