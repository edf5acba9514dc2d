// Windows path rules for the file block of the report: drive, directory,
// name and extension. Both '\' and '/' separate directories.
#pragma once

#include <string>
#include <string_view>

namespace darnek {

struct PathParts {
  std::string drive;      // "C:" or empty
  std::string directory;  // up to and including the last separator
  std::string name;       // without the extension
  std::string extension;  // from the last '.' of the file name, with the dot
};

PathParts SplitWindowsPath(std::string_view path);

}  // namespace darnek
