// Results of a stage: derivation, report tables and plot-data records.
#include "report/results_report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace darnek::report {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Solved(StageOutcome outcome) {
  return outcome == StageOutcome::Closed || outcome == StageOutcome::SingleSolution;
}

// After the message of a stage that did not close, what load stepping could
// carry of its loads.
void WriteBeyondCapacity(RunContext& ctx) {
  if (!ctx.data.Results.LoadStepped) return;
  for (OutputUnit* unit : {&ctx.report, &ctx.log})
    unit->Write(
        "( '     ***** THE WALL IS BEYOND THE CAPACITY OF ITS SUPPORTS: LOAD STEPPING CARRIED' F6.3 "
        "' OF THE LOADS *****' )",
        ctx.data.Results.LoadFraction);
}

}  // namespace

void DeriveStationResults(ProblemData& d) {
  const int n = d.C2.NumIncrements;
  const double h = d.C2.IncrementLength;
  const StationTables& st = d.Stations;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;

  // Deflections one station beyond the imaginary stations, extrapolated
  // linearly, so that the end moments use the imaginary stations' own slope.
  auto w = [&](int k) {
    if (k == -2) return 2 * st.W[-1] - st.W[0];
    if (k == n + 2) return 2 * st.W[n + 1] - st.W[n];
    return st.W[k];
  };
  auto moment = [&](int k) { return st.EI[k] * (w(k - 1) - 2 * w(k) + w(k + 1)) / (h * h); };

  std::vector<StationResult>& rows = d.Results.Stations;
  rows.assign(static_cast<size_t>(n) + 1, StationResult{});
  // A moving window of three moments walks the stations -1 .. N+1.
  double m_previous = moment(-1);
  double m_current = moment(0);
  for (int k = 0; k <= n; ++k) {
    const double m_next = moment(k + 1);
    StationResult& r = rows[static_cast<size_t>(k)];
    r.Station = k;
    r.X = k * h;
    r.Deflection = st.W[k];
    r.Slope = (st.W[k + 1] - st.W[k - 1]) / (2 * h);
    r.Moment = m_current;
    r.Shear = (m_next - m_previous) / (2 * h);
    r.NetForce = (m_previous - 2 * m_current + m_next) / h;
    r.SoilReaction = st.SoilReaction[k];
    r.EI = st.EI[k];
    m_previous = m_current;
    m_current = m_next;
  }
  // An applied couple acts at one station; without this correction the
  // differenced moments would show it as a spurious pair of lateral loads.
  for (const AppliedTorque& t : d.AppliedTorques) {
    for (int k = std::max(0, t.Station - 1); k <= std::min(n, t.Station + 1); ++k) {
      StationResult& r = rows[static_cast<size_t>(k)];
      if (t.Station == k) {
        r.Shear -= t.F;
      } else if (t.Station == k - 1) {
        r.NetForce += t.F;
        r.Shear -= 0.5 * t.F;
      } else {
        r.NetForce -= t.F;
        r.Shear -= 0.5 * t.F;
      }
    }
  }
  for (TieBack& t : d.TieBacks) {
    const double w_station = (t.Station >= -3 && t.Station <= n + 3) ? st.W[t.Station] : 0.0;
    t.HorizontalForcePerStation = t.PrestressLoad - t.Stiffness * w_station;
    t.ForcePerStation = t.HorizontalForcePerStation / t.CosAngle;
    t.ForcePerTieBack = english ? t.ForcePerStation * 12 * t.Spacing / d.C2.ResultWidth
                                : t.ForcePerStation * t.Spacing / d.C2.ResultWidth;
  }
  d.Results.LastResultRows = n + 1;
}

void WriteResults(RunContext& ctx) {
  ProblemData& d = ctx.data;
  OutputUnit& out = ctx.report;
  const ResultsData& results = d.Results;
  out.Write("( / / '     RESULTS' / '     -------' / '     NUMBER OF ITERATIONS : ' I3 )",
            results.Iterations);
  const bool iterated = d.C2.MaxIterations != 0;
  if (results.Outcome == StageOutcome::BrokeDown) {
    for (OutputUnit* unit : {&ctx.report, &ctx.log})
      unit->Write(
          "( / '     ***** SOLUTION BROKE DOWN: VALUES THAT ARE NOT FINITE *****' / "
          "'     ***** THE ' A ' AT STATION' I5 ' IS ' A ' *****' )",
          Upper(results.BreakdownQuantity), results.BreakdownStation,
          results.BreakdownNotANumber ? "NOT A NUMBER" : "INFINITE");
    return;
  }
  if (iterated && results.Outcome == StageOutcome::DeflectionExceeded) {
    for (OutputUnit* unit : {&ctx.report, &ctx.log})
      unit->Write("( / '     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***' I4 '  *** STATIONS *****' )",
                  results.ExceedingStations);
    WriteBeyondCapacity(ctx);
    return;
  }
  if (iterated && results.Outcome == StageOutcome::IterationLimit) {
    for (OutputUnit* unit : {&ctx.report, &ctx.log})
      unit->Write(
          "( / '     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****' / "
          "'     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED' ' TOLERANCE *****' )");
    WriteBeyondCapacity(ctx);
    return;
  }
  if (results.LoadStepped) {
    for (OutputUnit* unit : {&ctx.report, &ctx.log})
      unit->Write(
          "( / '     ***** ITERATION NOT CLOSED: SOLUTION FOUND BY LOAD STEPPING IN' I4 ' STEPS *****' )",
          results.LoadSteps);
  }
  DeriveStationResults(d);

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
  }
}

void WritePlotResults(RunContext& ctx, int stage_code) {
  const ProblemData& d = ctx.data;
  const ResultsData& results = d.Results;
  if (!Solved(results.Outcome)) {
    ctx.plot.List(0, results.LastResultRows, d.Run.UnitFlag);
    return;
  }
  ctx.plot.List(stage_code, static_cast<int>(results.Stations.size()), d.Run.UnitFlag);
  for (const StationResult& r : results.Stations)
    ctx.plot.Write("( 7(1X 1P E13.4) )", r.X, r.Deflection, r.Moment, r.Shear, r.NetForce, r.EI,
                   r.SoilReaction);
  ctx.plot.List(static_cast<int>(d.TieBacks.size()));
  int number = 0;
  for (const TieBack& t : d.TieBacks) {
    ctx.plot.Write("( 1X I5 2X I5 2X 1P E12.3 8(2X 1P E15.4) )", ++number, t.Station, t.Depth, t.Spacing,
                   t.Area, t.Angle, t.HorizontalForcePerStation, t.ForcePerStation, t.ForcePerTieBack,
                   t.Prestress);
  }
}

void WritePlotUserCurves(RunContext& ctx) {
  const ProblemData& d = ctx.data;
  ctx.plot.List(CodeNumber(d.C1.UnitSystemCode), static_cast<int>(d.UserPyCurves.size()));
  for (const UserPyCurve& c : d.UserPyCurves) {
    ctx.plot.List(c.Station, static_cast<int>(c.Y.size()));
    for (size_t i = 0; i < c.Y.size(); ++i) ctx.plot.List(c.Y[i] * c.YMultiplier, c.P[i] * c.PMultiplier);
  }
}

}  // namespace darnek::report
