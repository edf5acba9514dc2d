// The messages with which the report ends a run early: data errors, the
// storage limit and rejected input.
#pragma once

#include <string>

#include "core/errors.h"
#include "core/output_unit.h"
#include "soil/soil_stop.h"

namespace darnek::report {

void WriteDataError(OutputUnit& report, DataError::Kind kind);
void WriteStorageExceeded(OutputUnit& report);
void WriteInputError(OutputUnit& report, const std::string& message);
// The warning of a soil stop, to the console or (a depth below the soil
// layers) to the report.
void WriteSoilStop(OutputUnit& console, OutputUnit& report, const soil::SoilStop& stop);

}  // namespace darnek::report
