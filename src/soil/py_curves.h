// Generated p-y curves: the generation step, the solver's curve table, and
// the p- and y-multipliers.
#pragma once

#include <span>
#include <vector>

#include "core/run_context.h"

namespace darnek::soil {

// Internal generation (PyCurveOption 2): builds the soil profile, rewrites the
// p-y scratch file (the user curves first, then five generated curves per
// profile layer) and writes the reduction factors and "P-Y CURVES DATA".
// Returns the curves as the file holds them. More than 400 curves: the
// storage message; a value that would not read back from the file (not a
// finite number below 1E+100): an InputError naming the file's line. Both are
// thrown once the file and the report are written.
std::vector<WrittenPyCurve> GeneratePyCurves(RunContext& ctx);

// The solver's curve table from the curves as written: p made a load per
// station.
void FillCurveTable(ProblemData& d, std::span<const WrittenPyCurve> curves);

// Multipliers at depth x below the top of the wall: the closely-spaced
// reduction and the user's reduction-factor table.
double PMultiplier(const ProblemData& d, double x);
double YMultiplier(const ProblemData& d, double x);

}  // namespace darnek::soil
