// The run: hand-off, files, the stage loop and the end of the run.
#include <chrono>
#include <cmath>
#include <iostream>
#include <new>

#include "core/errors.h"
#include "core/run_context.h"
#include "darnek/darnek.h"
#include "driver/names_file.h"
#include "driver/run.h"
#include "driver/stage.h"
#include "driver/stage_header.h"
#include "input/control_input.h"
#include "core/list_reader.h"
#include "report/report_helpers.h"
#include "report/results_report.h"

#ifndef DARNEK_VERSION_STRING
#define DARNEK_VERSION_STRING "0.0.0"
#endif

namespace darnek {
namespace {

void WriteHandOffMessage(std::ostream& console) {
  console << " PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n"
          << " BEFORE COMPUTATION.  TRY IT AGAIN!\n";
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

// Whether a file can be written, without truncating an existing one or
// leaving a new one behind.
bool CanWrite(const std::string& path) {
  if (path.empty()) return false;
  std::ifstream probe_existing(path);
  const bool existed = static_cast<bool>(probe_existing);
  probe_existing.close();
  std::ofstream probe(path, std::ios::app);
  const bool ok = static_cast<bool>(probe);
  probe.close();
  if (ok && !existed) std::remove(path.c_str());
  return ok;
}

bool OpenFiles(RunContext& ctx, std::ostream& console) {
  const FileNames& n = ctx.names;
  auto input = std::make_unique<std::ifstream>(n.input, std::ios::binary);
  if (n.input.empty() || !*input) {
    WriteHandOffMessage(console);
    console << " The input data file cannot be opened: " << n.input << "\n";
    return false;
  }
  for (const std::string* path : {&n.report, &n.plot, &n.run_log}) {
    if (!CanWrite(*path)) {
      WriteHandOffMessage(console);
      console << " This output file cannot be written: " << *path << "\n";
      return false;
    }
  }
  ctx.input_file = std::move(input);
  return ctx.report.Open(n.report) && ctx.plot.Open(n.plot) && ctx.log.Open(n.run_log);
}

void CloseFiles(RunContext& ctx) {
  ctx.report.Close();
  ctx.input_file.reset();
  ctx.plot.Close();
  ctx.log.Close();
}

bool Solved(StageOutcome outcome) {
  return outcome == StageOutcome::Closed || outcome == StageOutcome::SingleSolution;
}

StageSummary Summarize(const ProblemData& d) {
  StageSummary s;
  s.stage = d.Run.StageCounter;
  s.unit_flag = d.Run.UnitFlag;
  s.iterations = d.Results.Iterations;
  s.solved = Solved(d.Results.Outcome);
  // The soil block, when the stage reads one, says where the excavation is;
  // otherwise the dividing depth stands for it, as it does for the curves.
  const bool soil_block =
      GeneratesEarthPressure(d.C1.EarthPressureOption) || d.C1.PyCurveOption == PyCurveSource::Generated;
  s.excavation_depth = soil_block ? d.Wall.FreeHeight : d.C2.DividingDepth;
  switch (d.Results.Outcome) {
    case StageOutcome::Closed: s.outcome = "closed"; break;
    case StageOutcome::SingleSolution: s.outcome = "single solution"; break;
    case StageOutcome::DeflectionExceeded: s.outcome = "maximum allowable deflection exceeded"; break;
    case StageOutcome::IterationLimit: s.outcome = "iteration limit reached without closure"; break;
    case StageOutcome::NotRun: s.outcome = "not analysed"; break;
  }
  if (!s.solved) return s;
  for (const StationResult& r : d.Results.Stations) {
    if (std::fabs(r.Deflection) > std::fabs(s.max_deflection)) {
      s.max_deflection = r.Deflection;
      s.max_deflection_depth = r.X;
    }
    if (std::fabs(r.Moment) > std::fabs(s.max_moment)) {
      s.max_moment = r.Moment;
      s.max_moment_depth = r.X;
    }
  }
  int number = 0;
  for (const TieBack& t : d.TieBacks) s.tie_backs.push_back({++number, t.Station, t.Depth, t.ForcePerTieBack});
  return s;
}

// The stage loop: title, first control line, heading, the stage, the
// stage-continuation value; until the value is 0 or the number of stages.
void StageLoop(RunContext& ctx, ListReader& reader, RunResult& result, int* last_stage_code,
               const StageObserver& observer) {
  ProblemData& d = ctx.data;
  for (;;) {
    input::ReadTitle(ctx, reader);
    ++d.Run.StageCounter;
    if (d.Run.StageCounter == 1) d.Run.StageTitle = d.Run.Title;
    input::ReadControlLine1(ctx, reader);
    if (d.Run.StageCounter > 1) {
      ctx.report.EndRecord();
      ctx.report.EndRecord();
    }
    WriteBanner(ctx);
    WriteFileBlock(ctx);
    WriteTimeStamp(ctx, ctx.clock ? ctx.clock() : LocalNow());
    WriteStageHeading(ctx);
    // The reader accepts only the two unit systems (core/codes.h).
    d.Run.UnitFlag = d.C1.UnitSystemCode == UnitSystem::English ? 1 : -1;
    SetUnitLabels(d.Run.Labels, d.Run.UnitFlag);

    d.Results.Outcome = StageOutcome::NotRun;
    RunStage(ctx, reader);
    result.stages.push_back(Summarize(d));
    if (observer) observer(ctx);

    int continuation = 0;
    // A file that simply ends after its last stage ends the run as a 0 would.
    reader.ReadIfAny("stage-continuation value", {{"continuation", &continuation}});
    d.Run.ContinuationValue = continuation;
    const bool failed = !Solved(d.Results.Outcome);
    if (continuation == d.C1.NumStages || continuation == 0) {
      // The last stage's results block follows "END OF ANALYSIS", with the
      // stage code of the stage before it.
      *last_stage_code = failed ? 0 : d.Run.PlotStageCode;
      return;
    }
    d.Run.PlotStageCode = failed ? 0 : (continuation == 9 ? 2 : d.C1.NumStages);
    report::WritePlotResults(ctx, d.Run.PlotStageCode);
  }
}

}  // namespace

const char* Version() { return DARNEK_VERSION_STRING; }

RunResult Run(const RunOptions& options) { return RunWith(options, {}); }

RunResult RunWith(const RunOptions& options, const StageObserver& observer, const RunLimits& limits) {
  RunResult result;
  std::ostream& console = options.console ? *options.console : std::cerr;

  auto ctx = std::make_unique<RunContext>();
  if (options.files) {
    ctx->names = *options.files;
    ctx->data.Run.VersionText = PadRight(options.version_text, 12);
  } else {
    NamesFile names = ReadNamesFile(options.names_file);
    if (!names.complete) {
      WriteHandOffMessage(console);
      result.status = DARNEK_HANDOFF_FAILED;
      result.message = "NAMES.dat is missing or incomplete: " + options.names_file;
      return result;
    }
    ctx->names = names.files;
    ctx->data.Run.VersionText = names.version_text;
  }
  ctx->clock = options.clock;
  ctx->iteration_cap = limits.iteration_cap;
  ctx->console.Attach(console);
  if (!OpenFiles(*ctx, console)) {
    CloseFiles(*ctx);
    result.status = DARNEK_HANDOFF_FAILED;
    result.message = "a file of the run cannot be opened";
    return result;
  }

  ListReader reader(*ctx->input_file);
  bool normal_end = true;
  int last_stage_code = -1;  // stays -1 when the run ends on an error
  try {
    try {
      StageLoop(*ctx, reader, result, &last_stage_code, observer);
    } catch (const DataError& e) {
      result.message = e.what();
    } catch (const StorageExceeded& e) {
      ctx->report.Write("( / / '     TOO MUCH DATA FOR AVAILABLE STORAGE' / / )");
      result.message = e.what();
    } catch (const QuietEnd&) {
    } catch (const InputError& e) {
      ctx->report.Write("( / / '     **** INPUT ERROR ****' / 5X A )", e.what());
      console << " **** INPUT ERROR **** " << ctx->names.input << ", " << e.what() << "\n";
      result.status = DARNEK_INPUT_REJECTED;
      result.message = e.what();
    }
  } catch (const FatalStop& e) {
    normal_end = false;
    result.status = DARNEK_STOPPED + e.code();
    result.stop_code = e.code();
    result.message = e.what();
  } catch (const std::bad_alloc&) {
    console << " **** INTERNAL ERROR **** out of memory\n";
    result.status = DARNEK_INTERNAL_ERROR;
    result.message = "out of memory";
  } catch (const std::exception& e) {
    console << " **** INTERNAL ERROR **** " << e.what() << "\n";
    result.status = DARNEK_INTERNAL_ERROR;
    result.message = e.what();
  }
  if (normal_end) {
    WriteEndOfAnalysis(*ctx);
    if (last_stage_code >= 0) report::WritePlotResults(*ctx, last_stage_code);
  }
  CloseFiles(*ctx);
  return result;
}

}  // namespace darnek

extern "C" DARNEK_API int32_t DARNEK_CALL IDARNEK(int32_t code) {
  if (code != 1) return DARNEK_NOT_CALLED;
  try {
    return darnek::Run(darnek::RunOptions{}).status;
  } catch (...) {
    return DARNEK_INTERNAL_ERROR;
  }
}
