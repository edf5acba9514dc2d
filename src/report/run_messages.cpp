#include "report/run_messages.h"

namespace darnek::report {

void WriteDataError(OutputUnit& report, DataError::Kind kind) {
  if (kind == DataError::Kind::StationsNotInOrder)
    report.Write("( / / '     ERROR STOP -- STATIONS NOT IN ORDER' )");
  else
    report.Write("( / / '     ERROR -- NON-ZERO TABLE 4 DATA BEYOND END' )");
}

void WriteStorageExceeded(OutputUnit& report) {
  report.Write("( / / '     TOO MUCH DATA FOR AVAILABLE STORAGE' / / )");
}

void WriteInputError(OutputUnit& report, const std::string& message) {
  report.Write("( / / '     **** INPUT ERROR ****' / 5X A )", message);
}

void WriteSoilStop(OutputUnit& console, OutputUnit& report, const soil::SoilStop& stop) {
  using Kind = soil::SoilStop::Kind;
  switch (stop.kind()) {
    case Kind::ZeroRockStrength:
      console.Line("--------------------WARNING----------------------");
      console.Line("THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT");
      console.Line("DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.");
      break;
    case Kind::SlopeNotBelowFriction:
      console.Line("WARNING-------The Angle of the slope can not");
      console.Line("              be greater than the internal  ");
      console.Line("              friction angle of the sand.   ");
      break;
    case Kind::BeyondCurve:
      // The block goes twice to the console; the report is left as it stands.
      for (int i = 0; i < 2; ++i) {
        console.Write(
            "( / 6X '**** WARNING ****' / 6X 'THE VALUE OF X =' F12.3 / "
            "6X 'IS BEYOND THE EXTENT OF' / 6X A )",
            stop.depth(), stop.curve());
      }
      break;
    case Kind::BelowSoilLayers:
      report.Write(
          "( / 6X '**** WARNING ****' / 6X 'THE VALUE OF X =' F12.3 / "
          "6X 'IS BEYOND THE EXTENT OF' / 6X 'THE INPUT CURVE FOR UNIT WEIGHT' )",
          stop.depth());
      break;
  }
}

}  // namespace darnek::report
