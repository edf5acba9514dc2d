// A whole input file read at once, through the same checks as the run's own
// input: the TOML forms, design files, plot-data files, the file `convert`
// reads and the files the Python package loads all come in here.
#pragma once

#include <cstddef>
#include <string>

#include "core/run_file.h"

namespace darnek {

// The largest file any input reader takes: a real wall's input is a few
// kilobytes, the plot data of 100000 stations some megabytes.
inline constexpr size_t kMaxInputFileSize = size_t{256} << 20;  // 256 MiB

// What reading a whole input gave: its text, or why not.
struct WholeInput {
  std::string Text;     // empty unless read
  std::string Problem;  // the whole reason, naming the file; empty when read
  // The reason without the file, for a reader that names the place its own
  // way: "the line is longer than 65536 characters".
  std::string Detail;
  bool Opened = false;  // false: missing, not a regular file, or unreadable
  int Line = 0;         // the line beyond kMaxLineLength, when that is the reason
  explicit operator bool() const { return Problem.empty(); }
};

// Whether the reader checks the length of lines, or names a long line itself
// with more to say (the plot-data reader, the run's own reading).
enum class LineLimit { Checked, Unchecked };

// The text of an open input from its beginning. A file larger than `limit`
// bytes, or with a line longer than kMaxLineLength, is refused, unread beyond
// what showed it. A failed read throws FileFailed.
WholeInput ReadWholeInput(const RunFile& file, LineLimit lines = LineLimit::Checked,
                          size_t limit = kMaxInputFileSize);

// Opens `path` as an input (a regular file: a pipe, a device or a folder is
// refused at once, never waited on) and reads it as ReadWholeInput does,
// naming the file as `role` ("the input file wall.toml is not a regular file:
// it is a character device").
WholeInput ReadInputFile(const std::string& role, const std::string& path,
                         LineLimit lines = LineLimit::Checked);

}  // namespace darnek
