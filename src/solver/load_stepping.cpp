// Load stepping for a stage whose iteration ran away. The ordinary iteration
// takes the tangent of each soil curve at the last deflection: where the
// curves end in a flat branch, one solution that overshoots onto it leaves the
// wall with no soil stiffness and the next solution runs off. Here the
// stiffness of each curve is the larger of its tangent and its secant from
// zero deflection, so a station on a flat branch still resists, and the
// residual of the curve is carried as a load: the fixed point is the same
// equilibrium, reached from below rather than by overshooting. Small load
// increments keep each start close to its solution.
#include "solver/load_stepping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "solver/flexural_rigidity.h"
#include "solver/iteration.h"
#include "solver/solve_deflections.h"
#include "solver/supports.h"

namespace darnek::solver {
namespace {

constexpr double kLargestIncrement = 0.1;    // of the full loads
constexpr double kSmallestIncrement = 1e-3;  // below this an increment is not cut again
constexpr int kIterationsPerIncrement = 200;
constexpr int kSolutionBudget = 20000;
// Past kIterationsPerIncrement an increment goes on only while its largest
// change shrinks by this rate per solution or faster, measured over a window.
constexpr int kRateWindow = 10;
constexpr double kSlowestRate = 0.998;

struct Stepper {
  RunContext& Ctx;
  std::span<const PyCurve> Curves;
  StationTables& St;
  const int N;
  const double H;
  const double Tolerance;
  const double MaxDeflection;
  const StationArray<double> FullTorque;
  std::vector<SpecifiedCondition> Conditions;
  int IterationsPerIncrement;
  int Budget;

  // One solution with the loads at `fraction`; false when it is unusable.
  bool Solve(double fraction, bool tangent, SolveSummary& summary) {
    for (int j = -1; j <= N + 1; ++j) {
      St.Q[j] = fraction * St.BaseQ[j];
      St.S[j] = St.BaseS[j];
      St.T[j] = fraction * FullTorque[j];
      St.SoilReaction[j] = 0.0;
    }
    if (!Curves.empty()) {
      if (tangent) {
        ApplySoilCurves(Ctx, Curves);
      } else {
        ApplySoilCurvesBoundedTangent(Ctx, Curves);
      }
    }
    --Budget;
    summary = SolveDeflections(St, Conditions, N, H, Tolerance, MaxDeflection);
    for (int j = -1; j <= N + 1; ++j)
      if (!std::isfinite(St.W[j])) return false;
    return summary.ExceedingStations == 0;
  }

  void ScaleConditions(double fraction) {
    for (size_t k = 0; k < Conditions.size(); ++k) {
      Conditions[k].SpecDeflection = fraction * Ctx.Data.SpecifiedConditions[k].SpecDeflection;
      Conditions[k].SpecSlope = fraction * Ctx.Data.SpecifiedConditions[k].SpecSlope;
    }
  }

  // Iterates the loads at `fraction` to closure from the present deflections.
  // At the full loads, closure must also hold for one solution of the
  // ordinary iteration from the closed state.
  bool Close(double fraction) {
    ScaleConditions(fraction);
    SolveSummary summary;
    // The largest changes of the last kRateWindow solutions, by solution
    // number modulo the window.
    std::array<double, kRateWindow> changes{};
    for (int i = 0; Budget > 0; ++i) {
      if (!Solve(fraction, false, summary)) return false;
      if (summary.ChangedStations == 0) {
        if (fraction < 1.0) return true;
        if (!Solve(fraction, true, summary)) return false;
        if (summary.ChangedStations == 0) return true;
      }
      // Near the capacity of the supports the iteration converges slowly but
      // surely: it goes on past its usual number of solutions while its
      // largest change shrinks fast enough to reach the tolerance within the
      // budget, so that a wall at its capacity is not given up short of it.
      if (i + 1 >= IterationsPerIncrement) {
        if (i < kRateWindow) return false;
        const double rate = std::pow(summary.MaxChange / changes[i % kRateWindow], 1.0 / kRateWindow);
        if (!(rate < kSlowestRate)) return false;
        if (std::log(Tolerance / summary.MaxChange) / std::log(rate) > Budget) return false;
      }
      changes[i % kRateWindow] = summary.MaxChange;
      UpdateFlexuralRigidity(Ctx);
      ApplyHinges(Ctx);
    }
    return false;
  }

  // The ordinary iteration (the tangent of each curve) at `fraction` from the
  // present deflections, with the same closure test.
  bool CloseByTangent(double fraction) {
    ScaleConditions(fraction);
    SolveSummary summary;
    for (int i = 0; i < IterationsPerIncrement && Budget > 0; ++i) {
      if (!Solve(fraction, true, summary)) return false;
      if (summary.ChangedStations == 0) return true;
      UpdateFlexuralRigidity(Ctx);
      ApplyHinges(Ctx);
    }
    return false;
  }
};

void CopyDeflections(const StationArray<double>& from, StationArray<double>& to, int n) {
  for (int j = -3; j <= n + 3; ++j) to[j] = from[j];
}

}  // namespace

LoadSteppingOutcome SolveByLoadStepping(RunContext& ctx, std::span<const PyCurve> curves) {
  ProblemData& data = ctx.Data;
  StationTables& st = data.Stations;
  const int n = data.C2.NumIncrements;
  const int cap = ctx.IterationCap;
  Stepper stepper{ctx,
                  curves,
                  st,
                  n,
                  data.C2.IncrementLength,
                  data.C2.DeflectionTolerance,
                  data.C2.MaxAllowableDeflection,
                  st.T,
                  data.SpecifiedConditions,
                  cap > 0 ? std::min(cap, kIterationsPerIncrement) : kIterationsPerIncrement,
                  cap > 0 ? std::min(10 * cap, kSolutionBudget) : kSolutionBudget};

  st.W.Fill(0.0);
  UpdateFlexuralRigidity(ctx);
  StationArray<double> closed = st.W;

  LoadSteppingOutcome outcome;
  double increment = kLargestIncrement;
  while (outcome.Fraction < 1.0 && stepper.Budget > 0) {
    // The last increment is stretched rather than leaving a sliver of load.
    double target = outcome.Fraction + increment;
    if (target > 1.0 - 0.5 * kSmallestIncrement) target = 1.0;
    if (stepper.Close(target)) {
      outcome.Fraction = target;
      ++outcome.Steps;
      CopyDeflections(st.W, closed, n);
      increment = std::min(2 * increment, kLargestIncrement);
      continue;
    }
    CopyDeflections(closed, st.W, n);
    UpdateFlexuralRigidity(ctx);
    ApplyHinges(ctx);
    // Half of what was tried: a stretched last increment is not tried again.
    increment = 0.5 * (target - outcome.Fraction);
    if (increment < kSmallestIncrement) break;
  }
  // Within the smallest increment of its capacity the bounded tangent creeps:
  // from the last closed state the ordinary iteration at the full loads may
  // still close where it could not from the unloaded wall.
  if (outcome.Fraction < 1.0 && stepper.Budget > 0) {
    CopyDeflections(closed, st.W, n);
    UpdateFlexuralRigidity(ctx);
    ApplyHinges(ctx);
    if (stepper.CloseByTangent(1.0)) {
      outcome.Fraction = 1.0;
      ++outcome.Steps;
    }
  }
  outcome.Found = outcome.Fraction == 1.0;
  for (int j = -3; j <= n + 3; ++j) st.T[j] = stepper.FullTorque[j];
  return outcome;
}

}  // namespace darnek::solver
