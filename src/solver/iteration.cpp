// The iteration of one stage against the soil curves.
#include "solver/iteration.h"

#include <cmath>

#include "solver/flexural_rigidity.h"
#include "solver/rounding_check.h"
#include "solver/solve_deflections.h"
#include "solver/supports.h"

namespace darnek::solver {

namespace {

// Whether the last solution left a deflection that is not finite (an
// overflow in the recursion, or a stiffness or load that overflowed before
// it); if so, records the first station and value that went non-finite,
// looking first at what the solution was built from.
bool BrokeDown(const StationTables& st, int n, ResultsData& results) {
  bool finite = true;
  for (int j = -1; j <= n + 1 && finite; ++j) finite = std::isfinite(st.W[j]);
  if (finite) return false;
  struct Term {
    const StationArray<double>& Values;
    const char* Name;
  };
  const Term terms[] = {{st.EI, "flexural rigidity EI"},
                        {st.S, "spring stiffness S"},
                        {st.Q, "load Q"},
                        {st.R, "rotational stiffness R"},
                        {st.T, "torque T"},
                        {st.P, "axial load P"},
                        {st.W, "deflection"}};
  for (const Term& term : terms) {
    for (int j = -1; j <= n + 1; ++j) {
      if (std::isfinite(term.Values[j])) continue;
      results.BreakdownStation = j;
      results.BreakdownQuantity = term.Name;
      results.BreakdownNotANumber = std::isnan(term.Values[j]);
      return true;
    }
  }
  return true;
}

}  // namespace

double DampingFactor(int c) {
  if (c == 0) return 0.5;
  // m doubles each time the factors of the previous level are used up:
  // 2 for c < 3, 4 for c < 7, ... 64 for c < 127, and stays at 64 after.
  int m = 2;
  while (m < 64 && c >= 2 * m - 1) m *= 2;
  // 1/m is formed in single precision (exact for these powers of two).
  return (c - m + 1.5) * static_cast<double>(1.0f / static_cast<float>(m));
}

bool DampOscillation(StationTables& st, int num_increments, double tolerance, IterationControl& control) {
  if (std::fabs(st.W[0] - st.Wprev2[0]) > tolerance) return false;
  for (int j = 0; j <= num_increments; ++j) {
    if (std::fabs(st.Wprev1[j] - st.Wprev3[j]) > tolerance || std::fabs(st.W[j] - st.Wprev2[j]) > tolerance) {
      return false;
    }
  }
  const double omega = control.NextDampingFactor();
  for (int j = 0; j <= num_increments; ++j) st.W[j] = omega * st.W[j] + (1.0 - omega) * st.Wprev1[j];
  return true;
}

void IterateStage(RunContext& ctx, std::span<const PyCurve> curves, const IterationMonitor& monitor) {
  ProblemData& data = ctx.Data;
  StationTables& st = data.Stations;
  const int n = data.C2.NumIncrements;
  const double h = data.C2.IncrementLength;
  const double tolerance = data.C2.DeflectionTolerance;
  const double max_deflection = data.C2.MaxAllowableDeflection;

  const int cap = ctx.IterationCap;
  IterationControl control(cap > 0 && data.C2.MaxIterations > cap ? cap : data.C2.MaxIterations);
  data.Results.History.clear();
  if (monitor.Started) monitor.Started(control.SingleSolution());
  if (!control.SingleSolution()) {
    for (int j = 0; j <= n; ++j) st.Wprev1[j] = st.W[j];
  }

  StationTables first;
  while (!control.Finished()) {
    for (int j = -1; j <= n + 1; ++j) {
      st.Q[j] = st.BaseQ[j];
      st.S[j] = st.BaseS[j];
      st.SoilReaction[j] = 0.0;
    }
    if (!curves.empty()) ApplySoilCurves(ctx, curves);
    const SolveSummary summary =
        SolveDeflections(st, data.SpecifiedConditions, n, h, tolerance, max_deflection);
    // Comparisons with a NaN are all false: neither closure nor the
    // deflection limit would ever see it.
    if (BrokeDown(st, n, data.Results)) {
      control.FinishBrokeDown();
      break;
    }
    // The first solution is kept: should the stage end unsolved, it shows
    // whether the rows could carry results at all, so that rounding never
    // passes for the soil's behaviour. (A closed stage is checked as it is.)
    if (control.Iteration() == 1 && !control.SingleSolution()) {
      first.EI = st.EI;
      first.S = st.S;
      first.Q = st.Q;
      first.W = st.W;
    }
    if (control.SingleSolution()) {
      control.FinishSingleSolution();
      break;
    }

    // The columns headed NODE 0 to NODE 3 show stations 1 to 4.
    IterationStep step;
    step.Iteration = control.Iteration();
    step.ChangedStations = summary.ChangedStations;
    step.MaxChange = summary.MaxChange;
    for (int k = 0; k < 4; ++k) step.Deflections[k] = k + 1 <= n + 3 ? st.W[k + 1] : 0.0;
    data.Results.History.push_back(step);
    if (monitor.Stepped) monitor.Stepped(step);

    if (summary.ExceedingStations > 0) {
      control.FinishExceeded(summary.ExceedingStations);
      break;
    }
    int unclosed = 0;
    for (int j = 0; j <= n; ++j) {
      if (std::fabs(st.W[j] - st.Wprev1[j]) > tolerance) ++unclosed;
    }
    if (unclosed == 0) {
      control.FinishClosed();
      break;
    }
    if (control.DampingAllowed()) DampOscillation(st, n, tolerance, control);

    const int iteration = control.Iteration();
    for (int j = 0; j <= n; ++j) {
      if (iteration >= 4) st.Wprev3[j] = st.Wprev2[j];
      if (iteration >= 3) st.Wprev2[j] = st.Wprev1[j];
      st.Wprev1[j] = st.W[j];
    }
    UpdateFlexuralRigidity(ctx);
    ApplyHinges(ctx);
    control.Advance();
  }

  if (control.Outcome() == StageOutcome::IterationLimit ||
      control.Outcome() == StageOutcome::DeflectionExceeded) {
    first.T = st.T;
    first.R = st.R;
    first.P = st.P;
    first.SolutionCode = st.SolutionCode;
    for (StationArray<double>* a : {&first.RecA, &first.RecB, &first.RecC}) a->Resize(n);
    CheckRoundingError(data, first);
  }
  data.Results.Outcome = control.Outcome();
  data.Results.Iterations = control.ReportedIterations();
  data.Results.ExceedingStations = control.ExceedingStations();
}

}  // namespace darnek::solver
