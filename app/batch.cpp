// `darnek batch`: many inputs analysed on several threads, each run on its own
// files as `run` would make them, with a summary table and progress on stderr.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/report_helpers.h"
#include "darnek/darnek.h"
#include "tool.h"

namespace darnek::tool {
namespace {

using Clock = std::chrono::steady_clock;

struct Outcome {
  RunResult Result;
  std::string Console;  // what the run said on its console
};

// The shortest text that reads back as the same double, without the locale.
std::string Number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// A CSV field, quoted when it holds a separator, a quote or a line break.
std::string Csv(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// One row per stage; a file that ended before its first stage has one row
// without a stage. Depths are in the report's units: feet for English units.
void WriteSummary(std::ostream& out, const std::vector<std::string>& inputs,
                  const std::vector<Outcome>& outcomes) {
  size_t tie_backs = 0;
  for (const Outcome& o : outcomes)
    for (const StageSummary& s : o.Result.Stages) tie_backs = std::max(tie_backs, s.TieBacks.size());
  out << "file,status,message,stage,outcome,iterations,load_fraction,max_deflection,max_deflection_depth,"
         "max_moment,max_moment_depth,deflection_unit,depth_unit,moment_unit,force_unit";
  for (size_t t = 1; t <= tie_backs; ++t) out << ",tie_back_" << std::to_string(t) << "_force";
  out << "\n";
  for (size_t i = 0; i < inputs.size(); ++i) {
    const RunResult& r = outcomes[i].Result;
    const std::string lead = Csv(inputs[i]) + "," + std::to_string(r.Status) + "," + Csv(r.Message) + ",";
    if (r.Stages.empty()) {
      out << lead << std::string(11 + tie_backs, ',') << "\n";
      continue;
    }
    for (const StageSummary& s : r.Stages) {
      out << lead << std::to_string(s.Stage) << "," << Csv(s.Outcome) << "," << std::to_string(s.Iterations);
      // The share of the stage's loads that load stepping carried, where the
      // iteration did not close and it was tried.
      out << "," << (s.LoadStepped ? Number(s.LoadFraction) : "");
      const bool english = s.UnitFlag > 0;
      if (s.Solved) {
        out << "," << Number(s.MaxDeflection) << "," << Number(s.MaxDeflectionReportDepth) << ","
            << Number(s.MaxMoment) << "," << Number(s.MaxMomentReportDepth);
      } else {
        out << ",,,,";
      }
      const std::string length = Unit(s.UnitFlag, true), force = Unit(s.UnitFlag, false);
      out << "," << length << "," << (english ? "ft" : length) << ","
          << (s.UnitFlag != 0 ? force + "-" + length : "") << "," << force;
      for (size_t t = 0; t < tie_backs; ++t)
        out << "," << (s.Solved && t < s.TieBacks.size() ? Number(s.TieBacks[t].ForcePerTieBack) : "");
      out << "\n";
    }
  }
}

// The progress of a batch on stderr: a bar redrawn in place on a terminal,
// a line per finished input otherwise. Failures always get a line of their own.
class Progress {
 public:
  explicit Progress(size_t total) : total_(total), live_(::isatty(STDERR_FILENO) == 1) {}

  void Finished(const std::string& input, const Outcome& outcome) {
    const std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    const RunResult& r = outcome.Result;
    std::string note;
    // The console usually tells the failure already; the message only when not.
    if (r.Status != DARNEK_OK && (r.Message.empty() || outcome.Console.find(r.Message) == std::string::npos))
      note = "darnek: " + input + ": " + (r.Message.empty() ? "failed" : r.Message);
    if (!outcome.Console.empty()) {
      std::istringstream said(outcome.Console);
      for (std::string line; std::getline(said, line);)
        if (!line.empty()) {
          if (!note.empty()) note += '\n';
          ((note += "darnek: ") += input) += ": ";
          note += line;
        }
    }
    // Each report goes out in one write: stderr is unbuffered, and the other
    // jobs wait for this lock.
    std::string text;
    if (live_) {
      if (!note.empty()) ((text += "\r\033[K") += note) += "\n";
      const auto now = Clock::now();
      if (done_ == total_ || !note.empty() || now - drawn_ >= std::chrono::milliseconds(100)) {
        drawn_ = now;
        ((text += "\r") += Bar(now)) += "\033[K";
        if (done_ == total_) text += "\n";
      }
    } else {
      ((((text += "[") += std::to_string(done_)) += "/") += std::to_string(total_)) += "] ";
      ((text += input) += ": ") +=
          r.Status == DARNEK_OK ? "complete" : "failed (status " + std::to_string(r.Status) + ")";
      text += "\n";
      if (!note.empty()) (text += note) += "\n";
    }
    Err() << text;
  }

 private:
  std::string Bar(Clock::time_point now) const {
    constexpr size_t kWidth = 30;
    const size_t filled = total_ == 0 ? kWidth : kWidth * done_ / total_;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
    std::string bar = std::string(1, '[') + std::string(filled, '#') + std::string(kWidth - filled, ' ') +
                      "] " + std::to_string(done_) + "/" + std::to_string(total_) + "  " +
                      FixedText(rate, 1) + " files/s";
    if (done_ < total_ && rate > 0)
      bar += "  " + FixedText(static_cast<double>(total_ - done_) / rate, 0) + " s left";
    return bar;
  }

  std::mutex mutex_;
  const size_t total_;
  const bool live_;
  size_t done_ = 0;
  const Clock::time_point start_ = Clock::now();
  Clock::time_point drawn_{};
};

// `room` is the worker's own result, run after run: each run's file buffers
// are the ones the run before it wrote through.
Outcome Analyse(const std::string& input, const std::string& out_dir, double curve_spacing, RunResult& room) {
  Outcome outcome;
  InputRun prepared = PrepareInputRun(input, out_dir);
  if (prepared.Status != DARNEK_OK) {
    outcome.Result.Status = prepared.Status;
    outcome.Result.Message = prepared.Error;
    return outcome;
  }
  // The command line's spacing wins over the file's.
  if (curve_spacing > 0) prepared.Options.CurveSpacing = curve_spacing;
  // Each run speaks on its own console, shown with the file's name.
  std::ostringstream console;
  prepared.Options.Console = &console;
  // The summary has no columns for design checks, and their strength
  // reduction would analyse every stage a dozen times more for nothing:
  // `run` and the Python package give them.
  prepared.Options.Design.reset();
  try {
    Run(prepared.Options, room);
    outcome.Result = std::move(room);
    room.Outputs = std::move(outcome.Result.Outputs);
  } catch (const std::exception& e) {
    outcome.Result.Status = DARNEK_INTERNAL_ERROR;
    outcome.Result.Message = e.what();
  }
  outcome.Console = console.str();
  return outcome;
}

struct BatchArgs {
  std::vector<std::string> Inputs;
  std::string OutDir;
  std::string Summary;
  unsigned Jobs = std::max(1u, std::thread::hardware_concurrency());
  double CurveSpacing = 0;  // 0: the files' own
};

int Batch(const BatchArgs& args) {
  const std::vector<std::string>& inputs = args.Inputs;
  const std::string& out_dir = args.OutDir;
  const std::string& summary = args.Summary;
  const unsigned jobs = args.Jobs;
  const double curve_spacing = args.CurveSpacing;

  // Every input's outputs against every input and every other output: two
  // inputs whose outputs would be the same files (a.dat and a.toml, one name
  // in two folders sent to one --out, or a folder and a link to it) would
  // overwrite each other.
  FileGuard guard;
  for (const std::string& input : inputs) guard.Input("input file", input);
  for (const std::string& input : inputs) {
    const std::string stem = OutputStem(input, out_dir);
    guard.EngineOutput("report file", stem + ".out");
    guard.EngineOutput("plot-data file", stem + ".plt");
    guard.EngineOutput("run-log file", stem + ".log");
    guard.EngineOutput("p-y scratch file", stem + ".pyscratch");
    guard.EngineOutput("pressure scratch file", stem + ".epscratch");
  }
  if (!summary.empty()) guard.ToolOutput("summary file", summary);
  if (const std::string problem = guard.Check(); !problem.empty()) return Refuse(problem);
  if (!out_dir.empty() && !MakeOutputFolder(out_dir)) return kToolFileFailed;
  // The summary's temporary file is made first: a table that cannot be
  // written is found out before any work is done.
  WholeFile table;
  if (!summary.empty()) {
    if (const std::string problem = table.Open("summary file", summary); !problem.empty()) {
      Err() << "darnek: " << problem << "\n";
      return kToolFileFailed;
    }
  }

  std::vector<Outcome> outcomes(inputs.size());
  Progress progress(inputs.size());
  std::atomic<size_t> next{0};
  const auto work = [&] {
    RunResult room;
    for (size_t i; (i = next.fetch_add(1)) < inputs.size();) {
      outcomes[i] = Analyse(inputs[i], out_dir, curve_spacing, room);
      progress.Finished(inputs[i], outcomes[i]);
    }
  };
  {
    std::vector<std::jthread> threads;
    const size_t count = std::min<size_t>(jobs, inputs.size());
    for (size_t t = 1; t < count; ++t) threads.emplace_back(work);
    work();
  }

  size_t failed = 0;
  int status = DARNEK_OK;
  for (const Outcome& o : outcomes) {
    if (o.Result.Status == DARNEK_OK) continue;
    if (failed++ == 0) status = o.Result.Status;
  }
  Out() << std::to_string(inputs.size()) << (inputs.size() == 1 ? " input: " : " inputs: ")
        << std::to_string(inputs.size() - failed) << " succeeded, " << std::to_string(failed) << " failed\n";
  for (size_t i = 0; i < inputs.size(); ++i)
    if (outcomes[i].Result.Status != DARNEK_OK)
      Out() << "failed:    " << inputs[i] << " (status " << std::to_string(outcomes[i].Result.Status)
            << ")\n";
  if (!summary.empty()) {
    std::ostringstream text;
    WriteSummary(text, inputs, outcomes);
    table.Write(text.str());
    if (const std::string problem = table.Commit(); !problem.empty()) {
      Err() << "darnek: " << problem << "\n";
      return kToolFileFailed;
    }
    Out() << "summary:   " << summary << "\n";
  }
  return status;
}

}  // namespace

void AddBatchCommand(CommandLine& line) {
  auto a = std::make_shared<BatchArgs>();
  CLI::App& batch = line.Add("batch", "analyse many inputs on several threads, each as `run` would",
                             [a] { return Batch(*a); });
  if (!line.Names("batch")) return;
  batch.add_option("INPUT", a->Inputs, "the input files, records or TOML")->required()->type_name("");
  batch.add_option("--jobs", a->Jobs, "analyse N inputs at once (1 to 1024; default: one per core)")
      ->check(CLI::Validator(
          [](const std::string& text) {
            unsigned n = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
            return error == std::errc() && end == text.data() + text.size() && n >= 1 && n <= 1024
                       ? std::string()
                       : "needs a whole number from 1 to 1024, not " + text;
          },
          ""))
      ->type_name("N");
  batch.add_option("--out", a->OutDir, "the folder of every input's outputs; beside each input without it")
      ->type_name("DIR");
  batch.add_option("--summary", a->Summary, "write one CSV row per stage of every input")
      ->type_name("FILE.csv");
  batch
      .add_option("--curve-spacing", a->CurveSpacing,
                  "generate p-y curves every S inches or metres, for every input")
      ->check(CLI::Validator(
          [](const std::string& text) {
            double value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            return error == std::errc() && end == text.data() + text.size() && std::isfinite(value) &&
                           value > 0
                       ? std::string()
                       : "needs a number above 0, not " + text;
          },
          ""))
      ->type_name("S");
  batch.footer(
      "The exit status is the first failing input's in the order given (0 when every input succeeded).");
}

}  // namespace darnek::tool
