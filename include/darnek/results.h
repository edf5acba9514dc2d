/* darnek: the results of a run as values, for scripts and for the JSON and
 * CSV files. Filled only when RunOptions::keep_results asks for them.
 *
 * Every value is the engine's own double, not the report's rounding. Depths
 * are in feet (English units) or metres (SI), as the report prints them; every
 * other quantity is in the analysis units: inches and pounds, or metres and
 * kilonewtons. StageResults::units names the unit of each quantity. */
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
  std::string depth;
  std::string deflection;
  std::string slope;
  std::string moment;
  std::string shear;
  std::string soil_reaction; /* force per unit length of wall */
  std::string net_force;     /* force per station */
  std::string ei;
  std::string force;    /* tie-back forces, loads per station */
  std::string pressure; /* pressure diagram: force per unit length of wall */
  std::string py_y;
  std::string py_p; /* force per unit length of wall */
};

/* One value per station, station 0 (the top of the wall) to N. */
struct StationTable {
  std::vector<int> station;
  std::vector<double> depth;
  std::vector<double> deflection;
  std::vector<double> slope;
  std::vector<double> moment;
  std::vector<double> shear;
  std::vector<double> soil_reaction;
  std::vector<double> net_force;
  std::vector<double> ei;
  std::size_t size() const { return station.size(); }
};

struct TieBackResult {
  int number = 0; /* 1-based, in input order */
  int station = 0;
  double depth = 0;
  double horizontal_force_per_station = 0;
  double force_per_station = 0; /* along the tie-back */
  double force_per_tie_back = 0;
  /* With stage memory only: "held" at its prestress, or "locked" at the end
   * of stage lock_stage. Empty without it. */
  std::string memory_state;
  int lock_stage = 0;
};

/* The earth-pressure diagram as the solver loads it: pressures after the
 * width factor (force per unit length of wall). With a specified diagram
 * `active_with_water` holds the specified pressure and `surcharge` the
 * surcharge; the other components are zero. */
struct PressureDiagram {
  std::vector<double> depth;
  std::vector<double> load_per_station; /* `total` times the station spacing */
  std::vector<double> active_with_water;
  std::vector<double> surcharge; /* of the surcharge loads and the surface pressure */
  std::vector<double> passive;
  std::vector<double> at_rest;
  std::vector<double> active;
  std::vector<double> water;
  std::vector<double> surface_share; /* of the uniform surface pressure */
  std::vector<double> surcharge_loads;
  std::vector<double> apparent;
  std::vector<double> total;
  std::size_t size() const { return depth.size(); }
};

/* One p-y curve of the solver's table. A generated curve runs from the
 * backfill side (negative y) to the excavation side. */
struct PyCurveResult {
  bool generated = false; /* else given by the user */
  int station = 0;
  double depth = 0;
  std::vector<double> y;
  std::vector<double> p;
};

/* One pass of the iteration. */
struct IterationRecord {
  int iteration = 0;
  int changed_stations = 0;             /* stations whose deflection changed by more than the tolerance */
  double max_change = 0;                /* the largest change of deflection */
  double deflections[4] = {0, 0, 0, 0}; /* of stations 1 to 4 */
};

struct StageResults {
  int stage = 0;
  std::string outcome; /* as StageSummary::outcome */
  bool solved = false;
  int iterations = 0;
  std::string unit_system; /* "English" or "SI" */
  ResultUnits units;
  StationTable stations;                /* empty when the stage was not solved */
  std::vector<TieBackResult> tie_backs; /* empty when the stage was not solved */
  PressureDiagram pressure;             /* empty without earth pressure */
  std::vector<PyCurveResult> py_curves;
  std::vector<IterationRecord> history; /* empty for a single solution */
  /* With stage memory only: per station, the deflection since the end of the
   * stage before (the total for the first); empty without it. */
  std::vector<double> deflection_since_previous;
};

struct RunResult;

/* The run as one JSON document: status, message, the unit system and units,
 * and per stage its summary and the results above. Numbers are written in
 * their shortest form that reads back to the same double. The run must have
 * been made with RunOptions::keep_results. */
DARNEK_API void WriteResultsJson(std::ostream& out, const RunResult& result);
DARNEK_API std::string ResultsJson(const RunResult& result);

/* Writes the JSON document to a file; on failure returns the reason, naming
 * the file and the system's error text, else an empty string. */
DARNEK_API std::string WriteResultsJsonFile(const std::string& path, const RunResult& result);

/* Writes stages.csv and stage-N-stations.csv (one per solved stage) into
 * `folder`, which must exist; returns the reason of a failure as above. */
DARNEK_API std::string WriteResultsCsv(const std::string& folder, const RunResult& result);

}  // namespace darnek

#endif /* DARNEK_RESULTS_H */
