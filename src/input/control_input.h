// The records that open a stage: title, the two control lines, the specified
// deflections and slopes and the wall sections, each echoed as it is read.
#pragma once

#include "core/list_reader.h"
#include "core/run_context.h"

namespace darnek::input {

// Title line: the first 70 columns, blank-padded to 80.
void ReadTitle(RunContext& ctx, ListReader& reader);
void ReadControlLine1(RunContext& ctx, ListReader& reader);
// Echo of the first control line and the hinge lines.
void EchoControlLine1(RunContext& ctx);
// Reads and echoes the second control line; a negative MaxIterations ends
// the run quietly.
void ReadControlLine2(RunContext& ctx, ListReader& reader);
void ReadSpecifiedConditions(RunContext& ctx, ListReader& reader);
void ReadWallSections(RunContext& ctx, ListReader& reader);

}  // namespace darnek::input
