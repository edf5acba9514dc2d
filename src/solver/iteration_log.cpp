// Run-log lines of the iteration.
#include "solver/iteration_log.h"

namespace darnek::solver {

void WriteMonitoringHeading(OutputUnit& log, bool single_solution) {
  log.Write(
      "( / / '     ITERATION MONITORING' / '     --------------------' / "
      "/ '    ITER     NODES      MAX. CHANGE     DEF.        DEF.        DEF.        DEF. ' "
      "/ '            EXC. TOL.    DEFLECTION    NODE 0      NODE 1      NODE 2      NODE 3' "
      "/ '    ----    ---------   -----------    ------      ------      ------      ------' )");
  if (single_solution) log.Write("( / '                    ' )");
}

void WriteMonitoringLine(OutputUnit& log, int iteration, int changed_stations, double max_change,
                         const double (&deflections)[4]) {
  log.Write("( 3X I4 6X I4 6X 1P 5E12.3 )", iteration, changed_stations, max_change, deflections[0],
            deflections[1], deflections[2], deflections[3]);
}

}  // namespace darnek::solver
