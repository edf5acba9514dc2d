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

struct Stepper {
  RunContext& ctx;
  StationTables& st;
  const int n;
  const double h;
  const double tolerance;
  const double max_deflection;
  const StationArray<double> full_torque;
  std::vector<SpecifiedCondition> conditions;
  int iterations_per_increment;
  int budget;

  // One solution with the loads at `fraction`; false when it is unusable.
  bool Solve(double fraction, bool tangent, SolveSummary& summary) {
    for (int j = -1; j <= n + 1; ++j) {
      st.Q[j] = fraction * st.BaseQ[j];
      st.S[j] = st.BaseS[j];
      st.T[j] = fraction * full_torque[j];
      st.SoilReaction[j] = 0.0;
    }
    if (!ctx.data.PyCurves.empty()) {
      if (tangent) {
        ApplySoilCurves(ctx);
      } else {
        ApplySoilCurvesBoundedTangent(ctx);
      }
    }
    --budget;
    summary = SolveDeflections(st, conditions, n, h, tolerance, max_deflection);
    for (int j = -1; j <= n + 1; ++j)
      if (!std::isfinite(st.W[j])) return false;
    return summary.exceeding_stations == 0;
  }

  // Iterates the loads at `fraction` to closure from the present deflections.
  // At the full loads, closure must also hold for one solution of the
  // ordinary iteration from the closed state.
  bool Close(double fraction) {
    for (size_t k = 0; k < conditions.size(); ++k) {
      conditions[k].SpecDeflection = fraction * ctx.data.SpecifiedConditions[k].SpecDeflection;
      conditions[k].SpecSlope = fraction * ctx.data.SpecifiedConditions[k].SpecSlope;
    }
    SolveSummary summary;
    for (int i = 0; i < iterations_per_increment && budget > 0; ++i) {
      if (!Solve(fraction, false, summary)) return false;
      if (summary.changed_stations == 0) {
        if (fraction < 1.0) return true;
        if (!Solve(fraction, true, summary)) return false;
        if (summary.changed_stations == 0) return true;
      }
      UpdateFlexuralRigidity(ctx);
      ApplyHinges(ctx);
    }
    return false;
  }
};

void CopyDeflections(const StationArray<double>& from, StationArray<double>& to, int n) {
  for (int j = -3; j <= n + 3; ++j) to[j] = from[j];
}

}  // namespace

LoadSteppingOutcome SolveByLoadStepping(RunContext& ctx) {
  ProblemData& data = ctx.data;
  StationTables& st = data.Stations;
  const int n = data.C2.NumIncrements;
  const int cap = ctx.iteration_cap;
  Stepper stepper{ctx,
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
  while (outcome.fraction < 1.0 && stepper.budget > 0) {
    // The last increment is stretched rather than leaving a sliver of load.
    double target = outcome.fraction + increment;
    if (target > 1.0 - 0.5 * kSmallestIncrement) target = 1.0;
    if (stepper.Close(target)) {
      outcome.fraction = target;
      ++outcome.steps;
      CopyDeflections(st.W, closed, n);
      increment = std::min(2 * increment, kLargestIncrement);
      continue;
    }
    CopyDeflections(closed, st.W, n);
    UpdateFlexuralRigidity(ctx);
    ApplyHinges(ctx);
    increment *= 0.5;
    if (increment < kSmallestIncrement) break;
  }
  outcome.found = outcome.fraction == 1.0;
  for (int j = -3; j <= n + 3; ++j) st.T[j] = stepper.full_torque[j];
  return outcome;
}

}  // namespace darnek::solver
