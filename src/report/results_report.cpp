// Results of a stage: report tables and plot-data records, from the results
// the stage computed.
#include "report/results_report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "solver/stage_memory.h"

namespace darnek::report {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Solved(StageOutcome outcome) {
  return outcome == StageOutcome::Closed || outcome == StageOutcome::SingleSolution;
}

// How the stage's tie-back `index` stands with stage memory.
std::string TieBackMemoryText(const solver::StageMemory& memory, size_t index) {
  if (index >= memory.ActiveTieBacks.size()) return "";
  const solver::TieBackMemory& t = memory.ActiveTieBacks[index];
  return t.Held ? "PRESTRESSED (FORCE HELD)" : "LOCKED IN STAGE " + std::to_string(t.LockStage);
}

// After the message of a stage that did not close, what load stepping could
// carry of its loads.
void WriteBeyondCapacity(RunContext& ctx) {
  if (!ctx.Data.Results.LoadStepped) return;
  for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
    unit->Write(
        "( '     ***** THE WALL IS BEYOND THE CAPACITY OF ITS SUPPORTS: LOAD STEPPING CARRIED' F6.3 "
        "' OF THE LOADS *****' )",
        ctx.Data.Results.LoadFraction);
}

}  // namespace

void WriteResults(RunContext& ctx) {
  ProblemData& d = ctx.Data;
  OutputUnit& out = ctx.Report;
  const ResultsData& results = d.Results;
  out.Write("( / / '     RESULTS' / '     -------' / '     NUMBER OF ITERATIONS : ' I3 )",
            results.Iterations);
  const bool iterated = d.C2.MaxIterations != 0;
  if (results.Outcome == StageOutcome::BrokeDown) {
    for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
      unit->Write(
          "( / '     ***** SOLUTION BROKE DOWN: VALUES THAT ARE NOT FINITE *****' / "
          "'     ***** THE ' A ' AT STATION' I5 ' IS ' A ' *****' )",
          Upper(results.BreakdownQuantity), results.BreakdownStation,
          results.BreakdownNotANumber ? "NOT A NUMBER" : "INFINITE");
    return;
  }
  if (iterated && results.Outcome == StageOutcome::DeflectionExceeded) {
    for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
      unit->Write("( / '     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***' I4 '  *** STATIONS *****' )",
                  results.ExceedingStations);
    WriteBeyondCapacity(ctx);
    return;
  }
  if (iterated && results.Outcome == StageOutcome::IterationLimit) {
    for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
      unit->Write(
          "( / '     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****' / "
          "'     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED' ' TOLERANCE *****' )");
    WriteBeyondCapacity(ctx);
    return;
  }
  if (results.LoadStepped) {
    for (OutputUnit* unit : {&ctx.Report, &ctx.Log})
      unit->Write(
          "( / '     ***** ITERATION NOT CLOSED: SOLUTION FOUND BY LOAD STEPPING IN' I4 ' STEPS *****' )",
          results.LoadSteps);
  }

  const UnitLabels& l = d.Run.Labels;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;
  const std::string x_label = l.LargeLengthLabel.substr(0, 3);
  out.Write(
      "( / '   STA I      X         DEFL.       SLOPE     ' ' MOMENT      SHEAR    SOIL_REACT NET_FORCE/STA "
      "' "
      "'   EI' )");
  out.Write("( 12X A3 9X A3 10X 'RAD' 6X A3 A1 A2 7X A4 3X 4X A3 '/' A2 7X A4 6X A3 A1 A2 A2 A1 )", x_label,
            l.LengthLabel, l.ForceLabel3, "-", l.LengthLabel2, l.ForceLabel, l.ForceLabel3, l.LengthLabel2,
            l.ForceLabel, l.ForceLabel3, "-", l.LengthLabel2, "**", "2");
  out.Write(
      "( '   ------    ----        ----       -----     ' ' ------      ------    ---------   ---------   ' "
      "'---------' )");
  // X prints in feet for English units.
  const auto feet = [english](double x) { return english ? x / 12 : x; };
  for (const StationResult& r : results.Stations) {
    out.Write("( 2X I4 2X 1P E10.3 7E12.3 )", r.Station, feet(r.X), r.Deflection, r.Slope, r.Moment, r.Shear,
              r.SoilReaction, r.NetForce, r.EI);
  }

  if (!d.Restraints.empty()) {
    out.Write(
        "( / / '     LATERAL AND ROTATIONAL RESTRAINT RESULTS' / "
        "'     ----------------------------------------' / / "
        "'     STA         X             FORCE           MOMENT' )");
    out.Write("( 15X A3 14X A3 11X A3 '-' A3 )", x_label, l.ForceLabel3, l.ForceLabel3, l.LengthLabel);
    out.Write("( '    -----    ---------       ---------       ---------' )");
    const int n = d.C2.NumIncrements;
    for (const Restraint& r : d.Restraints) {
      for (int s = std::max(r.From, -1); s <= std::min(r.To, n); ++s) {
        double x = 0, w = 0, slope = 0;
        if (s >= 0) {
          const StationResult& row = results.Stations[static_cast<size_t>(s)];
          x = row.X;
          w = row.Deflection;
          slope = row.Slope;
        } else {
          // The imaginary station above the top, with the deflection beyond
          // it extrapolated as for the moments.
          const double h = d.C2.IncrementLength;
          x = -h;
          w = d.Stations.W[-1];
          slope = (d.Stations.W[0] - w) / h;
        }
        out.Write("( 3X I5 2X 1P E12.3 2X E15.4 2X E15.4 )", s, feet(x), r.LateralStiffness * w,
                  r.RotationalStiffness * slope);
      }
    }
  }

  if (d.C1.NumTieBacks > 0) {
    out.Write(
        "( / / '     TIE BACK RESULTS' / '     ----------------' / / "
        "'     N     STA         X       ' ' HOR.FORCE/STA.     FORCE/STA.     FORCE/TIE BACK' )");
    out.Write("( 21X A3 12X A3 15X A3 15X A3 )", x_label, l.ForceLabel3, l.ForceLabel3, l.ForceLabel3);
    out.Write("( '   -----  -----    --------    ' ' --------------   --------------   --------------' )");
    int number = 0;
    for (const TieBack& t : d.TieBacks) {
      out.Write("( 1X I5 2X I5 2X 1P E12.3 2X E15.4 2X E15.4 2X E15.4 )", ++number, t.Station, t.Depth,
                t.HorizontalForcePerStation, t.ForcePerStation, t.ForcePerTieBack);
    }
    if (ctx.Memory) {
      out.Write("( / '     TIE BACK STATE WITH STAGE MEMORY' )");
      for (size_t i = 0; i < d.TieBacks.size(); ++i)
        out.Write("( 1X I5 4X A )", static_cast<int>(i + 1), TieBackMemoryText(*ctx.Memory, i));
    }
  }
}

void WritePlotResults(RunContext& ctx, int stage_code) {
  const ProblemData& d = ctx.Data;
  const ResultsData& results = d.Results;
  if (!Solved(results.Outcome)) {
    ctx.Plot.List(0, results.LastResultRows, d.Run.UnitFlag);
    return;
  }
  ctx.Plot.List(stage_code, static_cast<int>(results.Stations.size()), d.Run.UnitFlag);
  for (const StationResult& r : results.Stations)
    ctx.Plot.Write("( 7(1X 1P E13.4) )", r.X, r.Deflection, r.Moment, r.Shear, r.NetForce, r.EI,
                   r.SoilReaction);
  ctx.Plot.List(static_cast<int>(d.TieBacks.size()));
  int number = 0;
  for (const TieBack& t : d.TieBacks) {
    ctx.Plot.Write("( 1X I5 2X I5 2X 1P E12.3 8(2X 1P E15.4) )", ++number, t.Station, t.Depth, t.Spacing,
                   t.Area, t.Angle, t.HorizontalForcePerStation, t.ForcePerStation, t.ForcePerTieBack,
                   t.Prestress);
  }
}

void WritePlotUserCurves(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  ctx.Plot.List(CodeNumber(d.C1.UnitSystemCode), static_cast<int>(d.UserPyCurves.size()));
  for (const UserPyCurve& c : d.UserPyCurves) {
    ctx.Plot.List(c.Station, static_cast<int>(c.Y.size()));
    for (size_t i = 0; i < c.Y.size(); ++i) ctx.Plot.List(c.Y[i] * c.YMultiplier, c.P[i] * c.PMultiplier);
  }
}

void WritePlotPyCurves(RunContext& ctx, std::span<const WrittenPyCurve> curves) {
  ctx.Plot.List(CodeNumber(ctx.Data.C1.UnitSystemCode), static_cast<int>(curves.size()));
  for (const WrittenPyCurve& c : curves) {
    ctx.Plot.Write("( 1X F10.2 1X I5 )", c.Depth, static_cast<int>(c.Deflection.size()));
    for (size_t i = 0; i < c.Deflection.size(); ++i) ctx.Plot.List(c.Deflection[i], c.Resistance[i]);
  }
}

}  // namespace darnek::report
