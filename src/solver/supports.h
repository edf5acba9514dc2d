// The structural supports of the wall as data of the difference model:
// specified deflections and slopes, lateral and rotational restraints,
// tie-back anchors and the hinge option.
#pragma once

#include "core/run_context.h"

namespace darnek::solver {

// Sets SolutionCode from data.SpecifiedConditions: code 2 at the station of a
// deflection; codes 3 and 5 around the station of a slope; 3, 4 and 5 around
// the station of both. The rows must be in station order (else "ERROR STOP --
// STATIONS NOT IN ORDER") and no two rows may claim a common station, nor a
// station below the tip (InputError naming the rows and stations).
void SetSpecifiedConditions(RunContext& ctx);

// data.Restraints as stiffness-and-load entries (S lateral, R rotational
// stiffness per station), echoed and distributed like the stiffness rows.
void AddRestraints(RunContext& ctx);

// data.TieBacks: derives each anchor's station, cos of its angle, horizontal
// stiffness and prestress load per station, then echoes and distributes a
// single-station entry for it. The reader has checked what the stiffness
// divides by: area, modulus, unbonded length and spacing positive, the angle
// within 90 degrees of the horizontal and ResultWidth positive.
void AddTieBacks(RunContext& ctx);

// With the hinge option, zero EI at the stations of tie-backs 2 .. n (the first
// tie-back of the input keeps its EI).
void ApplyHinges(RunContext& ctx);

}  // namespace darnek::solver
