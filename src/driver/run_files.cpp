#include "driver/run_files.h"

#include <climits>
#include <vector>

#include "core/errors.h"
#include "core/file_guard.h"

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

struct Entry {
  const char* Role;
  const std::string* Given;
  RunFile* File;
  RunFile::Kind Kind;
  OutputMode Mode;  // File for the input when it is read from its file
  std::string Absolute;
  bool IsFile() const { return Mode == OutputMode::File; }
  // Whether the name stands for a file no output may be: the input's name
  // does even when its text comes from memory.
  bool Checked() const { return IsFile() || (Kind == RunFile::Kind::Input && !Given->empty()); }
  std::string Describe() const { return std::string("the ") + Role + " " + Shown(Absolute); }
};

}  // namespace

std::string AbsoluteName(const std::string& name, const std::string& folder) {
  if (name.empty() || name[0] == '/') return name;
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

FileSetUp OpenRunFiles(RunContext& ctx, const std::string& folder, const std::string& hand_off,
                       const OutputModes& modes, bool input_in_memory) {
  const FileNames& n = ctx.Names;
  RunFiles& f = ctx.Files;
  using Kind = RunFile::Kind;
  const OutputMode input_mode = input_in_memory ? OutputMode::Memory : OutputMode::File;
  Entry entries[] = {{"input data file", &n.Input, &f.Input, Kind::Input, input_mode, {}},
                     {"report file", &n.Report, &f.Report, Kind::Output, modes.Report, {}},
                     {"plot-data file", &n.Plot, &f.Plot, Kind::Output, modes.Plot, {}},
                     {"run-log file", &n.RunLog, &f.RunLog, Kind::Output, modes.RunLog, {}},
                     {"p-y scratch file", &n.PyScratch, &f.PyScratch, Kind::Scratch, modes.PyScratch, {}},
                     {"pressure scratch file",
                      &n.PressureScratch,
                      &f.PressureScratch,
                      Kind::Scratch,
                      modes.PressureScratch,
                      {}}};
  constexpr size_t kCount = std::size(entries);
  FileSetUp setup;
  for (Entry& e : entries) {
    // A name that labels no file needs none and can do no harm.
    if (!e.IsFile()) {
      e.Absolute = AbsoluteName(*e.Given, folder);
      continue;
    }
    if (e.Given->empty()) {
      setup.Problem = std::string("the ") + e.Role + " has no name";
      setup.InputMissing = e.File == &f.Input;
      return setup;
    }
    e.Absolute = AbsoluteName(*e.Given, folder);
    const std::string problem = LengthProblem(e.Absolute);
    if (!problem.empty()) {
      setup.Problem = e.Describe() + " " + problem;
      return setup;
    }
  }

  // The input first: when it cannot be read, that is what to say.
  Entry& input = entries[0];
  std::string reason = input.IsFile() ? input.File->Open(input.Role, input.Absolute, input.Kind) : "";
  if (!reason.empty()) {
    setup.Problem = input.Describe() + " " + reason;
    setup.InputMissing = true;
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
  std::vector<FileLocation> where;
  for (const Entry& e : entries) where.push_back(e.Checked() ? LocateFile(e.Absolute) : FileLocation{});
  where.push_back(hand_off.empty() ? FileLocation{} : LocateFile(hand_off));
  setup.Problem = aliases([&](size_t i, size_t j) { return SameFile(where[i], where[j]); });
  const auto discard_all = [&] {
    for (Entry& e : entries) e.File->Discard();
  };
  if (!setup.Problem.empty()) {
    discard_all();
    return setup;
  }
  for (size_t i = 0; i < kCount; ++i) {
    Entry& e = entries[i];
    if (e.File->IsOpen() || e.Kind == Kind::Input) continue;
    if (!e.IsFile()) {
      e.File->OpenInMemory(e.Role, e.Mode == OutputMode::Memory);
      continue;
    }
    reason = e.File->Open(e.Role, e.Absolute, e.Kind, where[i].Exists);
    if (!reason.empty()) {
      discard_all();
      setup.Problem = e.Describe() + " " + reason;
      return setup;
    }
  }
  // The same test on the open files, for links and for files that appeared
  // in the meantime.
  std::vector<FileIdentity> opened;
  for (const Entry& e : entries) opened.push_back(e.File->Regular() ? e.File->Identity() : FileIdentity{});
  opened.push_back(hand_off.empty() ? FileIdentity{} : LocateFile(hand_off).Identity);
  setup.Problem =
      aliases([&](size_t i, size_t j) { return opened[j] != FileIdentity{} && opened[i] == opened[j]; });
  if (!setup.Problem.empty()) {
    discard_all();
    return setup;
  }
  // Only now is anything changed: the outputs start empty.
  try {
    f.Report.Restart();
    f.Plot.Restart();
    f.RunLog.Restart();
  } catch (const FileFailed& e) {
    discard_all();
    setup.Problem = e.what();
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
  attempt([&] { ctx.Report.Close(); });
  attempt([&] { ctx.Plot.Close(); });
  attempt([&] { ctx.Log.Close(); });
  RunFiles& f = ctx.Files;
  for (RunFile* file : {&f.Report, &f.Input, &f.Plot, &f.RunLog, &f.PyScratch, &f.PressureScratch})
    attempt([&] { file->Close(); });
  return failures;
}

}  // namespace darnek
