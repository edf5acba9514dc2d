#include "driver/run_files.h"

#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <vector>

#include "core/errors.h"

namespace darnek {
namespace {

// A name as a message shows it when it is too long to show whole.
std::string Shown(const std::string& name) {
  constexpr size_t kShown = 120;
  return name.size() <= kShown
             ? name
             : name.substr(0, kShown) + "... (" + std::to_string(name.size()) + " characters)";
}

// Why the system would not take the name as it stands; empty when it would.
std::string LengthProblem(const std::string& absolute) {
  if (absolute.size() >= PATH_MAX)
    return "is longer than the system allows (at most " + std::to_string(PATH_MAX - 1) + " characters)";
  for (size_t start = 0; start < absolute.size();) {
    const size_t end = std::min(absolute.find('/', start), absolute.size());
    if (end - start > NAME_MAX)
      return "has a part of " + std::to_string(end - start) + " characters; the system allows at most " +
             std::to_string(NAME_MAX);
    start = end + 1;
  }
  return {};
}

// Where a name leads: the file itself when it exists, else the name with
// its folders resolved. Devices (two outputs sent to /dev/null) hold
// nothing to lose.
struct Location {
  bool exists = false;
  bool device = false;
  FileIdentity identity;
  std::string resolved;
};

Location Locate(const std::string& absolute) {
  Location where;
  struct stat status {};
  if (::stat(absolute.c_str(), &status) == 0) {
    where.exists = true;
    where.device = S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode);
    where.identity = {status.st_dev, status.st_ino};
    return where;
  }
  std::error_code error;
  where.resolved = std::filesystem::weakly_canonical(absolute, error).string();
  if (error) where.resolved = std::filesystem::path(absolute).lexically_normal().string();
  return where;
}

bool SameFile(const Location& a, const Location& b) {
  if (a.exists != b.exists || a.device || b.device) return false;
  return a.exists ? a.identity == b.identity : a.resolved == b.resolved;
}

struct Entry {
  const char* role;
  const std::string* given;
  RunFile* file;
  RunFile::Kind kind;
  OutputMode mode;  // File for the input when it is read from its file
  std::string absolute;
  bool IsFile() const { return mode == OutputMode::File; }
  // Whether the name stands for a file no output may be: the input's name
  // does even when its text comes from memory.
  bool Checked() const { return IsFile() || (kind == RunFile::Kind::Input && !given->empty()); }
  std::string Describe() const { return std::string("the ") + role + " " + Shown(absolute); }
};

}  // namespace

std::string AbsoluteName(const std::string& name, const std::string& folder) {
  if (name.empty() || name[0] == '/') return name;
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

FileSetUp OpenRunFiles(RunContext& ctx, const std::string& folder, const std::string& hand_off,
                       const OutputModes& modes, bool input_in_memory) {
  const FileNames& n = ctx.names;
  RunFiles& f = ctx.files;
  using Kind = RunFile::Kind;
  const OutputMode input_mode = input_in_memory ? OutputMode::Memory : OutputMode::File;
  Entry entries[] = {{"input data file", &n.input, &f.input, Kind::Input, input_mode, {}},
                     {"report file", &n.report, &f.report, Kind::Output, modes.report, {}},
                     {"plot-data file", &n.plot, &f.plot, Kind::Output, modes.plot, {}},
                     {"run-log file", &n.run_log, &f.run_log, Kind::Output, modes.run_log, {}},
                     {"p-y scratch file", &n.py_scratch, &f.py_scratch, Kind::Scratch, modes.py_scratch, {}},
                     {"pressure scratch file",
                      &n.pressure_scratch,
                      &f.pressure_scratch,
                      Kind::Scratch,
                      modes.pressure_scratch,
                      {}}};
  constexpr size_t kCount = std::size(entries);
  FileSetUp setup;
  for (Entry& e : entries) {
    // A name that labels no file needs none and can do no harm.
    if (!e.IsFile()) {
      e.absolute = AbsoluteName(*e.given, folder);
      continue;
    }
    if (e.given->empty()) {
      setup.problem = std::string("the ") + e.role + " has no name";
      setup.input_missing = e.file == &f.input;
      return setup;
    }
    e.absolute = AbsoluteName(*e.given, folder);
    const std::string problem = LengthProblem(e.absolute);
    if (!problem.empty()) {
      setup.problem = e.Describe() + " " + problem;
      return setup;
    }
  }

  // The input first: when it cannot be read, that is what to say.
  Entry& input = entries[0];
  std::string reason = input.IsFile() ? input.file->Open(input.role, input.absolute, input.kind) : "";
  if (!reason.empty()) {
    setup.problem = input.Describe() + " " + reason;
    setup.input_missing = true;
    return setup;
  }

  // No output file may be the input, the hand-off file or another output:
  // the run would destroy what it reads or mix two outputs into one.
  const std::string the_hand_off = "the hand-off file " + hand_off;
  const auto aliases = [&](auto same) -> std::string {
    for (size_t j = 1; j < kCount; ++j) {
      if (!entries[j].IsFile()) continue;
      if (!hand_off.empty() && same(j, kCount)) return entries[j].Describe() + " is " + the_hand_off;
      for (size_t i = 0; i < j; ++i)
        if (entries[i].Checked() && same(i, j))
          return entries[j].Describe() + " is the same file as " + entries[i].Describe();
    }
    return {};
  };
  std::vector<Location> where;
  for (const Entry& e : entries) where.push_back(e.Checked() ? Locate(e.absolute) : Location{});
  where.push_back(hand_off.empty() ? Location{} : Locate(hand_off));
  setup.problem = aliases([&](size_t i, size_t j) { return SameFile(where[i], where[j]); });
  const auto discard_all = [&] {
    for (Entry& e : entries) e.file->Discard();
  };
  if (!setup.problem.empty()) {
    discard_all();
    return setup;
  }
  for (Entry& e : entries) {
    if (e.file->IsOpen() || e.kind == Kind::Input) continue;
    if (!e.IsFile()) {
      e.file->OpenInMemory(e.role, e.mode == OutputMode::Memory);
      continue;
    }
    reason = e.file->Open(e.role, e.absolute, e.kind);
    if (!reason.empty()) {
      discard_all();
      setup.problem = e.Describe() + " " + reason;
      return setup;
    }
  }
  // The same test on the open files, for links and for files that appeared
  // in the meantime.
  std::vector<FileIdentity> opened;
  for (const Entry& e : entries) opened.push_back(e.file->Regular() ? e.file->Identity() : FileIdentity{});
  opened.push_back(hand_off.empty() ? FileIdentity{} : Locate(hand_off).identity);
  setup.problem =
      aliases([&](size_t i, size_t j) { return opened[j] != FileIdentity{} && opened[i] == opened[j]; });
  if (!setup.problem.empty()) {
    discard_all();
    return setup;
  }
  // Only now is anything changed: the outputs start empty.
  try {
    f.report.Restart();
    f.plot.Restart();
    f.run_log.Restart();
  } catch (const FileFailed& e) {
    discard_all();
    setup.problem = e.what();
  }
  return setup;
}

std::vector<std::string> CloseRunFiles(RunContext& ctx) {
  std::vector<std::string> failures;
  const auto attempt = [&](auto close) {
    try {
      close();
    } catch (const FileFailed& e) {
      failures.push_back(e.what());
    }
  };
  attempt([&] { ctx.report.Close(); });
  attempt([&] { ctx.plot.Close(); });
  attempt([&] { ctx.log.Close(); });
  RunFiles& f = ctx.files;
  for (RunFile* file : {&f.report, &f.input, &f.plot, &f.run_log, &f.py_scratch, &f.pressure_scratch})
    attempt([&] { file->Close(); });
  return failures;
}

}  // namespace darnek
