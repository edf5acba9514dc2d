// One linear solution of the wall: the five-term finite-difference row of the
// beam-column written at every station, solved by forward elimination from the
// top and back substitution from the tip.
#pragma once

#include <vector>

#include "core/problem_data.h"

namespace darnek::solver {

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

}  // namespace darnek::solver
