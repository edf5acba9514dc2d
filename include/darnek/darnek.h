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
 * absolute names (or `files`), which is re-entrant. */
DARNEK_API int32_t DARNEK_CALL IDARNEK(int32_t code);

#ifdef __cplusplus
}

#include <ctime>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "darnek/results.h"

namespace darnek {

/* The six files of a run, as NAMES.dat names them on lines 5 to 10. */
struct FileNames {
  std::string input;
  std::string report;
  std::string plot;
  std::string run_log;
  std::string py_scratch;
  std::string pressure_scratch;
};

/* Where an output of the run goes: to its file, into RunResult::outputs, or
 * nowhere. An output that is not a file is never created, opened or checked
 * against the other names; its name only labels it in the report. */
enum class OutputMode { File, Memory, Discard };

struct OutputModes {
  OutputMode report = OutputMode::File;
  OutputMode plot = OutputMode::File;
  OutputMode run_log = OutputMode::File;
  OutputMode py_scratch = OutputMode::File;
  OutputMode pressure_scratch = OutputMode::File;
};

/* The outputs sent to memory, byte for byte what their files would hold at
 * the end of the run (a scratch text holds the last stage that wrote it);
 * empty for the others. */
struct OutputTexts {
  std::string report;
  std::string plot;
  std::string run_log;
  std::string py_scratch;
  std::string pressure_scratch;
};

/* Where the engine found an input error, for a caller that gave the input as
 * text translated from another form (a TOML file) and names the place in that
 * form. `line` is 0 when the error names no record of the input text. */
struct InputErrorPlace {
  int line = 0;       /* line of the input text */
  std::string record; /* the record, as the engine names it */
  int item = 0;       /* 1-based item of the record; 0 for the whole record */
  std::string item_name;
  std::string detail;  /* what is wrong, without the place */
  std::string message; /* the engine's own message */
  int last_line = 0;   /* the last line the engine had read */
};

struct RunOptions {
  /* Read NAMES.dat from this path (the front end's hand-off) unless `files` is set. */
  std::string names_file = "NAMES.dat";
  /* Files given directly; the version text then comes from `version_text`. */
  std::optional<FileNames> files;
  std::string version_text;
  /* Local time of the analysis; the system clock when empty. */
  std::function<std::tm()> clock;
  /* Where the console and standard-error messages go; std::cerr when null. */
  std::ostream* console = nullptr;
  /* The input records as text in memory; the input file (`files.input` or
   * NAMES.dat's) is then never opened, need not exist, and only names the
   * input in the report (no output that is a file may bear its name). */
  std::optional<std::string> input_text;
  /* Where each output goes. With every output in memory or discarded and
   * `input_text` set, a run touches no file at all. */
  OutputModes outputs;
  /* Rewrites the message of an input error for the input's own form; the
   * engine's message stands when this is empty. */
  std::function<std::string(const InputErrorPlace&)> describe_input_error;
  /* Keep every stage's results in RunResult::results (see darnek/results.h). */
  bool keep_results = false;
  /* Stage memory (docs/modelling.md): each stage starts from the deflections,
   * spring states and tie-back locks of the stage before it; unload_factor
   * scales the springs' unload/reload stiffness. Off: independent stages. */
  bool stage_memory = false;
  double unload_factor = 1.0;
};

/* What the tool prints per stage. */
struct TieBackSummary {
  int number = 0;
  int station = 0;
  double depth = 0; /* as input */
  double force_per_tie_back = 0;
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
  int stage = 0;
  std::string outcome; /* "closed", "closed by load stepping", "single solution",
                          "maximum allowable deflection exceeded", "iteration limit reached
                          without closure", or the reason it did not run */
  bool solved = false;
  int iterations = 0;
  /* Load stepping, tried when the iteration did not close: its increments and
   * the largest fraction of the stage's loads it carried (1 when it closed the
   * stage; below 1 the wall is beyond the capacity of its supports). */
  bool load_stepped = false;
  int load_steps = 0;
  double load_fraction = 0;
  int unit_flag = 0;               /* +1 English, -1 SI, 0 neutral */
  double max_deflection = 0;       /* signed value of largest magnitude */
  double max_deflection_depth = 0; /* analysis length unit (inches for English units) */
  double max_moment = 0;
  double max_moment_depth = 0;
  /* Depth of the excavation level (analysis length unit), for the pictures. */
  double excavation_depth = 0;
  std::vector<TieBackSummary> tie_backs;
  StageGround Ground;
};

struct RunResult {
  int status = DARNEK_OK;
  int stop_code = 0;   /* the stop code of a fatal condition, when it has one */
  std::string message; /* the reason for a nonzero status */
  std::vector<StageSummary> stages;
  /* The run's stage memory, as RunOptions asked for it. */
  bool stage_memory = false;
  double unload_factor = 1.0;
  /* Per stage, when RunOptions::keep_results asks for them. */
  std::vector<StageResults> results;
  /* The outputs that RunOptions::outputs sends to memory. */
  OutputTexts outputs;
};

/* One complete run. Re-entrant: any number of threads may run at once, each
 * with its own files. Relative names are resolved once, at the start, against
 * the current directory; the files are then held open to the end of the run. */
DARNEK_API RunResult Run(const RunOptions& options);

DARNEK_API const char* Version();

}  // namespace darnek
#endif

#endif /* DARNEK_DARNEK_H */
