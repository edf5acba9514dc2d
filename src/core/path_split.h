// Windows path rules for the file block of the report: drive, directory,
// name and extension. Both '\' and '/' separate directories.
#pragma once

#include <string>
#include <string_view>

namespace darnek {

struct PathParts {
  std::string Drive;      // "C:" or empty
  std::string Directory;  // up to and including the last separator
  std::string Name;       // without the extension
  std::string Extension;  // from the last '.' of the file name, with the dot
};

PathParts SplitWindowsPath(std::string_view path);

}  // namespace darnek
