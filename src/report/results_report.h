// The results of a stage: station values derived from the deflections, the
// restraint and tie-back forces, their report tables, and the plot-data
// records the front end draws from.
#pragma once

#include "core/run_context.h"

namespace darnek::report {

// Slope, moment, shear, net force per station and the tie-back forces, from
// the last solution; stored in data.Results and data.TieBacks.
void DeriveStationResults(ProblemData& data);

// The RESULTS heading, then the failure message of a stage that did not
// close, or the station, restraint and tie-back tables.
void WriteResults(RunContext& ctx);

// The results block of the plot-data file for the stage just analysed, with
// its stage code.
void WritePlotResults(RunContext& ctx, int stage_code);

// The user-curve soil block of the plot-data file.
void WritePlotUserCurves(RunContext& ctx);

}  // namespace darnek::report
