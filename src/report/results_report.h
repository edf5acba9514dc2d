// The results of a stage as the report and the plot-data file show them: the
// station, restraint and tie-back tables and the plot-data records the front
// end draws from. The values are computed before (solver/station_results.h).
#pragma once

#include <span>

#include "core/run_context.h"

namespace darnek::report {

// The RESULTS heading, then the failure message of a stage that did not
// close, or the station, restraint and tie-back tables of data.Results.
void WriteResults(RunContext& ctx);

// The results block of the plot-data file for the stage just analysed, with
// its stage code.
void WritePlotResults(RunContext& ctx, int stage_code);

// The user-curve soil block of the plot-data file.
void WritePlotUserCurves(RunContext& ctx);
// The soil-curve block of the plot file for generated curves: each curve's
// depth and points as the p-y scratch file holds them.
void WritePlotPyCurves(RunContext& ctx, std::span<const WrittenPyCurve> curves);

}  // namespace darnek::report
