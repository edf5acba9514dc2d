#include "core/run_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/errors.h"
#include "core/file_guard.h"

namespace darnek {
namespace {

// Few system calls for the largest outputs, and few fresh pages: the tool's
// run of the largest example makes 36 writes with 32 KB buffers (93 with
// 8 KB, 25 with 64 KB), and 64 KB buffers made that whole run about 7%
// slower for the pages their first filling touches.
constexpr size_t kBufferSize = 1 << 15;

// strerror_r comes in two shapes; both are thread-safe, strerror is not.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] const char* ErrorText(const char* result, const char*) { return result; }

}  // namespace

std::string SystemErrorText(int error) {
  char buffer[256] = {};
  return ErrorText(strerror_r(error, buffer, sizeof buffer), buffer);
}

RunFile::RunFile(RunFile&& other) noexcept { *this = std::move(other); }

RunFile& RunFile::operator=(RunFile&& other) noexcept {
  if (this == &other) return *this;
  Abandon();
  fd_ = other.fd_;
  target_ = other.target_;
  text_ = std::move(other.text_);
  identity_ = other.identity_;
  moved_ = other.moved_;
  kind_ = other.kind_;
  role_ = std::move(other.role_);
  path_ = std::move(other.path_);
  buffer_ = std::move(other.buffer_);
  created_ = other.created_;
  written_ = other.written_;
  failed_ = other.failed_;
  regular_ = other.regular_;
  other.fd_ = -1;
  other.target_ = Target::Descriptor;
  return *this;
}

std::string RunFile::Open(const std::string& role, const std::string& path, Kind kind, bool existing) {
  Abandon();
  kind_ = kind;
  role_ = role;
  path_ = path;
  created_ = written_ = failed_ = moved_ = false;
  // Non-blocking while opening, so that a pipe with no one at its other end
  // is refused instead of waiting forever.
  int fd = -1;
  if (kind == Kind::Input) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "cannot be opened: " + SystemErrorText(errno);
  } else {
    const int flags = (kind == Kind::Scratch ? O_RDWR | O_NOFOLLOW : O_WRONLY) | O_NONBLOCK | O_CLOEXEC;
    // Created here or already there: a file this run created goes again when
    // the run cannot start. A name that was there is opened as it is first,
    // and created only when it has gone since.
    if (existing) fd = ::open(path.c_str(), flags);
    if (fd < 0 && (!existing || errno == ENOENT)) {
      fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
      if (fd >= 0) {
        created_ = true;
      } else if (errno == EEXIST) {
        fd = ::open(path.c_str(), flags);
      }
    }
    if (fd < 0) {
      const int error = errno;
      struct stat link {};
      if (kind == Kind::Scratch && error == ELOOP && ::lstat(path.c_str(), &link) == 0 &&
          S_ISLNK(link.st_mode))
        return "is a symbolic link; a scratch file is never written through one";
      return "cannot be opened for writing: " + SystemErrorText(error);
    }
  }
  struct stat status {};
  std::string problem;
  if (::fstat(fd, &status) != 0) {
    problem = "cannot be examined: " + SystemErrorText(errno);
  } else if (kind != Kind::Output && !S_ISREG(status.st_mode)) {
    problem = std::string("is not a regular file: it is ") + FileTypeName(status.st_mode);
  } else if (!S_ISREG(status.st_mode)) {
    // Reads and writes of a regular file never wait, whatever the flag says.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0)
      problem = "cannot be set up for writing: " + SystemErrorText(errno);
  }
  if (!problem.empty()) {
    ::close(fd);
    if (created_) ::unlink(path.c_str());
    created_ = false;
    return problem;
  }
  fd_ = fd;
  regular_ = S_ISREG(status.st_mode);
  identity_ = {status.st_dev, status.st_ino};
  return {};
}

void RunFile::OpenInMemory(const std::string& role, bool keep) {
  Abandon();
  target_ = keep ? Target::Memory : Target::Nowhere;
  text_.clear();
  kind_ = Kind::Output;
  role_ = role;
  path_.clear();
  created_ = written_ = failed_ = regular_ = false;
}

std::string RunFile::Describe() const { return "the " + role_ + " " + path_; }

void RunFile::Lend(std::string room) {
  room.clear();
  if (target_ == Target::Memory)
    text_ = std::move(room);
  else if (target_ == Target::Descriptor && kind_ != Kind::Input && room.capacity() > buffer_.capacity())
    buffer_ = std::move(room);
}

std::string RunFile::TakeText(bool room) {
  if (target_ != Target::Memory) {
    if (!room) return {};
    buffer_.clear();
    return std::move(buffer_);
  }
  target_ = Target::Nowhere;
  return std::move(text_);
}

void RunFile::Fail(const char* what, int error) {
  failed_ = true;
  buffer_.clear();
  throw FileFailed(Describe() + " " + what + ": " + SystemErrorText(error));
}

int WriteFully(int fd, std::span<iovec> parts) noexcept {
  iovec* next = parts.data();
  size_t count = parts.size();
  // Nothing to write makes no system call.
  while (count > 0 && next->iov_len == 0) {
    ++next;
    --count;
  }
  while (count > 0) {
    const ssize_t n = ::writev(fd, next, static_cast<int>(count));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    auto left = static_cast<size_t>(n);
    while (count > 0 && left >= next->iov_len) {
      left -= next->iov_len;
      ++next;
      --count;
    }
    if (count > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + left;
      next->iov_len -= left;
    }
  }
  return 0;
}

void RunFile::WriteOut(const char* data, size_t size) {
  moved_ = true;
  if (const int error = WriteFully(fd_, std::string_view(data, size))) Fail("cannot be written", error);
}

void RunFile::Restart() {
  if (target_ != Target::Descriptor) {
    text_.clear();
    return;
  }
  if (fd_ < 0) throw std::logic_error("a file of the run is used before it was opened");
  if (failed_) return;
  buffer_.clear();
  written_ = true;
  // Devices (a report sent to /dev/null) have no contents to drop, and a
  // file this run created and has not written is empty already.
  if (!regular_ || (created_ && !moved_)) return;
  if (::ftruncate(fd_, 0) != 0) Fail("cannot be emptied", errno);
  if (moved_ && ::lseek(fd_, 0, SEEK_SET) < 0) Fail("cannot be rewound", errno);
  moved_ = false;
}

// An output in memory takes its room in few, large steps. Room that is never
// written costs nothing but addresses, while every step copies the text
// into fresh pages, each a fault on its first touch, and on a virtual
// machine a fault costs as much as formatting a page's text. Rare, so out
// of line: the append every record takes (Keep) stays short and inline.
[[gnu::noinline, gnu::cold]] void RunFile::MakeRoom(size_t more) {
  constexpr size_t kFirstRoom = size_t{1} << 20;
  text_.reserve(std::max({text_.size() + more, kFirstRoom, 8 * text_.capacity()}));
}

void RunFile::Write(std::string_view text) {
  if (target_ == Target::Memory) Keep(text, false);
  if (fd_ < 0 || failed_) return;
  written_ = true;
  if (buffer_.capacity() < kBufferSize) buffer_.reserve(kBufferSize);
  if (buffer_.size() + text.size() > kBufferSize) {
    Flush();
    if (text.size() >= kBufferSize) {
      WriteOut(text.data(), text.size());
      return;
    }
  }
  buffer_.append(text);
}

void RunFile::WriteLine(std::string_view text) {
  // Straight into the buffer when it has room: a record and its newline
  // are copied once.
  if (fd_ >= 0 && !failed_ && buffer_.capacity() >= kBufferSize &&
      buffer_.size() + text.size() < kBufferSize) {
    written_ = true;
    buffer_.append(text);
    buffer_.push_back('\n');
    return;
  }
  if (target_ == Target::Memory) return Keep(text, true);
  Write(text);
  Write("\n");
}

void RunFile::Flush() {
  if (fd_ < 0 || failed_ || buffer_.empty()) return;
  WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void RunFile::Close() {
  if (fd_ < 0) return;
  try {
    Flush();
  } catch (...) {
    Abandon();
    throw;
  }
  const int result = ::close(fd_);
  const int error = errno;
  fd_ = -1;
  // The buffer's room stays for TakeText to hand on.
  buffer_.clear();
  if (kind_ == Kind::Scratch && created_ && !written_) ::unlink(path_.c_str());
  if (result != 0 && !failed_) Fail("cannot be closed", error);
}

void RunFile::Discard() noexcept {
  if (fd_ < 0) return;
  Abandon();
  if (created_) ::unlink(path_.c_str());
}

void RunFile::Abandon() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  target_ = Target::Descriptor;
  buffer_ = std::string();
}

RunFileStream::RunFileStream(const RunFile& file) : std::istream(nullptr), buffer_(file) {
  rdbuf(&buffer_);
  // A failed read ends the run through FileFailed, not as an early end of file.
  exceptions(std::ios::badbit);
}

namespace {

// Reads what is next in the file into `data`: how much, 0 at its end.
size_t ReadPiece(const RunFile& file, char* data, size_t size) {
  ssize_t n;
  do {
    n = ::read(file.fd(), data, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) throw FileFailed(file.Describe() + " cannot be read: " + SystemErrorText(errno));
  return static_cast<size_t>(n);
}

}  // namespace

RunFileStream::Buffer::int_type RunFileStream::Buffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  const size_t n = ReadPiece(file_, data_, sizeof data_);
  if (n == 0) return traits_type::eof();
  setg(data_, data_, data_ + n);
  return traits_type::to_int_type(*gptr());
}

bool RunFileLines::Refill() {
  const size_t n = ReadPiece(file_, data_.get(), kSize);
  if (n == 0) return false;
  next_ = data_.get();
  end_ = data_.get() + n;
  return true;
}

}  // namespace darnek
