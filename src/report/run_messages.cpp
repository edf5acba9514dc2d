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

}  // namespace darnek::report
