// The per-station tables of the difference model and the stiffness-and-load
// entries that are distributed onto them.
#pragma once

#include "core/run_context.h"

namespace darnek::solver {

// Sizes every station table for C2.NumIncrements (stations -3 .. N+3), zeroes
// it and sets SolutionCode to 1 everywhere. Once per stage, before any
// producer adds to the tables.
void PrepareStations(RunContext& ctx);

// Adds one entry onto its stations: FROM = TO puts the full values on that
// station; otherwise every station of FROM .. TO gets the full values and the
// two end stations half, so that adjoining ranges add up to the full value at
// their common station. EI, Q (into BaseQ), S (into BaseS), T, R are added as
// given; P is given with the sign of the input and stored with the opposite
// sign. TO < FROM: "ERROR STOP -- STATIONS NOT IN ORDER".
void DistributeEntry(RunContext& ctx, const StiffnessLoadEntry& entry);

// The stiffness and load rows of the input: writes the "STIFFNESS AND LOAD
// DATA" heading (also when there are no rows), echoes each row, distributes
// standalone rows and linked chains, and records the applied torques for the
// results.
void AddStiffnessLoadRows(RunContext& ctx);

// After every entry is distributed: any value that lies beyond the tip ends the
// run with "ERROR -- NON-ZERO TABLE 4 DATA BEYOND END".
void CheckBeyondEnd(RunContext& ctx);

}  // namespace darnek::solver
