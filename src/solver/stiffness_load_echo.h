// The "STIFFNESS AND LOAD DATA" section of the report: its heading and one
// line per stiffness-and-load entry as the entries are produced.
#pragma once

#include "core/output_unit.h"
#include "core/problem_data.h"

namespace darnek::solver {

// Where an entry stands in its table: alone, first of a linked chain (its FROM
// printed), or a later row of a chain (its TO printed).
enum class EntryLineForm { Standalone, ChainFirst, ChainLater };

void WriteStiffnessLoadHeading(OutputUnit& report, const UnitLabels& labels);
// `ei` is the station's current flexural rigidity; P is printed with the sign
// of the input.
void WriteStiffnessLoadLine(OutputUnit& report, EntryLineForm form, const StiffnessLoadEntry& entry,
                            double ei);

}  // namespace darnek::solver
