// The problem data of one run: every table and scalar that the subsystems
// share, each part in the header of the stage that owns it. One instance per run,
// owned by the run context; a later stage overwrites only what its records read.
#pragma once

#include "core/pressure_data.h"
#include "core/soil_profile_data.h"
#include "core/stage_input.h"
#include "core/stage_results.h"
#include "core/station_tables.h"

namespace darnek {

// ------------------------------------------------------------- the whole body
struct ProblemData {
  RunControl Run;
  ControlLine1 C1;
  ControlLine2 C2;
  StationTables Stations;
  std::vector<SpecifiedCondition> SpecifiedConditions;
  std::vector<WallSection> WallSections;
  std::vector<CrossSection> CrossSections;
  std::vector<EITable> EITables;
  std::vector<StiffnessLoadRow> StiffnessLoadRows;
  std::vector<AppliedTorque> AppliedTorques;
  int NumRestraints = 0;
  std::vector<Restraint> Restraints;
  std::vector<TieBack> TieBacks;
  ReductionCombination CombineAutoReduction = ReductionCombination::TableAlone;
  std::vector<ReductionFactorRow> ReductionFactorTable;
  WallWaterData Wall;
  SoilData Soil;
  std::vector<UserPyCurve> UserPyCurves;
  std::vector<PyCurve> PyCurves;
  SoilProfile Profile;
  EarthPressureData Pressure;
  ResultsData Results;
};

}  // namespace darnek
