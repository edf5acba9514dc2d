// Report lines of the stiffness and load data.
#include "solver/stiffness_load_echo.h"

namespace darnek::solver {

void WriteStiffnessLoadHeading(OutputUnit& report, const UnitLabels& labels) {
  report.Write(
      "( / / / 6X 50('*') / 6X '*        STIFFNESS AND LOAD DATA                 *' / 6X 50('*') / "
      "/ 6X 'EI - FLEXURAL RIGIDITY,  Q - TRANSVERSE LOAD,' "
      "/ 6X 'S - STIFFNESS OF TRANSVERSE RESISTANCE,' "
      "/ 6X 'T - TORQUE,              P - AXIAL LOAD,' "
      "/ 6X 'R - STIFFNESS OF TORSIONAL RESISTANCE.' / / "
      "/ '     FROM TO CONTD     EI         Q        S        T         R         P' )");
  // Units under the columns: EI force-length**2, Q force, S force/length,
  // T and R force-length, P force.
  report.Write("( 18X A3 '-' A2 '**2' 5X A4 3X A3 '/' A2 3X A3 '-' A2 4X A3 '-' A2 5X A4 )",
               labels.ForceLabel3, labels.LengthLabel2, labels.ForceLabel, labels.ForceLabel3,
               labels.LengthLabel2, labels.ForceLabel3, labels.LengthLabel2, labels.ForceLabel3,
               labels.LengthLabel2, labels.ForceLabel);
}

void WriteStiffnessLoadLine(OutputUnit& report, EntryLineForm form, const StiffnessLoadEntry& entry,
                            double ei) {
  switch (form) {
    case EntryLineForm::Standalone:
      report.Write("( 5X 2I4 I3 1X 1P 6E10.3 )", entry.From, entry.To, CodeNumber(entry.Contd), ei, entry.Q,
                   entry.S, entry.T, entry.R, entry.P);
      break;
    case EntryLineForm::ChainFirst:
      report.Write("( 5X I4 4X I3 1X 1P 6E10.3 )", entry.From, CodeNumber(entry.Contd), ei, entry.Q, entry.S,
                   entry.T, entry.R, entry.P);
      break;
    case EntryLineForm::ChainLater:
      report.Write("( 9X I4 I3 1X 1P 6E10.3 )", entry.To, CodeNumber(entry.Contd), ei, entry.Q, entry.S,
                   entry.T, entry.R, entry.P);
      break;
  }
}

}  // namespace darnek::solver
