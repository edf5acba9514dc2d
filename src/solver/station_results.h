// What a solved stage gives a user: per station the depth, deflection, slope,
// moment, shear, soil reaction, net force and flexural rigidity, and the
// force in each tie-back.
#pragma once

#include "core/problem_data.h"

namespace darnek::solver {

// Whether the stage ended with a solution whose results are shown: not broken
// down, and (when it iterated) neither over the allowed deflection nor out of
// iterations.
bool HasStationResults(const ProblemData& data);

// Slope, moment, shear, net force per station and the tie-back forces, from
// the last solution; stored in data.Results and data.TieBacks.
void DeriveStationResults(ProblemData& data);

}  // namespace darnek::solver
