/* darnek: analysis of flexible retaining walls on nonlinear soil supports.
 *
 * The engine's public surface: the C entry point that the front end calls and,
 * for C++ callers such as the command-line tool, a run API with injectable
 * file names, clock and console. Everything else is internal. */
#ifndef DARNEK_DARNEK_H
#define DARNEK_DARNEK_H

#include <stdint.h>

#if defined(_WIN32)
/* The front end calls IDARNEK with the standard Windows calling convention:
 * one 32-bit argument that the callee removes from the stack. */
#define DARNEK_CALL __stdcall
#if defined(DARNEK_BUILDING)
#define DARNEK_API __declspec(dllexport)
#else
#define DARNEK_API __declspec(dllimport)
#endif
#else
#define DARNEK_CALL
#define DARNEK_API __attribute__((visibility("default")))
#endif

/* Status values returned by IDARNEK and darnek::Run, and the exit status of the
 * command-line tool. */
enum {
  DARNEK_OK = 0,              /* run complete; data errors named in the report also end here */
  DARNEK_NOT_CALLED = 1,      /* IDARNEK called with a code other than 1: nothing touched */
  DARNEK_HANDOFF_FAILED = 2,  /* NAMES.dat unreadable or short, a name unusable or naming another
                                 file of the run, or a file could not be opened: nothing written */
  DARNEK_INPUT_REJECTED = 3,  /* input file malformed or invalid: message in the report, run ended */
  DARNEK_INTERNAL_ERROR = 4,  /* an unexpected failure inside the engine */
  DARNEK_WRITE_FAILED = 5,    /* a file of the run could not be written (or read back): the
                                 console names the file and the reason; the run ended there */
  DARNEK_ANALYSIS_FAILED = 6, /* a stage's solution broke down: non-finite values; the message
                                 names the station */
  DARNEK_STOPPED = 10         /* analysis stopped on a fatal soil or pressure condition;
                                 10 + the stop code when the condition carries one */
};

#ifdef __cplusplus
extern "C" {
#endif

/* Runs one complete analysis described by NAMES.dat in the current directory
 * when code is 1; returns 1 at once, touching no file, for any other code.
 * Names are resolved against the process's current directory, which every
 * thread shares: callers that run analyses side by side use darnek::Run with
 * absolute names (or `RunOptions::Files`), which is re-entrant. */
DARNEK_API int32_t DARNEK_CALL IDARNEK(int32_t code);

#ifdef __cplusplus
}

#include <ctime>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "darnek/design.h"
#include "darnek/results.h"

namespace darnek {

/* The six files of a run, as NAMES.dat names them on lines 5 to 10. */
struct FileNames {
  std::string Input;
  std::string Report;
  std::string Plot;
  std::string RunLog;
  std::string PyScratch;
  std::string PressureScratch;
};

/* Soil strengths divided by factors as a stage's soil layers are read, before
 * its earth pressure and p-y curves are generated (the report echoes the
 * values as read): tan(PHI) of every layer by `TanPhi`, the cohesion of sand
 * and silt by `Cohesion`, the undrained strength of the clays and the
 * strength of rock and weak rock by `Undrained`. Only in stage `Stage`, or
 * in every stage when it is 0. Strength reduction and factored analyses
 * use it. */
struct SoilStrengthFactors {
  double TanPhi = 1;
  double Cohesion = 1;
  double Undrained = 1;
  double UnitWeight = 1;
  int Stage = 0;
};

/* The actions of a factored analysis (a combination of a partial-factor
 * method): `Permanent` multiplies the active earth and water pressure behind
 * the wall, `Variable` the surcharges (the uniform surface pressure and the
 * surcharge loads), and the excavation level is lowered by
 * `ExcavationLowering` (analysis length unit). Stage 0: every stage. */
struct DesignActionFactors {
  double Permanent = 1;
  double Variable = 1;
  double ExcavationLowering = 0;
  int Stage = 0;
};

/* Where an output of the run goes: to its file, into RunResult::Outputs, or
 * nowhere. An output that is not a file is never created, opened or checked
 * against the other names; its name only labels it in the report. */
enum class OutputMode { File, Memory, Discard };

struct OutputModes {
  OutputMode Report = OutputMode::File;
  OutputMode Plot = OutputMode::File;
  OutputMode RunLog = OutputMode::File;
  OutputMode PyScratch = OutputMode::File;
  OutputMode PressureScratch = OutputMode::File;
};

/* The outputs sent to memory, byte for byte what their files would hold at
 * the end of the run (a scratch text holds the last stage that wrote it);
 * empty for the others. */
struct OutputTexts {
  std::string Report;
  std::string Plot;
  std::string RunLog;
  std::string PyScratch;
  std::string PressureScratch;
};

/* Where the engine found an input error, for a caller that gave the input as
 * text translated from another form (a TOML file) and names the place in that
 * form. `Line` is 0 when the error names no record of the input text. */
struct InputErrorPlace {
  int Line = 0;       /* line of the input text */
  std::string Record; /* the record, as the engine names it */
  int Item = 0;       /* 1-based item of the record; 0 for the whole record */
  std::string ItemName;
  std::string Detail;  /* what is wrong, without the place */
  std::string Message; /* the engine's own message */
  int LastLine = 0;    /* the last line the engine had read */
};

struct RunOptions {
  /* Read NAMES.dat from this path (the front end's hand-off) unless `Files` is set. */
  std::string NamesFile = "NAMES.dat";
  /* Files given directly; the version text then comes from `VersionText`. */
  std::optional<FileNames> Files;
  std::string VersionText;
  /* Local time of the analysis; the system clock when empty. */
  std::function<std::tm()> Clock;
  /* Where the console and standard-error messages go; when null, straight to
   * standard error (descriptor 2), one write a line. */
  std::ostream* Console = nullptr;
  /* The input records as text in memory; the input file (`Files->Input` or
   * NAMES.dat's) is then never opened, need not exist, and only names the
   * input in the report (no output that is a file may bear its name). */
  std::optional<std::string> InputText;
  /* Where each output goes. With every output in memory or discarded and
   * `InputText` set, a run touches no file at all. */
  OutputModes Outputs;
  /* Rewrites the message of an input error for the input's own form; the
   * engine's message stands when this is empty. */
  std::function<std::string(const InputErrorPlace&)> DescribeInputError;
  /* Keep every stage's results in RunResult::Results (see darnek/results.h). */
  bool KeepResults = false;
  /* Stage memory (docs/modelling.md): each stage starts from the deflections,
   * spring states and tie-back locks of the stage before it; unload_factor
   * scales the springs' unload/reload stiffness. Off: independent stages. */
  bool StageMemory = false;
  double UnloadFactor = 1.0;
  /* Generated p-y curves every this many length units (inches, metres) below
   * the excavation level, and at every layer boundary and the water table,
   * so that results converge as it shrinks and do not depend on how a soil is
   * split into layers (docs/modelling.md). 0: five curves per layer. */
  double CurveSpacing = 0;
  /* Design checks after every stage (darnek/design.h); none when empty. */
  std::optional<DesignData> Design;
  /* Factors on the soil's strength (all 1: the soil as given). */
  SoilStrengthFactors SoilStrength;
  DesignActionFactors DesignActions;
  /* When positive, the run ends after this stage. */
  int LastStage = 0;
};

/* What the tool prints per stage. */
struct TieBackSummary {
  int Number = 0;
  int Station = 0;
  double Depth = 0; /* as input */
  double ForcePerTieBack = 0;
};

/* One soil layer of a stage, as the input gives it (values at its top). */
struct GroundLayer {
  double Top = 0;    /* depth below the top of the wall, analysis length unit (inches, metres) */
  double Bottom = 0; /* as Top */
  int SoilTypeCode = 0;
  std::string SoilType;  /* "soft clay", "sand", ... */
  double UnitWeight = 0; /* total unit weight: lb/in3, kN/m3 */
  double Strength = 0;   /* S: undrained shear strength, or compressive strength of rock: lb/in2, kN/m2 */
  double FrictionAngleDeg = 0; /* PHI */
};

/* What a stage's pictures show beside the plot data, which does not carry it. */
struct StageGround {
  std::string Title; /* the stage's title line */
  /* False when the stage reads no wall, water and soil records (user p-y
   * curves with a specified or no earth pressure): no layers, no water. */
  bool HasSoilBlock = false;
  std::vector<GroundLayer> Layers;
  /* Water tables behind and in front of the wall, depths below the top of the
   * wall in the analysis length unit; negative: that side has none. */
  double WaterDepthBackfill = -1;
  double WaterDepthExcavation = -1;
  double ResultWidth = 0;        /* the width of wall the results are for, analysis length unit */
  double EarthPressureWidth = 0; /* WA */
  double ResistanceWidth = 0;    /* WP */
};

struct StageSummary {
  int Stage = 0;
  std::string Outcome; /* "closed", "closed by load stepping", "single solution",
                          "maximum allowable deflection exceeded", "iteration limit reached
                          without closure", or the reason it did not run */
  bool Solved = false;
  int Iterations = 0;
  /* Load stepping, tried when the iteration did not close: its increments and
   * the largest fraction of the stage's loads it carried (1 when it closed the
   * stage; below 1 the wall is beyond the capacity of its supports). */
  bool LoadStepped = false;
  int LoadSteps = 0;
  double LoadFraction = 0;
  int UnitFlag = 0;              /* +1 English, -1 SI, 0 neutral */
  double MaxDeflection = 0;      /* signed value of largest magnitude */
  double MaxDeflectionDepth = 0; /* analysis length unit (inches for English units) */
  double MaxMoment = 0;
  double MaxMomentDepth = 0;
  /* The two depths in the unit the report prints depths in (feet for English
   * units, metres for SI): the station's depth, its number times the
   * increment length as decimals multiply (3.9, not 3.9000000000000004). */
  double MaxDeflectionReportDepth = 0;
  double MaxMomentReportDepth = 0;
  /* Depth of the excavation level (analysis length unit), for the pictures. */
  double ExcavationDepth = 0;
  std::vector<TieBackSummary> TieBacks;
  StageGround Ground;
};

struct RunResult {
  int Status = DARNEK_OK;
  int StopCode = 0;    /* the stop code of a fatal condition, when it has one */
  std::string Message; /* the reason for a nonzero status */
  std::vector<StageSummary> Stages;
  /* The run's stage memory, as RunOptions asked for it. */
  bool StageMemory = false;
  double UnloadFactor = 1.0;
  /* Per stage, when RunOptions::KeepResults asks for them. */
  std::vector<StageResults> Results;
  /* The outputs that RunOptions::Outputs sends to memory. */
  OutputTexts Outputs;
  /* Per stage, when RunOptions::Design asks for design checks. */
  std::vector<StageChecks> Checks;
  /* The method applied and the governing checks over all stages; its
   * `Method` is empty without design checks. */
  DesignSummary Design;
};

/* One complete run. Re-entrant: any number of threads may run at once, each
 * with its own files. Relative names are resolved once, at the start, against
 * the current directory; the files are then held open to the end of the run. */
DARNEK_API RunResult Run(const RunOptions& options);

/* The same run, its result left in `result` in place of what it held, as
 * std::getline fills a string: the room of the strings in `result.Outputs`
 * is reused for this run's outputs, the text of those kept in memory and the
 * write buffers of those in files (which come back empty, their room kept
 * for the next run). A caller that runs many analyses one after another
 * (a batch's worker thread, a benchmark's loop) thereby writes each run's
 * output into memory it already holds, instead of fresh pages that the
 * system must supply, and gives it back when it drops the result. */
DARNEK_API void Run(const RunOptions& options, RunResult& result);

DARNEK_API const char* Version();

}  // namespace darnek
#endif

#endif /* DARNEK_DARNEK_H */
