// `darnek reliability MODEL`: the probability that each check of each stage
// fails, from the uncertain inputs of the model's `[reliability]` table
// (docs/reliability.md), with a progress bar on stderr.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/input_file.h"
#include "core/report_helpers.h"
#include "darnek/pictures.h"
#include "pictures/reliability_pictures.h"
#include "reliability/estimate.h"
#include "toml/toml_input.h"
#include "tool.h"

namespace darnek::tool {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A bar redrawn in place on a terminal, a line every tenth otherwise.
class Bar {
 public:
  void operator()(int done, int total) {
    const auto now = Clock::now();
    if (live_) {
      if (done < total && now - drawn_ < std::chrono::milliseconds(100)) return;
      drawn_ = now;
      constexpr int kWidth = 30;
      const int filled = total == 0 ? kWidth : kWidth * done / total;
      const double seconds = std::chrono::duration<double>(now - start_).count();
      const double rate = seconds > 0 ? done / seconds : 0;
      std::string text = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                         std::string(static_cast<size_t>(kWidth - filled), ' ') + "] " +
                         std::to_string(done) + "/" + std::to_string(total) + "  " + FixedText(rate, 1) +
                         " analyses/s";
      if (done < total && rate > 0) text += "  " + FixedText((total - done) / rate, 0) + " s left";
      text += "\033[K";
      if (done == total) text += "\n";
      Err() << text;
    } else if (total >= 10 && done % (total / 10) == 0) {
      Err() << "[" << std::to_string(done) << "/" << std::to_string(total) << "]\n";
    }
  }

 private:
  const bool live_ = ::isatty(STDERR_FILENO) == 1;
  const Clock::time_point start_ = Clock::now();
  Clock::time_point drawn_{};
};

bool WriteText(const char* role, const std::string& file, const std::string& text) {
  const std::string problem = WriteWholeFile(role, file, text);
  if (problem.empty()) return true;
  Err() << "darnek: " << problem << "\n";
  return false;
}

// The report.html of the model as given, its checks included; empty when
// the model cannot be drawn.
std::string ModelPage(const std::string& model) {
  InputRun prepared = PrepareInputRun(model, "");
  if (prepared.Status != DARNEK_OK) return {};
  RunOptions& run = prepared.Options;
  run.Outputs = {OutputMode::Discard, OutputMode::Memory, OutputMode::Discard, OutputMode::Discard,
                 OutputMode::Discard};
  std::ostringstream console;
  run.Console = &console;
  const RunResult result = Run(run);
  if (result.Outputs.Plot.empty()) return {};
  try {
    pictures::PictureOptions drawing = pictures::OptionsFromRun(result);
    drawing.Title = fs::path(model).filename().string();
    return pictures::DrawPlotData(result.Outputs.Plot, drawing, true).Page;
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

int Reliability(const ReliabilityOptions& options) {
  FileGuard guard;
  guard.Input("model file", options.Model);
  if (!options.Json.empty()) guard.ToolOutput("JSON file", options.Json);
  if (!options.Csv.empty()) guard.ToolOutput("CSV file", options.Csv);
  if (!options.Pictures.empty())
    guard.ToolOutput("picture file", (fs::path(options.Pictures) / "report.html").string());
  if (const std::string problem = guard.Check(); !problem.empty()) return Refuse(problem);
  const WholeInput model = ReadInputFile("model", options.Model);
  if (!model) {
    Err() << "darnek: " << model.Problem << "\n";
    return kToolFileFailed;
  }
  reliability::StudyOptions study;
  study.Method = options.Method;
  study.Samples = options.Samples;
  study.Seed = options.Seed;
  study.StrengthReduction = options.StrengthReduction;
  study.Jobs =
      options.Jobs > 0 ? options.Jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  reliability::Estimate estimate;
  try {
    Bar bar;
    estimate = reliability::RunStudy(model.Text, study, [&bar](int done, int total) { bar(done, total); });
  } catch (const toml_input::TomlError& e) {
    Err() << "darnek: " << options.Model << ", " << e.what() << "\n";
    return DARNEK_INPUT_REJECTED;
  } catch (const std::exception& e) {
    Err() << "darnek: " << options.Model << ": " << e.what() << "\n";
    return DARNEK_INPUT_REJECTED;
  }
  estimate.Model = fs::path(options.Model).filename().string();
  if (!options.Json.empty()) {
    if (!WriteText("JSON file", options.Json, reliability::EstimateJson(estimate))) return kToolFileFailed;
    Out() << "json:      " << options.Json << "\n";
  }
  if (!options.Csv.empty()) {
    if (!WriteText("CSV file", options.Csv, reliability::EstimateCsv(estimate))) return kToolFileFailed;
    Out() << "csv:       " << options.Csv << "\n";
  }
  const std::string summary = reliability::EstimateText(estimate);
  if (!options.Pictures.empty()) {
    try {
      const std::vector<std::string> files =
          pictures::WriteReliabilityPictures(estimate, options.Pictures, summary, ModelPage(options.Model));
      Out() << "pictures:  " << files.back() << "\n";
    } catch (const std::exception& e) {
      Err() << "darnek: " << e.what() << "\n";
      return kToolFileFailed;
    }
  }
  Out() << summary;
  return DARNEK_OK;
}

void AddReliabilityCommand(CommandLine& line) {
  auto o = std::make_shared<ReliabilityOptions>();
  CLI::App& c = line.Add("reliability",
                         "the probability that each design check of each stage fails, from the uncertain "
                         "inputs of the model's [reliability] table (docs/reliability.md)",
                         [o] { return Reliability(*o); });
  if (!line.Names("reliability")) return;
  c.add_option("MODEL", o->Model, "the model, a TOML file with a [reliability] table")
      ->required()
      ->type_name("");
  c.add_option("--samples", o->Samples, "the number of samples (1 or more); the model's without it")
      ->check(CLI::Range(1, 100000000))
      ->type_name("N");
  c.add_option("--method", o->Method, "Monte Carlo, Latin hypercube or FORM; the model's without it")
      ->check(CLI::IsMember({"mc", "lhs", "form"}))
      ->type_name("mc|lhs|form");
  c.add_option("--seed", o->Seed, "the random seed (0 or more); the model's without it")
      ->check(CLI::NonNegativeNumber)
      ->type_name("S");
  c.add_option("--jobs", o->Jobs, "analyse N samples at once (default: one per core)")
      ->check(CLI::Range(1, 100000000))
      ->type_name("N");
  c.add_flag_callback(
      "--no-strength-reduction", [o] { o->StrengthReduction = 0; },
      "leave strength reduction out of the analyses");
  c.add_option("--json", o->Json, "write the estimates as JSON")->type_name("FILE");
  c.add_option("--csv", o->Csv, "write the estimates as CSV")->type_name("FILE");
  c.add_option("--pictures", o->Pictures, "draw the estimates and the model's report.html into DIR")
      ->type_name("DIR");
}

}  // namespace darnek::tool
