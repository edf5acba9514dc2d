// What the tool's commands share: the usage message, the tool's own exit
// statuses and the run options for one input file.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_guard.h"
#include "core/run_file.h"
#include "darnek/darnek.h"

namespace CLI {
class App;
}

namespace darnek::tool {

// A message for standard output or standard error, written with one write
// when the statement that built it ends. The tool sets up no iostreams: their
// start-up (the standard streams and the locale) would cost every run more
// than a tenth of the run's own time.
class Say {
 public:
  explicit Say(int fd) : fd_(fd) {}
  Say(const Say&) = delete;
  Say& operator=(const Say&) = delete;
  // A failed write is ignored, as a stream's is.
  ~Say() { WriteFully(fd_, text_); }
  Say& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  // Only a char itself: a number must be turned into text first.
  template <std::same_as<char> C>
  Say& operator<<(C c) {
    text_ += c;
    return *this;
  }

 private:
  int fd_;
  std::string text_;
};
inline Say Out() { return Say(1); }
inline Say Err() { return Say(2); }

// The tool's own failures, apart from the engine's statuses (0 to 6, 10 and
// above), which `run`, `batch` and the call without arguments pass on.
constexpr int kUsageError = 7;
constexpr int kToolFileFailed = 8;  // a file or folder of the tool's own cannot be read or written
constexpr int kNotAPlotFile = 9;    // `plot` was given a file that is not plot data

// An output that names an input, another output, a link or a file that is not
// a regular file: refused before anything is written, with the engine's own
// status for a run whose files name each other.
constexpr int kFileRefused = DARNEK_HANDOFF_FAILED;

// Prints the guard's problem and what was written on stderr; returns
// kFileRefused.
int Refuse(const std::string& problem, const std::string& written = "nothing was written");

// The input and the engine's files of a run, for the command's guard.
void GuardRunFiles(FileGuard& guard, const FileNames& files);

// A command line that parses but does not make sense (a TOML input converted
// to TOML): thrown by a command, reported as an option error is, with the
// command's usage, status kUsageError.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The tool's command line, parsed by CLI11. Each command is registered by one
// function, `void AddNameCommand(CommandLine&)`, that adds its subcommand and
// gives the function that runs it, then, when the command line names that
// command (Names), its options; main lists them. Option errors and --help of
// every command come from here: errors on stderr with the command's usage
// and status kUsageError, help on stdout with status 0.
class CommandLine {
 public:
  CommandLine(int argc, char** argv);
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // Adds the command `name`; `action` runs when the command line names it,
  // once its options have parsed into what the caller bound them to, and its
  // result is the tool's exit status. Options go on the returned App.
  CLI::App& Add(const std::string& name, const std::string& description, std::function<int()> action);
  // The command line names the command `name`: only then are its options
  // registered. The tool's help lists the commands, not their options, and
  // building every command's options took 240,000 instructions, 1.5% of a
  // whole `run` of the largest example.
  bool Names(const std::string& name) const { return !arguments_.empty() && arguments_.front() == name; }
  // Parses the command line and runs the command it names; the exit status.
  int Run();
  // The arguments after the program's name, as given.
  const std::vector<std::string>& Arguments() const { return arguments_; }

 private:
  std::unique_ptr<CLI::App> app_;
  std::function<int()> chosen_;
  int argc_;
  char** argv_;
  std::vector<std::string> arguments_;
};

// The commands, one function each (app/main.cpp, batch.cpp, serve_launch.cpp).
void AddRunCommand(CommandLine& line);
void AddBatchCommand(CommandLine& line);
void AddConvertCommand(CommandLine& line);
void AddPlotCommand(CommandLine& line);
void AddServeCommand(CommandLine& line);
void AddReliabilityCommand(CommandLine& line);

// The unit of lengths or forces of a stage as the tool prints it.
std::string Unit(int unit_flag, bool length);

// The options that analyse `input` with its outputs in `dir` (beside the
// input when empty), named after the input. A TOML input is read and
// translated here: `status` is nonzero and `error` says why when it cannot be.
struct InputRun {
  RunOptions Options;
  int Status = DARNEK_OK;
  std::string Error;
};
InputRun PrepareInputRun(const std::string& input, const std::string& dir);

// Creates the folder (and its parents) when missing; on failure says why on
// stderr, naming the folder as `what` ("output", "CSV"), and returns false.
bool MakeOutputFolder(const std::string& dir, const char* what = "output");

// The outputs of `input` in `dir` (or beside it), without the extension.
std::string OutputStem(const std::string& input, const std::string& dir);

// `darnek reliability MODEL [--samples N] [--method mc|lhs|form] [--seed S]
// [--jobs N] [--no-strength-reduction] [--json FILE] [--csv FILE] [--pictures DIR]`,
// parsed.
struct ReliabilityOptions {
  std::string Model;
  std::string Method;          // empty: the model's
  int Samples = -1;            // negative: the model's
  int64_t Seed = -1;           // negative: the model's
  int Jobs = 0;                // 0: the cores
  int StrengthReduction = -1;  // 0: left out of the analyses; -1: as the model says
  std::string Json;
  std::string Csv;
  std::string Pictures;  // a folder
};
int Reliability(const ReliabilityOptions& options);

// `darnek serve [FILE] [--port N] [--host ADDR]`: replaces the process with
// darnek-serve, found beside the tool; returns only when it cannot.
int Serve(const std::vector<std::string>& args);

}  // namespace darnek::tool
