// darnek: the command-line tool. With no arguments it behaves as the front
// end's call (NAMES.dat in the current directory); `darnek run INPUT` analyses
// one input file (records or TOML) without a hand-written NAMES.dat;
// `darnek convert` turns records into TOML and back.
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
using darnek::tool::Usage;

const char* const kUsage =
    "usage: darnek                      analyse the problem named by NAMES.dat here\n"
    "       darnek run INPUT [--out DIR] [--plot] [--json FILE] [--csv DIR]\n"
    "                 [--stage-memory [--unload-factor F]] [--curve-spacing S]\n"
    "                 [--design DESIGN.toml]\n"
    "                                   analyse INPUT; the report (.out), plot data (.plt)\n"
    "                                   and run log (.log) go beside INPUT or into DIR;\n"
    "                                   --plot also draws the pictures (as `plot` does);\n"
    "                                   --json writes every result as one JSON document,\n"
    "                                   --csv a station table per stage and stages.csv\n"
    "                                   INPUT.toml is the TOML form of an input file;\n"
    "                                   --stage-memory starts each stage from the one\n"
    "                                   before it (docs/modelling.md); --curve-spacing\n"
    "                                   generates p-y curves every S inches or metres\n"
    "                                   --design checks the wall with the design table\n"
    "                                   of DESIGN.toml (docs/design-checks.md), as a\n"
    "                                   [design] table in INPUT.toml does\n"
    "       darnek batch INPUT... [--jobs N] [--out DIR] [--summary FILE.csv]\n"
    "                 [--curve-spacing S]\n"
    "                                   analyse many inputs on N threads (default: the\n"
    "                                   cores), each file's outputs where `run` puts them;\n"
    "                                   one CSV row per stage in FILE.csv; progress on\n"
    "                                   stderr; the exit status is the first failing\n"
    "                                   input's (0 when every input succeeded)\n"
    "       darnek reliability MODEL.toml [--samples N] [--method mc|lhs|form] [--seed S]\n"
    "                 [--jobs N] [--no-strength-reduction] [--json FILE] [--csv FILE]\n"
    "                 [--pictures DIR]\n"
    "                                   the probability that each design check of each stage\n"
    "                                   fails, from the uncertain inputs of the model's\n"
    "                                   [reliability] table (docs/reliability.md)\n"
    "       darnek convert INPUT [-o OUTPUT]\n"
    "                                   records to TOML (INPUT.dat -> OUTPUT.toml) or TOML to\n"
    "                                   records (INPUT.toml -> OUTPUT.dat); OUTPUT defaults to\n"
    "                                   INPUT with the other extension\n"
    "       darnek plot PLOTFILE [--out DIR]\n"
    "                                   draw the diagrams of every stage of a plot-data file\n"
    "                                   as SVG files and one report.html, into DIR or into\n"
    "                                   NAME-pictures beside the plot file\n"
    "       darnek serve [FILE] [--port N] [--host ADDR] [--time-limit SECONDS]\n"
    "                                   the front end in a browser: forms for the wall, diagrams\n"
    "                                   redrawn as you type (docs/serve.md); FILE opens in the\n"
    "                                   page; 127.0.0.1 port 8080 unless given (--port 0: any\n"
    "                                   free port); an analysis past the time limit (10 s) is\n"
    "                                   answered as such\n"
    "       darnek --help | --version\n"
    "\n"
    "exit status: 0 complete, every stage solved,\n"
    "2 a file of the run could not be opened or names another file of the run (nothing written),\n"
    "3 input rejected (see the report; data errors named in the report included),\n"
    "4 internal error, 5 a file could not be written,\n"
    "6 a stage gave no results (not closed, or values that are not finite; see the report),\n"
    "10 + stop code when the analysis stopped on a fatal soil or pressure condition;\n"
    "7 usage error, 8 a folder or file of the tool's own (--out, pictures, the plot file)\n"
    "cannot be created, read or written, 9 the plot file is not a plot-data file (line named)\n";

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

// Draws the pictures of a plot-data file; prints where the page is.
int DrawPictures(const std::string& plot_file, const std::string& out_dir,
                 const darnek::pictures::PictureOptions& options) {
  try {
    const fs::path dir = out_dir.empty() ? fs::path(plot_file).parent_path() /
                                               (fs::path(plot_file).stem().string() + "-pictures")
                                         : fs::path(out_dir);
    const darnek::pictures::DrawnPictures drawn =
        darnek::pictures::DrawPlotFile(plot_file, dir.string(), options);
    for (const std::string& note : drawn.Notes) Err() << "darnek: " << note << "\n";
    Out() << "pictures:  " << drawn.Files.back() << "\n";
    return DARNEK_OK;
  } catch (const darnek::pictures::PlotFileError& e) {
    Err() << "darnek: " << e.what() << "\n";
    return e.line() == 0 ? kToolFileFailed : kNotAPlotFile;
  } catch (const std::exception& e) {
    Err() << "darnek: " << e.what() << "\n";
    return kToolFileFailed;
  }
}

int PlotCommand(const std::vector<std::string>& args) {
  std::string plot_file;
  std::string out_dir;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out") {
      if (i + 1 >= args.size()) return Usage("--out needs a folder");
      out_dir = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage("unknown option " + args[i]);
    } else if (plot_file.empty()) {
      plot_file = args[i];
    } else {
      return Usage("more than one plot file");
    }
  }
  if (plot_file.empty()) return Usage("plot needs a plot-data file");
  darnek::pictures::PictureOptions options;
  options.Title = fs::path(plot_file).filename().string();
  return DrawPictures(plot_file, out_dir, options);
}

bool ParseFactor(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, value);
  return parsed.ec == std::errc() && parsed.ptr == end && std::isfinite(value) && value > 0;
}

int RunInput(const std::vector<std::string>& args) {
  std::string input;
  std::string out_dir;
  std::string json_file;
  std::string csv_dir;
  bool plot = false;
  bool stage_memory = false;
  std::optional<double> unload_factor;
  std::optional<double> curve_spacing;
  std::string design_file;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--design") {
      if (i + 1 >= args.size()) return Usage("--design needs a design file");
      design_file = args[++i];
    } else if (args[i] == "--plot") {
      plot = true;
    } else if (args[i] == "--stage-memory") {
      stage_memory = true;
    } else if (args[i] == "--unload-factor" || args[i] == "--curve-spacing") {
      double f = 0;
      if (i + 1 >= args.size() || !ParseFactor(args[i + 1], f))
        return Usage(args[i] + " needs a number above 0");
      (args[i] == "--unload-factor" ? unload_factor : curve_spacing) = f;
      ++i;
    } else if (args[i] == "--json" || args[i] == "--csv") {
      if (i + 1 >= args.size())
        return Usage(args[i] + (args[i] == "--json" ? " needs a file" : " needs a folder"));
      (args[i] == "--json" ? json_file : csv_dir) = args[i + 1];
      ++i;
    } else if (args[i] == "--out") {
      if (i + 1 >= args.size()) return Usage("--out needs a folder");
      out_dir = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage("unknown option " + args[i]);
    } else if (input.empty()) {
      input = args[i];
    } else {
      return Usage("more than one input file");
    }
  }
  if (input.empty()) return Usage("run needs an input file");
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
  if (unload_factor && !stage_memory) return Usage("--unload-factor needs --stage-memory");
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
  if (stage_memory) prepared.Options.StageMemory = true;
  if (unload_factor) prepared.Options.UnloadFactor = *unload_factor;
  if (curve_spacing) prepared.Options.CurveSpacing = *curve_spacing;
  if (!json_file.empty()) {
    const darnek::FileNames& run_files = *prepared.Options.Files;
    for (const std::string& run_file : {run_files.Input, run_files.Report, run_files.Plot, run_files.RunLog,
                                        run_files.PyScratch, run_files.PressureScratch}) {
      std::error_code ec;
      if (fs::weakly_canonical(json_file, ec) == fs::weakly_canonical(run_file, ec) && !ec)
        return Usage("--json " + json_file + " names a file of the run");
    }
  }
  const darnek::FileNames files = *prepared.Options.Files;
  const darnek::RunResult result = darnek::Run(prepared.Options);
  if (result.Status == DARNEK_HANDOFF_FAILED) return result.Status;

  Out() << "report:    " << files.Report << "\nplot data: " << files.Plot << "\nrun log:   " << files.RunLog
        << "\n";
  // The results files come after the run's own, and a failure to write them
  // ends the run as a failure to write any file of the run does.
  std::string results_failure;
  if (!json_file.empty()) {
    results_failure = darnek::WriteResultsJsonFile(json_file, result);
    if (results_failure.empty()) Out() << "json:      " << json_file << "\n";
  }
  if (!csv_dir.empty() && results_failure.empty()) {
    results_failure = darnek::WriteResultsCsv(csv_dir, result);
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
    darnek::pictures::PictureOptions pictures = darnek::pictures::OptionsFromRun(result);
    pictures.Title = in.filename().string();
    const int drawn = DrawPictures(files.Plot, (dir / (stem + "-pictures")).string(), pictures);
    if (result.Status == DARNEK_OK && results_failure.empty()) return drawn;
  }
  return results_failure.empty() ? result.Status : DARNEK_WRITE_FAILED;
}

// Records to TOML or TOML to records, by the input's extension.
int Convert(const std::vector<std::string>& args) {
  std::string input;
  std::string output;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" || args[i] == "--output") {
      if (i + 1 >= args.size()) return Usage(args[i] + " needs a file");
      output = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return Usage("unknown option " + args[i]);
    } else if (input.empty()) {
      input = args[i];
    } else {
      return Usage("more than one input file");
    }
  }
  if (input.empty()) return Usage("convert needs an input file");
  const bool from_toml = darnek::toml_input::IsTomlPath(input);
  if (output.empty()) output = fs::path(input).replace_extension(from_toml ? ".dat" : ".toml").string();
  if (darnek::toml_input::IsTomlPath(output) == from_toml)
    return Usage(from_toml ? "a TOML input converts to records: name an OUTPUT that does not end in .toml"
                           : "records convert to TOML: name an OUTPUT ending in .toml");
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
  std::ofstream out(output, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    Err() << "darnek: the output file cannot be written: " << output << ": " << std::strerror(errno) << "\n";
    return kToolFileFailed;
  }
  Out() << "wrote " << output << "\n";
  return DARNEK_OK;
}

// `darnek reliability`'s options (app/reliability.cpp runs it).
int ReliabilityCommand(const std::vector<std::string>& args) {
  darnek::tool::ReliabilityOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-strength-reduction") {
      options.StrengthReduction = 0;
    } else if (a == "--samples" || a == "--seed" || a == "--jobs") {
      long long n = -1;
      const std::string value = i + 1 < args.size() ? args[++i] : "";
      const auto parsed = std::from_chars(value.data(), value.data() + value.size(), n);
      if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() ||
          n < (a == "--seed" ? 0 : 1) || (a != "--seed" && n > 100000000))
        return Usage(a + " needs a whole number" + (a == "--seed" ? ", 0 or more" : ", 1 or more"));
      if (a == "--seed")
        options.Seed = n;
      else
        (a == "--samples" ? options.Samples : options.Jobs) = static_cast<int>(n);
    } else if (a == "--method" || a == "--json" || a == "--csv" || a == "--pictures") {
      if (i + 1 >= args.size()) return Usage(a + " needs a value");
      (a == "--method" ? options.Method
       : a == "--json" ? options.Json
       : a == "--csv"  ? options.Csv
                       : options.Pictures) = args[++i];
      if (a == "--method" && options.Method != "mc" && options.Method != "lhs" && options.Method != "form")
        return Usage("--method is mc, lhs or form");
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option " + a);
    } else if (options.Model.empty()) {
      options.Model = a;
    } else {
      return Usage("more than one model");
    }
  }
  if (options.Model.empty()) return Usage("reliability needs a model (a TOML file with [reliability])");
  return darnek::tool::Reliability(options);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return darnek::Run(darnek::RunOptions{}).Status;
  const std::string command = args[0];
  if (command == "--help" || command == "-h") {
    Out() << kUsage;
    return 0;
  }
  if (command == "--version") {
    Out() << "darnek " << darnek::Version() << "\n";
    return 0;
  }
  if (command == "run") return RunInput(std::vector<std::string>(args.begin() + 1, args.end()));
  if (command == "plot") return PlotCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (command == "convert") return Convert(std::vector<std::string>(args.begin() + 1, args.end()));
  if (command == "serve") return darnek::tool::Serve(std::vector<std::string>(args.begin() + 1, args.end()));
  if (command == "reliability")
    return ReliabilityCommand(std::vector<std::string>(args.begin() + 1, args.end()));
  if (command == "batch") return darnek::tool::Batch(std::vector<std::string>(args.begin() + 1, args.end()));
  return Usage("unknown command or option " + command);
}

namespace darnek::tool {

int Usage(const std::string& problem) {
  if (!problem.empty()) Err() << "darnek: " << problem << "\n";
  Err() << kUsage;
  return kUsageError;
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

}  // namespace darnek::tool
