/* darnek: the results of a run as values, for scripts and for the JSON and
 * CSV files. Filled only when RunOptions::KeepResults asks for them.
 *
 * Every value is the engine's own double, not the report's rounding. Depths
 * are in feet (English units) or metres (SI), as the report prints them; every
 * other quantity is in the analysis units: inches and pounds, or metres and
 * kilonewtons. StageResults::Units names the unit of each quantity. */
/* darnek.h includes this file where RunResult needs it, after its macros. */
#include "darnek/darnek.h"

#ifndef DARNEK_RESULTS_H
#define DARNEK_RESULTS_H

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace darnek {

/* The unit of each quantity, as short names ("ft", "in", "lbs-in", "kN/m"). */
struct ResultUnits {
  std::string Depth;
  std::string Deflection;
  std::string Slope;
  std::string Moment;
  std::string Shear;
  std::string SoilReaction; /* force per unit length of wall */
  std::string NetForce;     /* force per station */
  std::string Ei;
  std::string Force;    /* tie-back forces, loads per station */
  std::string Pressure; /* pressure diagram: force per unit length of wall */
  std::string PyY;
  std::string PyP; /* force per unit length of wall */
};

/* One value per station, station 0 (the top of the wall) to N. */
struct StationTable {
  std::vector<int> Station;
  std::vector<double> Depth;
  std::vector<double> Deflection;
  std::vector<double> Slope;
  std::vector<double> Moment;
  std::vector<double> Shear;
  std::vector<double> SoilReaction;
  std::vector<double> NetForce;
  std::vector<double> Ei;
  /* Per station, as NetForce: the lateral load of the earth pressure and the
   * load rows, and the force of the tie-backs and restraint springs there;
   * with SoilReaction x h they give NetForce (but for an axial load's part),
   * and summed over the stations they balance. */
  std::vector<double> AppliedLoad;
  std::vector<double> SupportForce;
  std::size_t size() const { return Station.size(); }
};

/* How a tie-back stands with stage memory: held at its prestress by the jack,
 * or locked off; None without stage memory. */
enum class TieBackMemoryState { None, Held, Locked };

struct TieBackResult {
  int Number = 0; /* 1-based, in input order */
  int Station = 0;
  double Depth = 0;
  double HorizontalForcePerStation = 0;
  double ForcePerStation = 0; /* along the tie-back */
  double ForcePerTieBack = 0;
  TieBackMemoryState MemoryState = TieBackMemoryState::None;
  int LockStage = 0; /* Locked: the stage whose end state the lock holds */
};

/* The earth-pressure diagram as the solver loads it: pressures after the
 * width factor (force per unit length of wall). With a specified diagram
 * `ActiveWithWater` holds the specified pressure and `Surcharge` the
 * surcharge; the other components are zero. */
struct PressureDiagram {
  std::vector<double> Depth;
  std::vector<double> LoadPerStation; /* `Total` times the station spacing */
  std::vector<double> ActiveWithWater;
  std::vector<double> Surcharge; /* of the surcharge loads and the surface pressure */
  std::vector<double> Passive;
  std::vector<double> AtRest;
  std::vector<double> Active;
  std::vector<double> Water;
  std::vector<double> SurfaceShare; /* of the uniform surface pressure */
  std::vector<double> SurchargeLoads;
  std::vector<double> Apparent;
  std::vector<double> Total;
  std::size_t size() const { return Depth.size(); }
};

/* One p-y curve of the solver's table. A generated curve runs from the
 * backfill side (negative y) to the excavation side. */
struct PyCurveResult {
  bool Generated = false; /* else given by the user */
  int Station = 0;
  double Depth = 0;
  std::vector<double> Y;
  std::vector<double> P;
};

/* One pass of the iteration. */
struct IterationRecord {
  int Iteration = 0;
  int ChangedStations = 0;              /* stations whose deflection changed by more than the tolerance */
  double MaxChange = 0;                 /* the largest change of deflection */
  double Deflections[4] = {0, 0, 0, 0}; /* of stations 1 to 4 */
};

struct StageResults {
  int Stage = 0;
  std::string Outcome; /* as StageSummary::Outcome */
  bool Solved = false;
  int Iterations = 0;
  std::string UnitSystem; /* "English" or "SI" */
  ResultUnits Units;
  StationTable Stations;               /* empty when the stage was not solved */
  std::vector<TieBackResult> TieBacks; /* empty when the stage was not solved */
  PressureDiagram Pressure;            /* empty without earth pressure */
  std::vector<PyCurveResult> PyCurves;
  std::vector<IterationRecord> History; /* empty for a single solution */
  /* With stage memory only: per station, the deflection since the end of the
   * stage before (the total for the first); empty without it. */
  std::vector<double> DeflectionSincePrevious;
};

struct RunResult;

/* The run as one JSON document: status, message, the unit system and units,
 * and per stage its summary and the results above. Numbers are written in
 * their shortest form that reads back to the same double. The run must have
 * been made with RunOptions::KeepResults. */
DARNEK_API void WriteResultsJson(std::ostream& out, const RunResult& result);
DARNEK_API std::string ResultsJson(const RunResult& result);

/* Writes the JSON document to a file, whole: into a temporary file beside it,
 * renamed to `path` when complete (a link at `path` is replaced, never written
 * through). On failure returns the reason, naming the file and the system's
 * error text, else an empty string. */
DARNEK_API std::string WriteResultsJsonFile(const std::string& path, const RunResult& result);

/* The CSV tables that WriteResultsCsv writes, each with its file name:
 * stages.csv first, then stage-N-stations.csv per solved stage. */
struct CsvTable {
  std::string Name;
  std::string Text;
};
DARNEK_API std::vector<CsvTable> ResultsCsvTables(const RunResult& result);

/* Writes stages.csv and stage-N-stations.csv (one per solved stage) into
 * `folder`, which must exist, each whole as above; returns the reason of a
 * failure as above. */
DARNEK_API std::string WriteResultsCsv(const std::string& folder, const RunResult& result);

}  // namespace darnek

#endif /* DARNEK_RESULTS_H */
