// Distribution of a range of stiffness-and-load values onto the stations, shared
// by the stiffness rows, the restraints and the tie-backs.
#pragma once

#include <string>
#include <vector>

#include "core/run_context.h"
#include "solver/stiffness_load_echo.h"

namespace darnek::solver::detail {

// The range FROM .. TO with the values of `at_from` at FROM and those of `at_to`
// at TO, varying linearly in between; half values at the two end stations of a
// range of more than one station. Station order is checked by the caller.
void DistributeRange(StationTables& st, int from, int to, const StiffnessLoadEntry& at_from,
                     const StiffnessLoadEntry& at_to);

// Rejects a range that reaches above station -1, the imaginary station above
// the top: no row of the difference model uses loads or springs there.
void CheckRangeTop(const std::string& what, int from, int to);

// Echoes and distributes a table of linked or standalone entries (CONTD 2
// links an entry to the next one), as the stiffness rows and the restraints
// need it. `what` names the table in messages.
void AddEntryTable(RunContext& ctx, const std::vector<StiffnessLoadEntry>& entries, const std::string& what);

}  // namespace darnek::solver::detail
