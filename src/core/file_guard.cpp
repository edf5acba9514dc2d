#include "core/file_guard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <unordered_map>

namespace darnek {
namespace {

namespace fs = std::filesystem;

// Where a name that does not exist would be: its folder resolved (links and
// all), once per folder in a check, since a command's outputs share a few.
std::string ResolvedName(const std::string& absolute, std::unordered_map<std::string, std::string>* folders) {
  std::error_code error;
  const fs::path path(absolute);
  const fs::path name = path.filename();
  if (folders == nullptr || name.empty() || name == "." || name == "..") {
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal().string() : resolved.string();
  }
  const std::string folder = path.parent_path().string();
  auto at = folders->find(folder);
  if (at == folders->end()) {
    fs::path resolved = fs::weakly_canonical(folder, error);
    if (error) resolved = fs::path(folder).lexically_normal();
    at = folders->emplace(folder, resolved.string()).first;
  }
  return (fs::path(at->second) / name).string();
}

FileLocation Locate(const std::string& absolute, std::unordered_map<std::string, std::string>* folders) {
  FileLocation where;
  struct stat status {};
  int found = ::lstat(absolute.c_str(), &status);
  if (found == 0 && S_ISLNK(status.st_mode)) {
    where.Link = true;
    found = ::stat(absolute.c_str(), &status);
  }
  if (found == 0) {
    where.Exists = true;
    where.Device = S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode);
    where.Regular = S_ISREG(status.st_mode);
    if (!where.Regular) where.Kind = FileTypeName(status.st_mode);
    where.Identity = {status.st_dev, status.st_ino};
    return where;
  }
  where.Resolved = ResolvedName(absolute, folders);
  return where;
}

}  // namespace

const char* FileTypeName(unsigned mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

FileLocation LocateFile(const std::string& absolute) { return Locate(absolute, nullptr); }

bool SameFile(const FileLocation& a, const FileLocation& b) {
  if (a.Exists != b.Exists || a.Device || b.Device) return false;
  return a.Exists ? a.Identity == b.Identity : a.Resolved == b.Resolved;
}

void FileGuard::Input(std::string role, std::string name) {
  entries_.push_back({Kind::Input, std::move(role), std::move(name)});
}
void FileGuard::EngineOutput(std::string role, std::string name) {
  entries_.push_back({Kind::Engine, std::move(role), std::move(name)});
}
void FileGuard::ToolOutput(std::string role, std::string name) {
  entries_.push_back({Kind::Tool, std::move(role), std::move(name)});
}

std::string FileGuard::Check() const {
  std::error_code error;
  const std::string here = fs::current_path(error).string();
  std::unordered_map<std::string, std::string> folders;
  std::vector<FileLocation> where;
  where.reserve(entries_.size());
  for (const Entry& e : entries_)
    where.push_back(Locate(e.Name.empty() || e.Name[0] == '/' ? e.Name : here + "/" + e.Name, &folders));
  const auto describe = [&](size_t i) { return "the " + entries_[i].Role + " " + entries_[i].Name; };
  // One key per file, so that a batch of thousands compares in one pass. The
  // inputs go first: an input read twice harms nothing, and an output that
  // meets a key already taken is named with what it would destroy.
  std::unordered_map<std::string, size_t> first;
  for (const bool inputs : {true, false}) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      if ((entries_[i].Kind == Kind::Input) != inputs || where[i].Device) continue;
      const FileLocation& w = where[i];
      const std::string key =
          w.Exists ? std::to_string(w.Identity.Device) + ":" + std::to_string(w.Identity.Inode) + "\n"
                   : w.Resolved;
      const auto [at, fresh] = first.emplace(key, i);
      if (!fresh && !inputs) return describe(i) + " is the same file as " + describe(at->second);
    }
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Kind != Kind::Tool) continue;
    if (where[i].Link)
      return describe(i) + " is a symbolic link; the tool writes its own files only under their own names";
    if (where[i].Exists && !where[i].Regular)
      return describe(i) + " is not a regular file: it is " + where[i].Kind;
  }
  return {};
}

WholeFile::~WholeFile() { Drop(); }

void WholeFile::Drop() noexcept {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(temporary_.c_str());
  fd_ = -1;
}

std::string WholeFile::Problem(const char* what, int error) const {
  return "the " + role_ + " " + name_ + " " + what + ": " + SystemErrorText(error);
}

std::string WholeFile::Open(const std::string& role, const std::string& name) {
  Drop();
  role_ = role;
  name_ = name;
  text_.clear();
  const fs::path path(name);
  const std::string base = path.filename().string();
  if (base.empty() || base == "." || base == "..") return "the " + role + " " + name + " names no file";
  // Hidden and beside the final name: the rename stays within one folder (one
  // file system), and a look at the folder mid-run does not take it for a
  // result. Kept short enough for the system whatever the final name's length.
  static std::atomic<unsigned> count{0};
  const std::string stem = "." + base.substr(0, 200) + ".darnek-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = (path.parent_path() / (stem + std::to_string(count.fetch_add(1)))).string();
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) break;
    if (errno != EEXIST) return Problem("cannot be written", errno);
  }
  if (fd_ < 0) return Problem("cannot be written", EEXIST);
  // A file written again keeps the permissions it had.
  struct stat status {};
  if (::stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode))
    static_cast<void>(::fchmod(fd_, status.st_mode & 07777));
  return {};
}

std::string WholeFile::Commit(std::string_view last) {
  if (fd_ < 0) return Problem("cannot be written", EBADF);
  iovec parts[] = {{text_.data(), text_.size()}, {const_cast<char*>(last.data()), last.size()}};
  int error = WriteFully(fd_, parts);
  text_ = std::string();
  const int closed = ::close(fd_);
  if (error == 0 && closed != 0) error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temporary_.c_str(), name_.c_str()) != 0) error = errno;
  if (error == 0) return {};
  ::unlink(temporary_.c_str());
  return Problem("cannot be written", error);
}

std::string WriteWholeFile(const std::string& role, const std::string& name, std::string_view text) {
  WholeFile file;
  std::string problem = file.Open(role, name);
  if (!problem.empty()) return problem;
  return file.Commit(text);
}

}  // namespace darnek
