// Flexural rigidity of every real station from the wall sections: linear
// sections vary linearly with depth over a wall section, nonlinear sections
// take the secant stiffness of their moment-curvature table at the station's
// current curvature.
#pragma once

#include "core/run_context.h"

namespace darnek::solver {

// EI at stations 0 .. N from data.WallSections (SectionNumber: the 1-based
// cross section), data.CrossSections, the current W, C1.UnitSystemCode and h.
// EI outside 0 .. N is left alone. A missing wall section, a section number
// outside the cross sections or an unusable moment-curvature table (fewer than
// two points, curvature not increasing, zero second curvature) is an
// InputError.
void UpdateFlexuralRigidity(RunContext& ctx);

// The secant stiffness M/phi of a moment-curvature table at curvature phi
// (phi >= 0): the initial secant M(2)/phi(2) up to the single-precision 1e-8,
// the last secant beyond the last point, otherwise the moment interpolated
// linearly on the table divided by phi. The table must have passed the checks
// above.
double SecantStiffness(const MomentCurvatureTable& table, double phi);

}  // namespace darnek::solver
