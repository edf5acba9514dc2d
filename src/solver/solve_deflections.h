// One linear solution of the wall: the five-term finite-difference row of the
// beam-column written at every station, solved by forward elimination from the
// top and back substitution from the tip.
#pragma once

#include <vector>

#include "core/problem_data.h"

namespace darnek::solver {

// The coefficients of the row of station i, a W(i-2) + b W(i-1) + c W(i) +
// d W(i+1) + e W(i+2) (the right side is h^3 Q(i) - h^2 (T(i-1) - T(i+1)) / 2),
// with h3 = h * h * h.
struct DifferenceRow {
  double A, B, C, D, E;
};
inline DifferenceRow RowAt(const StationTables& st, double h, double h3, int i) {
  const auto& EI = st.EI;
  const auto& P = st.P;
  const auto& R = st.R;
  return {EI[i - 1] - 0.25 * h * (h * P[i - 1] + R[i - 1]), -2.0 * (EI[i - 1] + EI[i]),
          EI[i - 1] + 4.0 * EI[i] + EI[i + 1] + h3 * st.S[i] +
              0.25 * h * (h * (P[i - 1] + P[i + 1]) + R[i - 1] + R[i + 1]),
          -2.0 * (EI[i] + EI[i + 1]), EI[i + 1] - 0.25 * h * (h * P[i + 1] + R[i + 1])};
}

// What one solution tells the iteration, over the real stations 0 .. N only.
struct SolveSummary {
  double MaxChange = 0;       // largest |new W - old W|
  int ChangedStations = 0;    // |new W - old W| > tolerance
  int ExceedingStations = 0;  // |new W| > max_deflection
};

// Solves for W at stations -1 .. N+1 with the current EI, Q, S, T, R, P and
// SolutionCode; the specified conditions are consumed in list order. Linear in
// N, one forward and one backward pass, no allocation. W beyond -1 .. N+1 and
// the recursion coefficients of stations -3 and -2 must be zero (PrepareStations
// leaves them so and nothing writes them later).
SolveSummary SolveDeflections(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                              int num_increments, double h, double tolerance, double max_deflection);

// The same rows with `right` as their right side and every specified
// deflection and slope zero; the solution goes to `solution` (stations -1 ..
// N+1; zero beyond), W is left alone. A correction to W takes the rows'
// residual as `right`.
void SolveForRightSide(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                       int num_increments, double h, const StationArray<double>& right,
                       StationArray<double>& solution);

}  // namespace darnek::solver
