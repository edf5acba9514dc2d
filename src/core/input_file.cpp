#include "core/input_file.h"

#include <unistd.h>

#include <cerrno>

#include "core/errors.h"
#include "core/list_reader.h"

namespace darnek {
namespace {

// A line with its ending, "\r\n" included, is at most this long.
constexpr size_t kLongestLine = kMaxLineLength + 2;

WholeInput Refused(const RunFile& file, std::string detail, int line) {
  WholeInput in;
  in.Opened = true;
  in.Line = line;
  in.Problem = file.Describe() + (line > 0 ? ", line " + std::to_string(line) + ": " : " ") + detail;
  in.Detail = std::move(detail);
  return in;
}

}  // namespace

WholeInput ReadWholeInput(const RunFile& file, LineLimit lines, size_t limit) {
  WholeInput in;
  in.Opened = true;
  std::string& text = in.Text;
  char buffer[65536];
  // Lines are measured as the text comes, so that a file of one endless line
  // is refused after its first 64 KiB, not at the size limit.
  size_t line_start = 0;
  int line = 1;
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(file.fd(), buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw FileFailed(file.Describe() + " cannot be read: " + SystemErrorText(errno));
    if (got == 0) break;
    if (text.size() + static_cast<size_t>(got) > limit)
      return Refused(file,
                     "is larger than " + std::to_string(limit) + " bytes, far more than any input holds", 0);
    const size_t from = text.size();
    text.append(buffer, static_cast<size_t>(got));
    at += got;
    if (lines == LineLimit::Unchecked) continue;
    for (size_t i = from; i < text.size(); ++i) {
      if (text[i] != '\n') continue;
      if (i + 1 - line_start > kLongestLine) break;
      line_start = i + 1;
      ++line;
    }
    if (text.size() - line_start > kLongestLine)
      return Refused(file, "the line is longer than " + std::to_string(kMaxLineLength) + " characters", line);
  }
  return in;
}

WholeInput ReadInputFile(const std::string& role, const std::string& path, LineLimit lines) {
  RunFile file;
  const std::string problem = file.Open(role, path, RunFile::Kind::Input);
  if (!problem.empty()) {
    WholeInput in;
    in.Detail = problem;
    in.Problem = "the " + role + " " + path + " " + problem;
    return in;
  }
  try {
    return ReadWholeInput(file, lines);
  } catch (const FileFailed& e) {
    WholeInput in;
    in.Problem = in.Detail = e.what();
    return in;
  }
}

}  // namespace darnek
