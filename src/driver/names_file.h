// The hand-off file NAMES.dat: line 1 the version text, lines 5 to 10 the
// input, report, plot, run-log and the two scratch file names.
#pragma once

#include <string>

#include "darnek/darnek.h"

namespace darnek {

// The most characters of a name on a NAMES.dat line; a longer name is
// refused, never cut (a cut name could be another file of the run).
inline constexpr size_t kMaxHandOffName = 255;

struct NamesFile {
  std::string VersionText;  // 12 characters, blank-padded
  FileNames Files;
  bool Complete = false;  // all six names were read
  std::string Problem;    // why not, naming the file and the line
};

// `path` is the hand-off file's absolute name.
NamesFile ReadNamesFile(const std::string& path);

}  // namespace darnek
