// The messages with which the report ends a run early: data errors, the
// storage limit and rejected input.
#pragma once

#include <string>

#include "core/errors.h"
#include "core/output_unit.h"

namespace darnek::report {

void WriteDataError(OutputUnit& report, DataError::Kind kind);
void WriteStorageExceeded(OutputUnit& report);
void WriteInputError(OutputUnit& report, const std::string& message);

}  // namespace darnek::report
