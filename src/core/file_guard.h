// The one check that every file a command writes goes through, and the one
// way the tool writes a file of its own.
//
// A command names its inputs and its outputs to a FileGuard before it opens
// anything for writing; the guard compares every output with every input and
// every other output (by device and inode for a file that exists, by the
// absolute name with its folders resolved for one that does not) and refuses
// a file of the tool's own that is a link or not a regular file. The engine's
// own files are compared the same way when a run opens them (driver/run_files).
//
// The tool's own files are written whole: into a temporary file beside the
// final name, renamed to it when complete, so that a run stopped half-way
// never leaves half a file under the final name, and a link or a second name
// of another file is replaced, never written through.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_file.h"

namespace darnek {

// Where a name leads: the file itself when it exists (links followed), else
// the absolute name with its folders resolved.
struct FileLocation {
  bool Exists = false;
  bool Device = false;   // a character or block device: holds nothing to lose
  bool Link = false;     // the name itself is a symbolic link
  bool Regular = false;  // the file it leads to is a regular file
  std::string Kind;      // what it is when it is not a regular file ("a folder")
  FileIdentity Identity;
  std::string Resolved;
};
FileLocation LocateFile(const std::string& absolute);

// Whether two names are one file. Two devices never are: two outputs sent to
// /dev/null lose nothing.
bool SameFile(const FileLocation& a, const FileLocation& b);

// What a file is, for a message: "a folder", "a pipe (FIFO)", ...
const char* FileTypeName(unsigned mode);

class FileGuard {
 public:
  // A file the command reads.
  void Input(std::string role, std::string name);
  // A file the engine writes (report, plot data, run log, scratch): compared
  // with the rest; whether it may be a device or a link is the engine's rule.
  void EngineOutput(std::string role, std::string name);
  // A file the tool writes whole (WholeFile): a regular file or none, never a
  // symbolic link.
  void ToolOutput(std::string role, std::string name);

  // Empty when every output is a file of its own; otherwise the first problem,
  // naming the output and the file it would destroy ("the JSON results file
  // a.json is the same file as the input file w.dat").
  std::string Check() const;

 private:
  enum class Kind { Input, Engine, Tool };
  struct Entry {
    FileGuard::Kind Kind;
    std::string Role;
    std::string Name;
  };
  std::vector<Entry> entries_;
};

// A file of the tool's own, written whole: Open makes a temporary file beside
// `name`, Commit renames it to `name`. A WholeFile that is dropped before its
// Commit removes the temporary file and leaves `name` as it was.
class WholeFile {
 public:
  WholeFile() = default;
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // `role` names the file in messages ("summary file"). Returns the problem,
  // empty when the temporary file is open.
  std::string Open(const std::string& role, const std::string& name);
  // Buffered in memory until Commit.
  void Write(std::string_view text) { text_.append(text); }
  // Writes what Write was given and then `last` (not copied), closes and
  // renames; returns the problem, empty on success.
  std::string Commit(std::string_view last = {});

 private:
  void Drop() noexcept;
  std::string Problem(const char* what, int error) const;

  int fd_ = -1;
  std::string role_;
  std::string name_;
  std::string temporary_;
  std::string text_;
};

// Writes `text` whole to `name` as above; returns the problem, empty on
// success.
std::string WriteWholeFile(const std::string& role, const std::string& name, std::string_view text);

}  // namespace darnek
