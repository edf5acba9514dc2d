// darnek: the command-line tool. With no arguments it behaves as the front
// end's call (NAMES.dat in the current directory); `darnek run INPUT` analyses
// one input file (records or TOML) without a hand-written NAMES.dat;
// `darnek convert` turns records into TOML and back; `darnek plot` draws a
// plot-data file. The commands are registered in main (tool.h says how).
#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/input_file.h"
#include "core/report_helpers.h"
#include "darnek/darnek.h"
#include "darnek/pictures.h"
#include "toml/toml_input.h"
#include "tool.h"

namespace fs = std::filesystem;

namespace {

using darnek::tool::Err;
using darnek::tool::kNotAPlotFile;
using darnek::tool::kToolFileFailed;
using darnek::tool::Out;
using darnek::tool::Unit;
using darnek::tool::UsageError;

// printf's %W.4e and %.2f, without the locale.
std::string E(double value) {
  std::string text = darnek::ScientificText(value, 4);
  return std::string(text.size() < 11 ? 11 - text.size() : 0, ' ') + text;
}
std::string F2(double value) { return darnek::FixedText(value, 2); }

void PrintSummary(const darnek::RunResult& result) {
  for (const darnek::StageSummary& s : result.Stages) {
    Out() << "stage " << std::to_string(s.Stage) << ": " << s.Outcome;
    if (s.Iterations > 0)
      Out() << ", " << std::to_string(s.Iterations) << (s.Iterations == 1 ? " iteration" : " iterations");
    if (s.LoadStepped && s.Solved) Out() << ", then " << std::to_string(s.LoadSteps) << " load steps";
    Out() << "\n";
    if (s.LoadStepped && !s.Solved)
      Out() << "  beyond the capacity of its supports: load stepping carried "
            << darnek::FixedText(s.LoadFraction, 3) << " of the loads\n";
    if (!s.Solved) continue;
    const std::string len = Unit(s.UnitFlag, true);
    const std::string force = Unit(s.UnitFlag, false);
    // Depths as the report prints them: feet for English units.
    const bool english = s.UnitFlag > 0;
    const double depth_factor = english ? 1.0 / 12 : 1.0;
    const char* depth_unit = english ? "ft" : (s.UnitFlag < 0 ? "m" : "");
    Out() << "  largest deflection " << E(s.MaxDeflection) << " " << len << " at depth "
          << F2(s.MaxDeflectionDepth * depth_factor) << " " << depth_unit << "\n";
    Out() << "  largest moment     " << E(s.MaxMoment) << " " << force << "-" << len << " at depth "
          << F2(s.MaxMomentDepth * depth_factor) << " " << depth_unit << "\n";
    for (const darnek::TieBackSummary& t : s.TieBacks)
      Out() << "  tie-back " << std::to_string(t.Number) << " at station " << std::to_string(t.Station)
            << ": force per tie-back " << E(t.ForcePerTieBack) << " " << force << "\n";
  }
}

// One verdict line per stage and the governing checks over the stages.
void PrintChecks(const darnek::RunResult& result) {
  const darnek::DesignSummary& d = result.Design;
  if (d.Method.empty()) return;
  Out() << "design checks, method \"" << d.Method << "\""
        << (d.Approach.empty() ? std::string() : ", approach " + d.Approach) << ":\n";
  if (!d.PartialFactors.empty()) {
    std::string table;
    for (const darnek::DesignFactorValue& f : d.PartialFactors)
      table += (table.empty() ? "" : ", ") + f.Key + " " + darnek::FixedText(f.Value, 2) +
               (f.Given ? " (given)" : "");
    Out() << "partial factors: " << table << "\n";
  }
  for (const darnek::StageChecks& c : result.Checks) {
    for (const darnek::StageChecks& k : c.Combinations)
      Out() << darnek::VerdictLine(k) << "\n    " << k.Combination << " analysis: " << k.Analysis << "\n";
    Out() << darnek::VerdictLine(c) << "\n";
  }
  std::string governing;
  for (const darnek::GoverningCheck& g : d.Governing)
    governing += (governing.empty() ? "" : ", ") + g.Check + " " + darnek::FixedText(g.Utilisation, 2) +
                 " (stage " + std::to_string(g.Stage) + (g.Combination.empty() ? "" : ", " + g.Combination) +
                 ")";
  Out() << "the wall " << (d.Verdict == "not checked" ? std::string("is not checked") : d.Verdict)
        << (governing.empty() ? "" : ": " + governing) << "\n";
  for (const std::string& unused : d.Unused)
    Err() << "darnek: warning: design data not used: " << unused << "\n";
}

// The pictures of a plot-data file as texts, or the status and message of
// why they cannot be drawn.
struct Pictures {
  darnek::pictures::DrawnFiles Drawn;
  int Status = DARNEK_OK;
  std::string Error;
};

Pictures DrawPictures(const std::string& plot_file, const darnek::pictures::PictureOptions& options) {
  Pictures pictures;
  try {
    pictures.Drawn = darnek::pictures::DrawPlotFileTexts(plot_file, options);
  } catch (const darnek::pictures::PlotFileError& e) {
    pictures.Status = e.line() == 0 ? kToolFileFailed : kNotAPlotFile;
    pictures.Error = e.what();
  } catch (const std::exception& e) {
    pictures.Status = kToolFileFailed;
    pictures.Error = e.what();
  }
  return pictures;
}

void GuardPictures(darnek::FileGuard& guard, const fs::path& dir, const Pictures& pictures) {
  for (const darnek::pictures::PictureFile& file : pictures.Drawn.Files)
    guard.ToolOutput("picture file", (dir / file.Name).string());
}

// Writes the drawn pictures into `dir`, already checked; prints where the
// page is.
int WritePictures(const fs::path& dir, const Pictures& pictures) {
  for (const std::string& note : pictures.Drawn.Notes) Err() << "darnek: " << note << "\n";
  if (pictures.Status != DARNEK_OK) {
    Err() << "darnek: " << pictures.Error << "\n";
    return pictures.Status;
  }
  if (!darnek::tool::MakeOutputFolder(dir.string(), "pictures")) return kToolFileFailed;
  std::string page;
  for (const darnek::pictures::PictureFile& file : pictures.Drawn.Files) {
    page = (dir / file.Name).string();
    const std::string problem = darnek::WriteWholeFile("picture file", page, file.Text);
    if (!problem.empty()) {
      Err() << "darnek: " << problem << "\n";
      return kToolFileFailed;
    }
  }
  Out() << "pictures:  " << page << "\n";
  return DARNEK_OK;
}

struct PlotArgs {
  std::string PlotFile;
  std::string OutDir;
};

int PlotCommand(const PlotArgs& args) {
  const std::string& plot_file = args.PlotFile;
  const std::string& out_dir = args.OutDir;
  darnek::pictures::PictureOptions options;
  options.Title = fs::path(plot_file).filename().string();
  const fs::path dir = out_dir.empty() ? fs::path(plot_file).parent_path() /
                                             (fs::path(plot_file).stem().string() + "-pictures")
                                       : fs::path(out_dir);
  const Pictures pictures = DrawPictures(plot_file, options);
  darnek::FileGuard guard;
  guard.Input("plot-data file", plot_file);
  GuardPictures(guard, dir, pictures);
  if (const std::string problem = guard.Check(); !problem.empty()) return darnek::tool::Refuse(problem);
  return WritePictures(dir, pictures);
}

bool ParseFactor(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, value);
  return parsed.ec == std::errc() && parsed.ptr == end && std::isfinite(value) && value > 0;
}

// A number above 0 that is the whole argument, for --unload-factor and
// --curve-spacing.
CLI::Validator AboveZero() {
  return CLI::Validator(
      [](const std::string& text) {
        double value = 0;
        return ParseFactor(text, value) ? std::string() : "needs a number above 0, not " + text;
      },
      "");
}

struct RunArgs {
  std::string Input;
  std::string OutDir;
  std::string JsonFile;
  std::string CsvDir;
  std::string DesignFile;
  bool Plot = false;
  bool StageMemory = false;
  double UnloadFactor = 0;  // 0: not given
  double CurveSpacing = 0;  // 0: not given
};

int RunInput(const RunArgs& args) {
  const std::string& input = args.Input;
  const std::string& out_dir = args.OutDir;
  const std::string& json_file = args.JsonFile;
  const std::string& csv_dir = args.CsvDir;
  const std::string& design_file = args.DesignFile;
  const bool plot = args.Plot;
  const fs::path in(input);
  if (!out_dir.empty() && !darnek::tool::MakeOutputFolder(out_dir)) return kToolFileFailed;
  if (!csv_dir.empty() && !darnek::tool::MakeOutputFolder(csv_dir, "CSV")) return kToolFileFailed;
  const fs::path dir = out_dir.empty() ? in.parent_path() : fs::path(out_dir);
  const std::string stem = in.stem().string();
  darnek::tool::InputRun prepared = darnek::tool::PrepareInputRun(input, out_dir);
  if (prepared.Status != DARNEK_OK) {
    Err() << "darnek: " << prepared.Error << "\n";
    return prepared.Status;
  }
  prepared.Options.KeepResults = !json_file.empty() || !csv_dir.empty();
  if (!design_file.empty()) {
    try {
      prepared.Options.Design = darnek::toml_input::ReadDesignFile(design_file);
    } catch (const darnek::toml_input::TomlError& e) {
      Err() << "darnek: " << design_file << ", " << e.what() << "\n";
      return DARNEK_INPUT_REJECTED;
    } catch (const darnek::toml_input::ConvertError& e) {
      Err() << "darnek: " << e.what() << "\n";
      return kToolFileFailed;
    }
  }
  if (args.StageMemory) prepared.Options.StageMemory = true;
  if (args.UnloadFactor > 0) prepared.Options.UnloadFactor = args.UnloadFactor;
  if (args.CurveSpacing > 0) prepared.Options.CurveSpacing = args.CurveSpacing;
  const darnek::FileNames files = *prepared.Options.Files;
  const fs::path pictures_dir = dir / (stem + "-pictures");

  // Every file of the command, checked before the run writes anything: the
  // names of the tool's own files that depend on the results (a table or a
  // picture per stage) are checked again once they are known, before any of
  // them is written.
  darnek::FileGuard guard;
  darnek::tool::GuardRunFiles(guard, files);
  if (!design_file.empty()) guard.Input("design file", design_file);
  darnek::FileGuard known = guard;
  if (!json_file.empty()) known.ToolOutput("JSON results file", json_file);
  if (!csv_dir.empty()) known.ToolOutput("CSV results file", (fs::path(csv_dir) / "stages.csv").string());
  if (plot) known.ToolOutput("picture file", (pictures_dir / "report.html").string());
  if (const std::string problem = known.Check(); !problem.empty()) return darnek::tool::Refuse(problem);

  const darnek::RunResult result = darnek::Run(prepared.Options);
  if (result.Status == DARNEK_HANDOFF_FAILED) return result.Status;

  Out() << "report:    " << files.Report << "\nplot data: " << files.Plot << "\nrun log:   " << files.RunLog
        << "\n";
  const std::vector<darnek::CsvTable> tables =
      csv_dir.empty() ? std::vector<darnek::CsvTable>{} : darnek::ResultsCsvTables(result);
  Pictures pictures;
  if (plot) {
    darnek::pictures::PictureOptions options = darnek::pictures::OptionsFromRun(result);
    options.Title = in.filename().string();
    pictures = DrawPictures(files.Plot, options);
  }
  if (!json_file.empty()) guard.ToolOutput("JSON results file", json_file);
  for (const darnek::CsvTable& table : tables)
    guard.ToolOutput("CSV results file", (fs::path(csv_dir) / table.Name).string());
  GuardPictures(guard, pictures_dir, pictures);
  if (const std::string problem = guard.Check(); !problem.empty())
    return darnek::tool::Refuse(problem,
                                "the run's own files are written, none of the results files or pictures");

  // The results files come after the run's own, and a failure to write them
  // ends the run as a failure to write any file of the run does.
  std::string results_failure;
  if (!json_file.empty()) {
    results_failure = darnek::WriteResultsJsonFile(json_file, result);
    if (results_failure.empty()) Out() << "json:      " << json_file << "\n";
  }
  if (!csv_dir.empty() && results_failure.empty()) {
    for (const darnek::CsvTable& table : tables) {
      results_failure =
          darnek::WriteWholeFile("CSV results file", (fs::path(csv_dir) / table.Name).string(), table.Text);
      if (!results_failure.empty()) break;
    }
    if (results_failure.empty()) Out() << "csv:       " << csv_dir << "\n";
  }
  if (!results_failure.empty()) Err() << " **** WRITE ERROR **** " << results_failure << "\n";
  PrintSummary(result);
  PrintChecks(result);
  // A stage whose solution broke down ends as failed; the run itself goes on.
  const std::string ending =
      result.Status == DARNEK_ANALYSIS_FAILED ? "a stage was not solved: " : "run ended early: ";
  if (result.Status != DARNEK_OK) Out() << ending << result.Message << "\n";
  if (plot) {
    const int drawn = WritePictures(pictures_dir, pictures);
    if (result.Status == DARNEK_OK && results_failure.empty()) return drawn;
  }
  return results_failure.empty() ? result.Status : DARNEK_WRITE_FAILED;
}

// Records to TOML or TOML to records, by the input's extension.
struct ConvertArgs {
  std::string Input;
  std::string Output;
};

int Convert(const ConvertArgs& args) {
  const std::string& input = args.Input;
  std::string output = args.Output;
  const bool from_toml = darnek::toml_input::IsTomlPath(input);
  if (output.empty()) output = fs::path(input).replace_extension(from_toml ? ".dat" : ".toml").string();
  if (darnek::toml_input::IsTomlPath(output) == from_toml)
    throw UsageError(from_toml ? "a TOML input converts to records: name an OUTPUT that does not end in .toml"
                               : "records convert to TOML: name an OUTPUT ending in .toml");
  darnek::FileGuard guard;
  guard.Input("input file", input);
  guard.ToolOutput("output file", output);
  if (const std::string problem = guard.Check(); !problem.empty()) return darnek::tool::Refuse(problem);
  const darnek::WholeInput file = darnek::ReadInputFile("input file", input);
  if (!file) {
    Err() << "darnek: " << file.Problem << "\n";
    return file.Opened ? DARNEK_INPUT_REJECTED : kToolFileFailed;
  }
  std::string text = file.Text;
  try {
    if (from_toml) {
      const darnek::toml_input::Records records = darnek::toml_input::TomlToRecords(text);
      text = records.Text;
      // The records have no place for a run option: said here, so that the
      // converted file is not taken for the same analysis.
      if (records.StageMemory)
        Err() << "darnek: warning: " << input << ": stage_memory is a run option and the records have no "
              << "place for it: " << output << " analyses every stage alone; run it with --stage-memory"
              << (records.UnloadFactor != 1.0 ? " --unload-factor " + darnek::NumberText(records.UnloadFactor)
                                              : "")
              << " for the analysis of " << input << "\n";
      if (records.CurveSpacing > 0)
        Err() << "darnek: warning: " << input << ": curve_spacing is a run option and the records have no "
              << "place for it: " << output
              << " generates five p-y curves per layer; run it with --curve-spacing "
              << darnek::NumberText(records.CurveSpacing) << " for the analysis of " << input << "\n";
      if (records.Design)
        Err() << "darnek: warning: " << input << ": the [design] table has no place in the records; keep it "
              << "in a design file and run " << output << " with --design\n";
    } else {
      std::istringstream in(text);
      text = darnek::toml_input::RecordsToToml(in, fs::path(input).filename().string());
    }
  } catch (const std::exception& e) {
    // TOML errors, records with no TOML form, malformed records: all name a line.
    Err() << "darnek: " << input << ", " << e.what() << "\n";
    return DARNEK_INPUT_REJECTED;
  }
  if (const std::string problem = darnek::WriteWholeFile("output file", output, text); !problem.empty()) {
    Err() << "darnek: " << problem << "\n";
    return kToolFileFailed;
  }
  Out() << "wrote " << output << "\n";
  return DARNEK_OK;
}

}  // namespace

int main(int argc, char** argv) {
  // No arguments: the front end's call, NAMES.dat in the current folder, with
  // the hand-off's status, so that a front end that calls the tool sees what
  // it saw from IDARNEK.
  if (argc <= 1) return IDARNEK(1);
  using namespace darnek::tool;
  CommandLine line(argc, argv);
  for (const auto add : {AddRunCommand, AddBatchCommand, AddReliabilityCommand, AddConvertCommand,
                         AddPlotCommand, AddServeCommand})
    add(line);
  return line.Run();
}

namespace darnek::tool {

int Refuse(const std::string& problem, const std::string& written) {
  Err() << "darnek: " << problem << "; " << written << "\n";
  return kFileRefused;
}

void GuardRunFiles(FileGuard& guard, const FileNames& files) {
  guard.Input("input file", files.Input);
  guard.EngineOutput("report file", files.Report);
  guard.EngineOutput("plot-data file", files.Plot);
  guard.EngineOutput("run-log file", files.RunLog);
  guard.EngineOutput("p-y scratch file", files.PyScratch);
  guard.EngineOutput("pressure scratch file", files.PressureScratch);
}

std::string Unit(int unit_flag, bool length) {
  if (unit_flag > 0) return length ? "in" : "lbs";
  if (unit_flag < 0) return length ? "m" : "kN";
  return "";
}

bool MakeOutputFolder(const std::string& dir, const char* what) {
  // The engine says what is wrong with the input; the folder is the tool's.
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!ec && !fs::is_directory(dir, ec) && !ec) ec = std::make_error_code(std::errc::not_a_directory);
  if (!ec) return true;
  Err() << "darnek: the " << what << " folder " << dir << " cannot be created: " << ec.message() << "\n";
  return false;
}

std::string OutputStem(const std::string& input, const std::string& dir) {
  const fs::path in(input);
  return ((dir.empty() ? in.parent_path() : fs::path(dir)) / in.stem()).string();
}

InputRun PrepareInputRun(const std::string& input, const std::string& dir) {
  const std::string stem = OutputStem(input, dir);
  InputRun run;
  FileNames files;
  files.Input = input;
  files.Report = stem + ".out";
  files.Plot = stem + ".plt";
  files.RunLog = stem + ".log";
  files.PyScratch = stem + ".pyscratch";
  files.PressureScratch = stem + ".epscratch";
  run.Options.Files = files;
  run.Options.VersionText = Version();
  if (toml_input::IsTomlPath(input)) {
    try {
      toml_input::PrepareTomlRun(run.Options);
    } catch (const toml_input::TomlError& e) {
      run.Status = DARNEK_INPUT_REJECTED;
      run.Error = input + ", " + e.what();
    } catch (const toml_input::ConvertError& e) {
      run.Status = DARNEK_HANDOFF_FAILED;
      run.Error = e.what();
    }
  }
  return run;
}

void AddRunCommand(CommandLine& line) {
  auto a = std::make_shared<RunArgs>();
  CLI::App& run = line.Add("run", "analyse one input file (records or TOML)", [a] { return RunInput(*a); });
  if (!line.Names("run")) return;
  run.add_option("INPUT", a->Input, "the input file; INPUT.toml is the TOML form of an input file")
      ->required()
      ->type_name("");
  run.add_option(
         "--out", a->OutDir,
         "the folder of the report (.out), plot data (.plt) and run log (.log); beside INPUT without it")
      ->type_name("DIR");
  run.add_flag("--plot", a->Plot, "also draw the pictures, as `plot` does, into DIR/INPUT-pictures");
  run.add_option("--json", a->JsonFile, "write every result as one JSON document")->type_name("FILE");
  run.add_option("--csv", a->CsvDir, "write stages.csv and a station table per stage into DIR")
      ->type_name("DIR");
  CLI::Option* memory = run.add_flag("--stage-memory", a->StageMemory,
                                     "start each stage from the one before it (docs/modelling.md)");
  run.add_option("--unload-factor", a->UnloadFactor,
                 "scale the springs' unload/reload stiffness by F (above 0, default 1); needs --stage-memory")
      ->check(AboveZero())
      ->needs(memory)
      ->type_name("F");
  run.add_option("--curve-spacing", a->CurveSpacing,
                 "generate p-y curves every S inches or metres instead of five per layer")
      ->check(AboveZero())
      ->type_name("S");
  run.add_option("--design", a->DesignFile,
                 "check the wall with the design table of DESIGN.toml (docs/design-checks.md), as a [design] "
                 "table in INPUT.toml does")
      ->type_name("DESIGN.toml");
}

void AddConvertCommand(CommandLine& line) {
  auto a = std::make_shared<ConvertArgs>();
  CLI::App& convert =
      line.Add("convert", "turn records into TOML (INPUT.dat -> OUTPUT.toml) or TOML into records",
               [a] { return Convert(*a); });
  if (!line.Names("convert")) return;
  convert.add_option("INPUT", a->Input, "the input file, records or TOML (.toml)")->required()->type_name("");
  convert
      .add_option("-o,--output", a->Output, "the file to write; INPUT with the other extension without it")
      ->type_name("OUTPUT");
}

void AddPlotCommand(CommandLine& line) {
  auto a = std::make_shared<PlotArgs>();
  CLI::App& plot = line.Add("plot",
                            "draw the diagrams of every stage of a plot-data file as SVG files and one "
                            "report.html",
                            [a] { return PlotCommand(*a); });
  if (!line.Names("plot")) return;
  plot.add_option("PLOTFILE", a->PlotFile, "the plot-data file (.plt) of a run")->required()->type_name("");
  plot.add_option("--out", a->OutDir,
                  "the folder of the pictures; NAME-pictures beside the plot file without it")
      ->type_name("DIR");
}

}  // namespace darnek::tool
