// The run: hand-off, files, the stage loop and the end of the run.
#include "driver/run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <new>
#include <string>

#include "core/decimal_depth.h"
#include "core/errors.h"
#include "core/list_reader.h"
#include "core/report_helpers.h"
#include "core/run_context.h"
#include "core/run_file.h"
#include "darnek/darnek.h"
#include "driver/collect_results.h"
#include "driver/design_run.h"
#include "driver/names_file.h"
#include "driver/run_files.h"
#include "driver/stage.h"
#include "input/control_input.h"
#include "input/input_checks.h"
#include "report/results_report.h"
#include "report/run_messages.h"
#include "report/stage_header.h"
#include "solver/stage_memory.h"

#ifndef DARNEK_VERSION_STRING
#define DARNEK_VERSION_STRING "0.0.0"
#endif

namespace darnek {
namespace {

void WriteHandOffMessage(OutputUnit& console) {
  console.Line(" PLEASE CREATE AN INPUT DATA FILE AND SAVE IT");
  console.Line(" BEFORE COMPUTATION.  TRY IT AGAIN!");
}

// The caller's console stream, or standard error written straight to its
// descriptor: a run sets up no stream of its own.
void AttachConsole(OutputUnit& unit, std::ostream* stream) {
  if (stream)
    unit.Attach(*stream);
  else
    unit.AttachDescriptor(2);
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

bool Solved(StageOutcome outcome) {
  return outcome == StageOutcome::Closed || outcome == StageOutcome::SingleSolution;
}

const char* SoilTypeName(SoilType type) {
  switch (type) {
    case SoilType::SoftClay:
      return "soft clay";
    case SoilType::StiffClayBelowWater:
      return "stiff clay below the water table";
    case SoilType::StiffClayAboveWater:
      return "stiff clay above the water table";
    case SoilType::Sand:
      return "sand";
    case SoilType::Silt:
      return "silt";
    case SoilType::Rock:
      return "rock";
    case SoilType::WeakRock:
      return "weak rock";
  }
  return "soil";
}

// The ground as the stage's input gives it, for the pictures.
StageGround GroundOf(const ProblemData& d, bool soil_block) {
  StageGround g;
  g.Title = std::string(TrimRight(d.Run.Title));
  g.ResultWidth = d.C2.ResultWidth;
  g.HasSoilBlock = soil_block;
  if (!soil_block) return g;
  g.WaterDepthBackfill = d.Wall.WaterDepthBackfill;
  g.WaterDepthExcavation = d.Wall.WaterDepthExcavation;
  g.EarthPressureWidth = d.Wall.WA;
  g.ResistanceWidth = d.Wall.WP;
  double top = 0;
  for (const SoilLayer& layer : d.Soil.Layers) {
    g.Layers.push_back({top, layer.LayerBottomDepth, static_cast<int>(layer.SoilTypeCode),
                        SoilTypeName(layer.SoilTypeCode), layer.Top.UnitWeight, layer.Top.S, layer.Top.PHI});
    top = layer.LayerBottomDepth;
  }
  return g;
}

StageSummary Summarize(const ProblemData& d) {
  StageSummary s;
  s.Stage = d.Run.StageCounter;
  s.UnitFlag = d.Run.UnitFlag;
  s.Iterations = d.Results.Iterations;
  s.Solved = Solved(d.Results.Outcome);
  s.LoadStepped = d.Results.LoadStepped;
  s.LoadSteps = d.Results.LoadSteps;
  s.LoadFraction = d.Results.LoadFraction;
  // The soil block, when the stage reads one, says where the excavation is;
  // otherwise the dividing depth stands for it, as it does for the curves.
  const bool soil_block =
      GeneratesEarthPressure(d.C1.EarthPressureOption) || d.C1.PyCurveOption == PyCurveSource::Generated;
  s.ExcavationDepth = soil_block ? d.Wall.FreeHeight : d.C2.DividingDepth;
  s.Ground = GroundOf(d, soil_block);
  switch (d.Results.Outcome) {
    case StageOutcome::Closed:
      s.Outcome = s.LoadStepped ? "closed by load stepping" : "closed";
      break;
    case StageOutcome::SingleSolution:
      s.Outcome = "single solution";
      break;
    case StageOutcome::DeflectionExceeded:
      s.Outcome = "maximum allowable deflection exceeded";
      break;
    case StageOutcome::IterationLimit:
      s.Outcome = "iteration limit reached without closure";
      break;
    case StageOutcome::NotRun:
      s.Outcome = "not analysed";
      break;
    case StageOutcome::BrokeDown:
      s.Outcome = "solution broke down: the " + d.Results.BreakdownQuantity + " at station " +
                  std::to_string(d.Results.BreakdownStation) + " is " +
                  (d.Results.BreakdownNotANumber ? "not a number" : "infinite");
      break;
  }
  if (!s.Solved) return s;
  int deflection_station = 0, moment_station = 0;
  for (const StationResult& r : d.Results.Stations) {
    if (std::fabs(r.Deflection) > std::fabs(s.MaxDeflection)) {
      s.MaxDeflection = r.Deflection;
      s.MaxDeflectionDepth = r.X;
      deflection_station = r.Station;
    }
    if (std::fabs(r.Moment) > std::fabs(s.MaxMoment)) {
      s.MaxMoment = r.Moment;
      s.MaxMomentDepth = r.X;
      moment_station = r.Station;
    }
  }
  const int feet = d.C1.UnitSystemCode == UnitSystem::English ? 12 : 1;
  s.MaxDeflectionReportDepth = DecimalDepth(deflection_station, d.C2.IncrementLength, feet);
  s.MaxMomentReportDepth = DecimalDepth(moment_station, d.C2.IncrementLength, feet);
  int number = 0;
  for (const TieBack& t : d.TieBacks) s.TieBacks.push_back({++number, t.Station, t.Depth, t.ForcePerTieBack});
  return s;
}

std::string EndsAfterStage(const ProblemData& d) {
  const std::string stage = std::to_string(d.Run.StageCounter);
  if (d.Run.StageCounter < d.C1.NumStages)
    return "the file ends after stage " + stage + " of " + std::to_string(d.C1.NumStages);
  return "the file ends after stage " + stage + ", whose stage-continuation value " +
         std::to_string(d.Run.ContinuationValue) + " asks for another stage";
}

// The stage loop: title, first control line, heading, the stage, the
// stage-continuation value; until the value is 0 or the number of stages.
// `last_stage`, when positive, ends the run after that stage.
void StageLoop(RunContext& ctx, ListReader& reader, RunResult& result, int* last_stage_code,
               const StageObserver& observer, bool keep_results, int last_stage, DesignRun* design) {
  ProblemData& d = ctx.Data;
  for (;;) {
    if (d.Run.StageCounter > 0 && reader.AtEnd()) throw InputError(EndsAfterStage(d));
    input::ReadTitle(ctx, reader);
    ++d.Run.StageCounter;
    if (d.Run.StageCounter == 1) d.Run.StageTitle = d.Run.Title;
    input::ReadControlLine1(ctx, reader);
    if (d.Run.StageCounter > 1) {
      ctx.Report.EndRecord();
      ctx.Report.EndRecord();
    }
    report::WriteBanner(ctx);
    report::WriteFileBlock(ctx);
    report::WriteTimeStamp(ctx, ctx.Clock ? ctx.Clock() : LocalNow());
    report::WriteStageHeading(ctx);
    if (ctx.Memory) {
      ctx.Report.Write("( / '     STAGE MEMORY: THIS STAGE STARTS FROM THE LAST; UNLOAD FACTOR' 1P E11.3 )",
                       ctx.Memory->UnloadFactor);
      if (d.Run.StageCounter == 1)
        ctx.Plot.Write("( ' STAGE MEMORY ON; UNLOAD FACTOR' 1P E11.3 )", ctx.Memory->UnloadFactor);
    }
    // The reader accepts only the two unit systems (core/codes.h).
    d.Run.UnitFlag = d.C1.UnitSystemCode == UnitSystem::English ? 1 : -1;
    SetUnitLabels(d.Run.Labels, d.Run.UnitFlag);

    d.Results.Outcome = StageOutcome::NotRun;
    RunStage(ctx, reader);
    result.Stages.push_back(Summarize(d));
    if (design) design->AfterStage(ctx, result.Stages.back(), result);
    if (keep_results) result.Results.push_back(CollectStageResults(d, result.Stages.back()));
    if (keep_results && ctx.Memory) solver::AddMemoryResults(*ctx.Memory, result.Results.back());
    // The run goes on to the next stage, but does not end as complete.
    if (d.Results.Outcome == StageOutcome::BrokeDown && result.Status == DARNEK_OK) {
      result.Status = DARNEK_ANALYSIS_FAILED;
      result.Message = "stage " + std::to_string(d.Run.StageCounter) + ": " + result.Stages.back().Outcome;
    }
    if (ctx.Memory && !Solved(d.Results.Outcome) && result.Status == DARNEK_OK) {
      result.Status = DARNEK_ANALYSIS_FAILED;
      result.Message = "stage " + std::to_string(d.Run.StageCounter) + ": " + result.Stages.back().Outcome +
                       (ctx.Memory->FailedStage < d.Run.StageCounter ? " (previous stage failed)" : "") +
                       "; with stage memory the later stages are not analysed";
    }
    if (observer) observer(ctx);
    if (last_stage > 0 && d.Run.StageCounter >= last_stage) {
      *last_stage_code = Solved(d.Results.Outcome) ? d.Run.PlotStageCode : 0;
      return;
    }

    int continuation = 0;
    // A file that simply ends after its last stage ends the run as a 0 would;
    // one that ends before the number of stages it declares is cut short.
    const bool more = reader.ReadIfAny("stage-continuation value", {{"continuation", &continuation}});
    if (!more && d.Run.StageCounter < d.C1.NumStages) throw InputError(EndsAfterStage(d));
    d.Run.ContinuationValue = continuation;
    const bool failed = !Solved(d.Results.Outcome);
    const bool ends = continuation == d.C1.NumStages || continuation == 0;
    // The value ends the run, yet the control line declares more stages: one
    // of the two is likely a slip, and the stages after it are never read.
    if (more && ends && d.Run.StageCounter < d.C1.NumStages)
      input::Warn(ctx,
                  reader.Place("stage-continuation value", 0, "continuation",
                               "the value " + std::to_string(continuation) + " ends the run after stage " +
                                   std::to_string(d.Run.StageCounter) + ", but NumStages declares " +
                                   std::to_string(d.C1.NumStages) + " stages: the rest are not analysed"));
    if (ends) {
      // The last stage's results block follows "END OF ANALYSIS", with the
      // stage code of the stage before it.
      *last_stage_code = failed ? 0 : d.Run.PlotStageCode;
      return;
    }
    d.Run.PlotStageCode = failed ? 0 : (continuation == 9 ? 2 : d.C1.NumStages);
    report::WritePlotResults(ctx, d.Run.PlotStageCode);
  }
}

// The names of the run, from the options or the hand-off file, each resolved
// here once (a host that changes its directory during the run changes
// nothing of it), and every file opened; a problem means nothing was written.
FileSetUp StartRun(RunContext& ctx, const RunOptions& options) {
  std::error_code no_folder;
  const std::string folder = std::filesystem::current_path(no_folder).string();
  const auto needs_folder = [&](const std::string& name) {
    return !name.empty() && name[0] != '/' && no_folder;
  };
  std::string hand_off;
  if (options.Files) {
    ctx.Names = *options.Files;
    ctx.Data.Run.VersionText = PadRight(options.VersionText, 12);
  } else {
    if (needs_folder(options.NamesFile))
      return {"the current folder cannot be found: " + no_folder.message(), true};
    hand_off = AbsoluteName(options.NamesFile, folder);
    NamesFile names = ReadNamesFile(hand_off);
    if (!names.Complete) return {names.Problem, true};
    ctx.Names = names.Files;
    ctx.Data.Run.VersionText = names.VersionText;
  }
  const OutputModes& modes = options.Outputs;
  const std::pair<const std::string*, bool> named[] = {
      {&ctx.Names.Input, !options.InputText},
      {&ctx.Names.Report, modes.Report == OutputMode::File},
      {&ctx.Names.Plot, modes.Plot == OutputMode::File},
      {&ctx.Names.RunLog, modes.RunLog == OutputMode::File},
      {&ctx.Names.PyScratch, modes.PyScratch == OutputMode::File},
      {&ctx.Names.PressureScratch, modes.PressureScratch == OutputMode::File}};
  for (const auto& [name, is_file] : named) {
    if (is_file && needs_folder(*name))
      return {
          "the current folder, against which " + *name + " is named, cannot be found: " + no_folder.message(),
          false};
  }
  return OpenRunFiles(ctx, folder, hand_off, modes, options.InputText.has_value());
}

// A data error that the report names, with where it stopped the run:
// "stage 2, line 31: TOO MUCH DATA FOR AVAILABLE STORAGE", or in the words of
// the input's own form when the caller gives them.
std::string StoppedAt(const ProblemData& d, const ListReader& reader, const RunOptions& options,
                      const std::string& what) {
  const std::string plain = "stage " + std::to_string(std::max(d.Run.StageCounter, 1)) + ", line " +
                            std::to_string(reader.line()) + ": " + what;
  if (!options.DescribeInputError) return plain;
  InputErrorPlace place;
  place.Line = place.LastLine = reader.line();
  place.Detail = what;
  place.Message = plain;
  try {
    return options.DescribeInputError(place);
  } catch (...) {
    return plain;
  }
}

}  // namespace

// A run that the record-file hand-off counts as complete although it gave no
// answer: a data error that only the report names (the one case of a message
// with status 0), a stage without results, or no stage at all. Every caller
// but the hand-off sees it fail, with the reason as its message, whatever the
// stage mode.
RunResult Concluded(RunResult result) {
  if (result.Status != DARNEK_OK) return result;
  if (!result.Message.empty()) {
    result.Status = DARNEK_INPUT_REJECTED;
    result.Message += " (the report ends there)";
    return result;
  }
  if (result.Stages.empty()) {
    result.Status = DARNEK_INPUT_REJECTED;
    result.Message = "no stage was analysed: a negative count in the first stage ended the run";
    return result;
  }
  size_t unsolved = 0;
  const StageSummary* first = nullptr;
  for (const StageSummary& s : result.Stages)
    if (!s.Solved && unsolved++ == 0) first = &s;
  if (first == nullptr) return result;
  result.Status = DARNEK_ANALYSIS_FAILED;
  result.Message = "stage " + std::to_string(first->Stage) + ": " + first->Outcome;
  if (unsolved > 1) result.Message += " (" + std::to_string(unsolved) + " stages without results)";
  return result;
}

namespace {

// An unexpected failure inside the engine ends the run with its message.
void InternalError(RunResult& result, OutputUnit& console, const std::string& message) {
  console.Line(" **** INTERNAL ERROR **** " + message);
  result.Status = DARNEK_INTERNAL_ERROR;
  result.Message = message;
}

// Writes the end of the analysis: what ended it early (`say`), then, unless
// a fatal condition stopped it, "END OF ANALYSIS" and the last stage's
// plot-data results when it gave them. Returns why a file could not be
// written (empty when all was); any other fault is an internal error.
std::string EndAnalysis(RunContext& ctx, RunResult& result, const std::function<void()>& say, bool fatal_stop,
                        int last_stage_code) {
  try {
    if (say) say();
    if (fatal_stop) return {};
    report::WriteEndOfAnalysis(ctx);
    if (last_stage_code >= 0) report::WritePlotResults(ctx, last_stage_code);
  } catch (const FileFailed& e) {
    return e.what();
  } catch (const std::bad_alloc&) {
    InternalError(result, ctx.Console, "out of memory");
  } catch (const std::exception& e) {
    InternalError(result, ctx.Console, e.what());
  }
  return {};
}

}  // namespace

const char* Version() { return DARNEK_VERSION_STRING; }

RunResult Run(const RunOptions& options) { return Concluded(RunWith(options, {})); }

RunOptions DiscardedRunOptions(const std::string& stem, std::ostream* console, std::string input_text) {
  RunOptions options;
  FileNames names;
  names.Input = stem + ".dat";
  names.Report = stem + ".out";
  names.Plot = stem + ".plt";
  names.RunLog = stem + ".log";
  names.PyScratch = stem + ".pyscratch";
  names.PressureScratch = stem + ".epscratch";
  options.Files = names;
  options.Clock = [] { return std::tm{}; };
  options.Console = console;
  options.InputText = std::move(input_text);
  options.Outputs = {OutputMode::Discard, OutputMode::Discard, OutputMode::Discard, OutputMode::Discard,
                     OutputMode::Discard};
  return options;
}

void Run(const RunOptions& options, RunResult& result) {
  OutputTexts room = std::move(result.Outputs);
  result = Concluded(RunWith(options, {}, {}, &room));
}

RunResult RunWith(const RunOptions& options, const StageObserver& observer, const RunLimits& limits,
                  OutputTexts* room) {
  RunResult result;
  auto ctx = std::make_unique<RunContext>();
  OutputUnit& console = ctx->Console;
  AttachConsole(console, options.Console);
  const FileSetUp setup = StartRun(*ctx, options);
  if (!setup.Problem.empty()) {
    if (setup.InputMissing) WriteHandOffMessage(console);
    console.Line(" **** FILE ERROR **** " + setup.Problem + "; nothing was written");
    result.Status = DARNEK_HANDOFF_FAILED;
    result.Message = setup.Problem;
    return result;
  }
  RunFiles& f = ctx->Files;
  if (room) {
    f.Report.Lend(std::move(room->Report));
    f.Plot.Lend(std::move(room->Plot));
    f.RunLog.Lend(std::move(room->RunLog));
    f.PyScratch.Lend(std::move(room->PyScratch));
    f.PressureScratch.Lend(std::move(room->PressureScratch));
  }

  ctx->Clock = options.Clock;
  ctx->DescribeInput = options.DescribeInputError;
  ctx->IterationCap = limits.IterationCap;
  ctx->SoilStrength = options.SoilStrength;
  ctx->DesignActions = options.DesignActions;
  if (options.StageMemory) {
    ctx->Memory = std::make_shared<solver::StageMemory>();
    ctx->Memory->UnloadFactor = options.UnloadFactor;
    result.StageMemory = true;
    result.UnloadFactor = options.UnloadFactor;
  }
  ctx->CurveSpacing = options.CurveSpacing;
  ctx->Report.Attach(ctx->Files.Report);
  ctx->Plot.Attach(ctx->Files.Plot);
  ctx->Log.Attach(ctx->Files.RunLog);

  // A TOML run reads the records made from it; the TOML file stays the input
  // that the report names and that no output may overwrite.
  std::unique_ptr<LineSource> lines;
  if (options.InputText)
    lines = std::make_unique<TextLines>(*options.InputText);
  else
    lines = std::make_unique<RunFileLines>(ctx->Files.Input);
  ListReader reader(*lines);
  // Strength reduction analyses the stages again from the same input text.
  std::unique_ptr<DesignRun> design;
  if (options.Design) {
    std::string text = options.InputText ? *options.InputText : InputTextOf(ctx->Files.Input);
    design = std::make_unique<DesignRun>(options, limits, std::move(text));
  }
  int last_stage_code = -1;   // stays -1 when the run ends on an error
  bool fatal_stop = false;    // nothing more is written after a fatal condition
  std::function<void()> say;  // the message of what ended the stages early
  std::string write_failure;
  try {
    if (ctx->Memory && !(std::isfinite(options.UnloadFactor) && options.UnloadFactor > 0))
      throw InputError("the unload factor " + NumberText(options.UnloadFactor) +
                       " must be a number greater than 0");
    if (!(std::isfinite(options.CurveSpacing) && options.CurveSpacing >= 0))
      throw InputError("the curve spacing " + NumberText(options.CurveSpacing) +
                       " must be a number greater than 0 (or 0 for five curves per layer)");
    if (options.Design)
      if (const DesignProblem problem = CheckDesignData(*options.Design))
        throw InputError(problem.Key + ": " + problem.Message);
    StageLoop(*ctx, reader, result, &last_stage_code, observer, options.KeepResults, options.LastStage,
              design.get());
  } catch (const DataError& e) {
    say = [&ctx, kind = e.kind()] { report::WriteDataError(ctx->Report, kind); };
    result.Message = StoppedAt(ctx->Data, reader, options, e.what());
  } catch (const StorageExceeded& e) {
    say = [&ctx] { report::WriteStorageExceeded(ctx->Report); };
    result.Message = StoppedAt(ctx->Data, reader, options, e.what());
  } catch (const QuietEnd&) {
  } catch (const InputError& e) {
    // The message in the words of the input's own form, when the caller gives
    // them, is made as the end is written: a fault in making it is an
    // internal error, as any other.
    say = [&, place = InputErrorPlace{e.line(), e.record(), e.item(), e.item_name(), e.detail(), e.what(),
                                      reader.line()}] {
      const std::string message =
          options.DescribeInputError ? options.DescribeInputError(place) : place.Message;
      result.Status = DARNEK_INPUT_REJECTED;
      result.Message = message;
      report::WriteInputError(ctx->Report, message);
      console.Line(" **** INPUT ERROR **** " + ctx->Names.Input + ", " + message);
    };
  } catch (const FatalStop& e) {
    if (const auto* soil_stop = dynamic_cast<const soil::SoilStop*>(&e))
      say = [&ctx, stop = *soil_stop] { report::WriteSoilStop(ctx->Console, ctx->Report, stop); };
    fatal_stop = true;
    result.Status = DARNEK_STOPPED + e.code();
    result.StopCode = e.code();
    result.Message = e.what();
  } catch (const FileFailed& e) {
    write_failure = e.what();
  } catch (const std::bad_alloc&) {
    InternalError(result, console, "out of memory");
  } catch (const std::exception& e) {
    InternalError(result, console, e.what());
  }
  if (write_failure.empty()) write_failure = EndAnalysis(*ctx, result, say, fatal_stop, last_stage_code);
  if (design) design->Finish(result);
  // A file that could not be written takes precedence over every other
  // outcome: what would tell of it is not all there.
  std::vector<std::string> failures = CloseRunFiles(*ctx);
  if (!write_failure.empty()) failures.insert(failures.begin(), write_failure);
  for (const std::string& failure : failures) console.Line(" **** WRITE ERROR **** " + failure);
  if (!failures.empty()) {
    result.Status = DARNEK_WRITE_FAILED;
    result.StopCode = 0;
    result.Message = failures.front();
  }
  // A caller that runs again in this result gets the files' buffers back
  // with it, empty.
  const bool keep = room != nullptr;
  result.Outputs = {f.Report.TakeText(keep), f.Plot.TakeText(keep), f.RunLog.TakeText(keep),
                    f.PyScratch.TakeText(keep), f.PressureScratch.TakeText(keep)};
  return result;
}

}  // namespace darnek

extern "C" DARNEK_API int32_t DARNEK_CALL IDARNEK(int32_t code) {
  if (code != 1) return DARNEK_NOT_CALLED;
  try {
    // The hand-off's status: the report alone tells of a data error or a
    // stage without results, as it always has.
    return darnek::RunWith(darnek::RunOptions{}, {}).Status;
  } catch (...) {
    return DARNEK_INTERNAL_ERROR;
  }
}
