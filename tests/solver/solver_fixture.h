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
  RunContext ctx;
  std::ostringstream report;
  std::ostringstream log;

  SolverContext(int n, double h, int unit_system = 2) {
    ctx.report.Attach(report);
    ctx.log.Attach(log);
    ctx.data.C1.UnitSystemCode = darnek::testing::Code<UnitSystem>(unit_system);
    ctx.data.Run.UnitFlag = unit_system == 1 ? 1 : -1;
    SetUnitLabels(ctx.data.Run.Labels, ctx.data.Run.UnitFlag);
    ctx.data.C2.NumIncrements = n;
    ctx.data.C2.IncrementLength = h;
    ctx.data.C2.WallLength = n * h;
    ctx.data.C2.DeflectionTolerance = 1e-9;
    ctx.data.C2.MaxAllowableDeflection = 1e9;
    ctx.data.C2.ResultWidth = 1.0;
    PrepareStations(ctx);
  }
  StationTables& st() { return ctx.data.Stations; }
  int n() const { return ctx.data.C2.NumIncrements; }
  double h() const { return ctx.data.C2.IncrementLength; }

  // The report lines written so far, without the final newline's empty tail.
  std::vector<std::string> ReportLines() const {
    std::vector<std::string> lines;
    std::istringstream in(report.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

}  // namespace darnek::solver::testing
