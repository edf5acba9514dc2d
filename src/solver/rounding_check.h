// How much of a solution is rounding. The difference rows of a wall lose
// digits as the wall is divided more finely (the fourth difference grows as
// 1/h^4 against the soil springs) and as its bending stiffness outgrows its
// supports (the supports then vanish in the rounding of the EI terms): past a
// point the recursion returns a confident wrong answer. The check measures
// the error of the solution in hand and refuses a stage whose moments it
// cannot trust, naming the item to change.
#pragma once

#include <vector>

#include "core/problem_data.h"

namespace darnek::solver {

// The rounding error of the last solution, from the residual of its rows
// formed without rounding and the correction it calls for.
struct RoundingEstimate {
  // Largest residual of an ordinary row, relative to the sum of the
  // magnitudes of its terms: a few units of 1e-16 when the elimination was
  // stable, near 1 when the rows are not satisfied at all.
  double BackwardError = 0;
  // The second correction against the first: well below 1 when the first is
  // a fair measure of the error, 1 or more when it is not.
  double Contraction = 0;
  // Largest error of a station moment and shear that the rounding of the
  // elimination leaves (the correction's share).
  double MomentError = 0;
  double ShearError = 0;
  // What differencing deflections that are known to half a unit in their last
  // place leaves in any moment and shear: round-off that no solver avoids.
  double MomentRoundOff = 0;
  double ShearRoundOff = 0;
  double LargestMoment = 0;
  double LargestShear = 0;
};

// Estimates the rounding error of the deflections that st.W holds as the
// solution of the rows of st (EI, S, Q, T, R, P, the solution codes and the
// conditions). Overwrites the recursion coefficients; W stays as it is.
RoundingEstimate EstimateRoundingError(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                                       int num_increments, double h);

// Whether a stage's results stand above the rounding: from a trustworthy
// estimate, the moments to 1e-4 of the largest (a tenth of the 0.1 % within
// which two fine meshes agree) and the shears to 1e-3 of the largest, round-off
// included; moments that are round-off through and through (a wall that only
// translates) stand as zero.
bool RoundingAcceptable(const RoundingEstimate& e);

// Refuses, as an input error naming NumIncrements or the second moment of area
// of the stiffest section, a stage whose solution in `st` (the stage's tables,
// or a copy of them) does not pass RoundingAcceptable.
void CheckRoundingError(const ProblemData& data, StationTables& st);

}  // namespace darnek::solver
