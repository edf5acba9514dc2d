// The iteration-monitoring table of the run log.
#pragma once

#include "core/output_unit.h"
#include "core/problem_data.h"

namespace darnek::report {

// The table heading; with a single solution (MaxIterations 0) followed by an
// empty line and a line of 20 blanks in place of the monitoring lines.
void WriteMonitoringHeading(OutputUnit& log, bool single_solution);

// One line per iteration: the iteration number, the stations changing by more
// than the tolerance, the largest change and the deflections of stations 1 to
// 4 (under the columns headed NODE 0 to NODE 3).
void WriteMonitoringLine(OutputUnit& log, const IterationStep& step);

}  // namespace darnek::report
