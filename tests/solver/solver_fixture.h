// Shared set-up for the solver tests: a run context whose report and run log
// go to string streams, with the station tables prepared for N increments.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "core/report_helpers.h"
#include "core/run_context.h"
#include "solver/stations.h"
#include "support/codes.h"

namespace darnek::solver::testing {

struct SolverContext {
  RunContext Ctx;
  std::ostringstream Report;
  std::ostringstream Log;

  SolverContext(int n, double h, int unit_system = 2) {
    Ctx.Report.Attach(Report);
    Ctx.Log.Attach(Log);
    Ctx.Data.C1.UnitSystemCode = darnek::testing::Code<UnitSystem>(unit_system);
    Ctx.Data.Run.UnitFlag = unit_system == 1 ? 1 : -1;
    SetUnitLabels(Ctx.Data.Run.Labels, Ctx.Data.Run.UnitFlag);
    Ctx.Data.C2.NumIncrements = n;
    Ctx.Data.C2.IncrementLength = h;
    Ctx.Data.C2.WallLength = n * h;
    Ctx.Data.C2.DeflectionTolerance = 1e-9;
    Ctx.Data.C2.MaxAllowableDeflection = 1e9;
    Ctx.Data.C2.ResultWidth = 1.0;
    PrepareStations(Ctx);
  }
  StationTables& st() { return Ctx.Data.Stations; }
  int n() const { return Ctx.Data.C2.NumIncrements; }
  double h() const { return Ctx.Data.C2.IncrementLength; }

  // The report lines written so far, without the final newline's empty tail.
  std::vector<std::string> ReportLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Report.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

}  // namespace darnek::solver::testing
