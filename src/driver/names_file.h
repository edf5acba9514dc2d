// The hand-off file NAMES.dat: line 1 the version text, lines 5 to 10 the
// input, report, plot, run-log and the two scratch file names.
#pragma once

#include <string>

#include "darnek/darnek.h"

namespace darnek {

struct NamesFile {
  std::string version_text;  // 12 characters, blank-padded
  FileNames files;
  bool complete = false;     // all six names were read
};

NamesFile ReadNamesFile(const std::string& path);

}  // namespace darnek
