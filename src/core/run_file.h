// A file of the run, held open through one descriptor from the start of the
// run to its end: the input, the report, plot and run-log files, and the two
// scratch files, which are rewritten through the same descriptor in every
// stage. Holding them open means a host that changes directory or renames
// files mid-run cannot split a run between folders, and every write is
// checked where it happens.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <istream>
#include <memory>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>

#include "core/list_reader.h"

namespace darnek {

// The system's text for an error number.
std::string SystemErrorText(int error);

// Writes every byte of `parts` to `fd`, in one system call when the system
// takes them all at once, again after a signal: 0, or the error number of
// the write that failed (EIO for one that wrote nothing). The parts are used
// up as they go out.
int WriteFully(int fd, std::span<iovec> parts) noexcept;
inline int WriteFully(int fd, std::string_view text) noexcept {
  iovec part{const_cast<char*>(text.data()), text.size()};
  return WriteFully(fd, std::span<iovec>(&part, 1));
}

// The identity of a file on this machine: two names with the same identity
// are one file.
struct FileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

class RunFile {
 public:
  enum class Kind {
    Input,    // read only; must be a regular file; opening never blocks
    Output,   // written from the start; created when missing, links followed
    Scratch,  // rewritten in every stage; a regular file, never through a symbolic link
  };

  RunFile() = default;
  ~RunFile() { Abandon(); }
  RunFile(RunFile&& other) noexcept;
  RunFile& operator=(RunFile&& other) noexcept;
  RunFile(const RunFile&) = delete;
  RunFile& operator=(const RunFile&) = delete;

  // Opens `path` (absolute) without truncating it; `role` names the file in
  // messages ("report file"). On failure returns the reason (empty when
  // open) and leaves nothing created. `existing` says the name was seen to
  // exist a moment ago, which saves a refused create.
  std::string Open(const std::string& role, const std::string& path, Kind kind, bool existing = false);
  // An output that is no file: what is written is kept in memory (TakeText
  // hands it over), or dropped when `keep` is false. Nothing can fail.
  void OpenInMemory(const std::string& role, bool keep);
  // Gives the output the room of a string from an earlier run: the text of
  // an output in memory, or the write buffer of a file, grows into it
  // instead of into fresh memory. Call after opening.
  void Lend(std::string room);
  // The text kept in memory; empty for a file or a dropped output. With
  // `room`, a file hands back its write buffer, emptied, for the next run.
  std::string TakeText(bool room = false);

  bool IsOpen() const { return fd_ >= 0 || target_ != Target::Descriptor; }
  // An output the run drops: what is written goes nowhere, and a writer may
  // leave it unwritten.
  bool Discarded() const { return target_ == Target::Nowhere; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // "the report file /folder/wall.out"
  std::string Describe() const;
  FileIdentity Identity() const { return fd_ >= 0 ? identity_ : FileIdentity{}; }
  bool Regular() const { return regular_; }

  // Empties the file and starts writing it again from the beginning.
  void Restart();
  // Buffered; a failed write throws FileFailed naming the file and the reason.
  void Write(std::string_view text);
  // The text and a newline.
  void WriteLine(std::string_view text);
  void Flush();
  // Flushes and closes; a scratch file this run created and never wrote is
  // removed again, as it would never have existed. Throws FileFailed.
  void Close();
  // Closes without writing what is buffered and removes the file when this
  // run created it (a run that never started). Never throws.
  void Discard() noexcept;

 private:
  void Abandon() noexcept;
  void WriteOut(const char* data, size_t size);
  void Keep(std::string_view text, bool newline) {
    if (text_.size() + text.size() + 1 > text_.capacity()) MakeRoom(text.size() + 1);
    text_.append(text);
    if (newline) text_.push_back('\n');
  }
  void MakeRoom(size_t more);
  [[noreturn]] void Fail(const char* what, int error);

  enum class Target { Descriptor, Memory, Nowhere };

  int fd_ = -1;
  Target target_ = Target::Descriptor;
  std::string text_;  // what an output in memory holds
  FileIdentity identity_;
  Kind kind_ = Kind::Input;
  std::string role_;
  std::string path_;
  std::string buffer_;
  bool created_ = false;
  bool written_ = false;
  bool failed_ = false;  // after the first failure nothing more is written
  bool regular_ = false;
  bool moved_ = false;  // the offset has left the beginning since the file was opened
};

// The lines of an open file, from its current position. A failed read throws
// FileFailed out of the reading call.
class RunFileLines final : public LineSource {
 public:
  explicit RunFileLines(const RunFile& file) : file_(file), data_(new char[kSize]) {}

 private:
  static constexpr size_t kSize = size_t{1} << 14;
  bool Refill() override;
  const RunFile& file_;
  // On the heap: a run's stack reaches new pages, each a fault, for every
  // kilobyte its outer frames take.
  std::unique_ptr<char[]> data_;
};

// An input stream over an open file, from its current position. A failed read
// throws FileFailed out of the reading call.
class RunFileStream : public std::istream {
 public:
  explicit RunFileStream(const RunFile& file);

 private:
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(const RunFile& file) : file_(file) {}

   protected:
    int_type underflow() override;

   private:
    const RunFile& file_;
    char data_[1 << 14];
  };
  Buffer buffer_;
};

}  // namespace darnek
