// One stage, in the order its records stand in the input file: each record is
// read and echoed, handed to the subsystem that turns it into loads, springs
// or soil curves; the wall is then solved, its results computed, and only then
// written.
#include "driver/stage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/water_table.h"
#include "input/control_input.h"
#include "input/stage_tables.h"
#include "pressure/earth_pressure.h"
#include "report/iteration_log.h"
#include "report/results_report.h"
#include "soil/py_curves.h"
#include "solver/load_stepping.h"
#include "solver/rounding_check.h"
#include "solver/solver.h"
#include "solver/stage_memory.h"

namespace darnek {
namespace {

void ReadControlAndWall(RunContext& ctx, ListReader& reader) {
  input::EchoControlLine1(ctx);
  input::ReadControlLine2(ctx, reader);
  if (ctx.Memory) solver::CheckMemoryStations(ctx);
  solver::PrepareStations(ctx);
  input::ReadSpecifiedConditions(ctx, reader);
  solver::SetSpecifiedConditions(ctx);
  input::ReadWallSections(ctx, reader);
  input::ReadCrossSections(ctx, reader);
  input::ReadNonlinearEITables(ctx, reader);
  // The stiffness echo shows each station's flexural rigidity, so it is set
  // from the sections before the stiffness rows are read.
  solver::UpdateFlexuralRigidity(ctx);
}

void ReadSupports(RunContext& ctx, ListReader& reader) {
  input::ReadStiffnessLoadRows(ctx, reader);
  solver::AddStiffnessLoadRows(ctx);
  input::ReadRestraintsAndTieBacks(ctx, reader);
  solver::AddRestraints(ctx);
  solver::AddTieBacks(ctx);
  solver::CheckBeyondEnd(ctx);
  input::EchoTieBackTable(ctx);
  input::ReadPyModificationFactors(ctx, reader);
}

// Strength reduction and factored analyses: the soil's strength divided by
// its factors before anything is generated from it.
void FactorSoilStrength(SoilData& soil, const SoilStrengthFactors& f) {
  constexpr double kDegree = std::numbers::pi / 180;
  for (SoilLayer& layer : soil.Layers) {
    const bool undrained = IsClay(layer.SoilTypeCode) || IsRock(layer.SoilTypeCode);
    for (SoilValues* v : {&layer.Top, &layer.Bottom}) {
      v->PHI = std::atan(std::tan(v->PHI * kDegree) / f.TanPhi) / kDegree;
      v->S /= undrained ? f.Undrained : f.Cohesion;
      v->UnitWeight /= f.UnitWeight;
    }
  }
}

// A combination's actions, before the pressures and curves are generated:
// the active earth and water pressure times the permanent factor, the
// surcharges times the variable one (the surface pressure enters the active
// pressure, so it takes the ratio), and the excavation lowered.
void FactorActions(WallWaterData& w, const DesignActionFactors& a) {
  w.ActiveModificationFactor *= a.Permanent;
  w.SurfacePressure *= a.Variable / a.Permanent;
  for (SurchargeLoad& load : w.SurchargeLoads) load.Magnitude *= a.Variable;
  // Water at the excavation level stays at the lowered one: the allowance
  // is of the ground, not a pond in front of the wall.
  if (HasWaterTable(w.WaterDepthExcavation) &&
      std::fabs(w.WaterDepthExcavation - w.FreeHeight) <= 1e-9 * std::max(1.0, w.FreeHeight))
    w.WaterDepthExcavation += a.ExcavationLowering;
  w.FreeHeight += a.ExcavationLowering;
}

// The earth-pressure load on the wall: generated from the soil layers or
// given as a diagram; the soil block also feeds the generated p-y curves.
void ApplyEarthPressure(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  const EarthPressureMode mode = d.C1.EarthPressureOption;
  d.Pressure.Rows.clear();
  if (GeneratesEarthPressure(mode) || d.C1.PyCurveOption == PyCurveSource::Generated) {
    input::ReadEarthPressureAndSoilBlock(ctx, reader);
    const SoilStrengthFactors& f = ctx.SoilStrength;
    const bool factored = f.TanPhi != 1 || f.Cohesion != 1 || f.Undrained != 1 || f.UnitWeight != 1;
    if (factored && (f.Stage == 0 || f.Stage == d.Run.StageCounter)) FactorSoilStrength(d.Soil, f);
    const DesignActionFactors& a = ctx.DesignActions;
    const bool acted = a.Permanent != 1 || a.Variable != 1 || a.ExcavationLowering != 0;
    if (acted && (a.Stage == 0 || a.Stage == d.Run.StageCounter)) FactorActions(d.Wall, a);
  }
  if (mode == EarthPressureMode::SpecifiedDiagram) input::ReadSpecifiedPressureTable(ctx, reader);
  if (GeneratesEarthPressure(mode)) {
    pressure::GeneratePressureDiagram(ctx);
    pressure::LoadPressureRows(ctx);
  } else if (mode == EarthPressureMode::SpecifiedDiagram) {
    pressure::ApplySpecifiedPressure(ctx);
  }
}

// User curves go straight into the solver's table, p made a load per station.
void FillUserCurveTable(RunContext& ctx) {
  ProblemData& d = ctx.Data;
  const double h = d.C2.IncrementLength;
  d.PyCurves.clear();
  for (const UserPyCurve& u : d.UserPyCurves) {
    PyCurve c;
    c.From = c.To = u.Station;
    c.Contd = u.Contd;
    for (size_t i = 0; i < u.Y.size(); ++i) {
      c.Y.push_back(u.Y[i] * u.YMultiplier);
      c.P.push_back(u.P[i] * u.PMultiplier * h);
    }
    d.PyCurves.push_back(std::move(c));
  }
  report::WritePlotUserCurves(ctx);
}

void BuildSoilCurves(RunContext& ctx, ListReader& reader) {
  input::ReadUserPyCurves(ctx, reader);
  if (ctx.Data.C1.PyCurveOption == PyCurveSource::Generated) {
    const std::vector<WrittenPyCurve> curves = soil::GeneratePyCurves(ctx);
    soil::FillCurveTable(ctx.Data, curves);
    report::WritePlotPyCurves(ctx, curves);
  } else {
    FillUserCurveTable(ctx);
  }
}

}  // namespace

void RunStage(RunContext& ctx, ListReader& reader) {
  ReadControlAndWall(ctx, reader);
  ReadSupports(ctx, reader);
  ApplyEarthPressure(ctx, reader);
  BuildSoilCurves(ctx, reader);
  // With stage memory a stage stands on the one before it; once one has
  // failed, there is nothing for the later stages to stand on.
  if (ctx.Memory && ctx.Memory->FailedStage > 0) {
    for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
      unit->Write("( / '     ***** NOT ANALYSED: PREVIOUS STAGE FAILED *****' )");
    ctx.Data.Results = ResultsData{};
    return;
  }
  // With stage memory each spring's curve, composed from its history, stands
  // in for the stage's curves; the stage's own stay for its results.
  const std::vector<PyCurve> composed = ctx.Memory ? solver::PrepareMemoryStage(ctx) : std::vector<PyCurve>();
  const std::vector<PyCurve>& curves = ctx.Memory ? composed : ctx.Data.PyCurves;
  solver::UpdateFlexuralRigidity(ctx);
  solver::IterationMonitor monitor;
  monitor.Started = [&ctx](bool single) { report::WriteMonitoringHeading(ctx.Log, single); };
  monitor.Stepped = [&ctx](const IterationStep& step) { report::WriteMonitoringLine(ctx.Log, step); };
  solver::IterateStage(ctx, curves, monitor);
  // A stage that did not close may still have a solution that the iteration
  // overshot; load stepping looks for it before the stage is given up.
  ResultsData& results = ctx.Data.Results;
  results.LoadStepped =
      results.Outcome == StageOutcome::DeflectionExceeded || results.Outcome == StageOutcome::IterationLimit;
  if (results.LoadStepped) {
    const solver::LoadSteppingOutcome stepped = solver::SolveByLoadStepping(ctx, curves);
    results.LoadSteps = stepped.Steps;
    results.LoadFraction = stepped.Fraction;
    if (stepped.Found) results.Outcome = StageOutcome::Closed;
  }
  if (results.Outcome == StageOutcome::Closed || results.Outcome == StageOutcome::SingleSolution)
    solver::CheckRoundingError(ctx.Data, ctx.Data.Stations);
  const bool has_results = solver::HasStationResults(ctx.Data);
  if (has_results) solver::DeriveStationResults(ctx.Data);
  if (ctx.Memory) solver::CloseMemoryStage(ctx, has_results);
  report::WriteResults(ctx);
}

}  // namespace darnek
