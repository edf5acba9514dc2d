// Run-log lines of the iteration.
#include "report/iteration_log.h"

namespace darnek::report {

void WriteMonitoringHeading(OutputUnit& log, bool single_solution) {
  log.Write(
      "( / / '     ITERATION MONITORING' / '     --------------------' / "
      "/ '    ITER     NODES      MAX. CHANGE     DEF.        DEF.        DEF.        DEF. ' "
      "/ '            EXC. TOL.    DEFLECTION    NODE 0      NODE 1      NODE 2      NODE 3' "
      "/ '    ----    ---------   -----------    ------      ------      ------      ------' )");
  if (single_solution) log.Write("( / '                    ' )");
}

void WriteMonitoringLine(OutputUnit& log, const IterationStep& step) {
  log.Write("( 3X I4 6X I4 6X 1P 5E12.3 )", step.Iteration, step.ChangedStations, step.MaxChange,
            step.Deflections[0], step.Deflections[1], step.Deflections[2], step.Deflections[3]);
}

}  // namespace darnek::report
