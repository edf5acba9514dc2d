// Generated p-y curves: the generation step, the read-back into the solver's
// curve table, and the p- and y-multipliers.
#pragma once

#include "core/run_context.h"

namespace darnek::soil {

// Internal generation (PyCurveOption 2): builds the soil profile, rewrites the
// p-y scratch file (the user curves first, then five generated curves per
// profile layer) and writes the reduction factors and "P-Y CURVES DATA".
void GeneratePyCurves(RunContext& ctx);

// Parses the p-y scratch file's text as GeneratePyCurves wrote it (never the
// file itself) into data.PyCurves (more than 400 curves:
// the storage message) and writes the soil-curve block of the plot file.
void LoadPyCurves(RunContext& ctx);

// Multipliers at depth x below the top of the wall: the closely-spaced
// reduction and the user's reduction-factor table.
double PMultiplier(const ProblemData& d, double x);
double YMultiplier(const ProblemData& d, double x);

}  // namespace darnek::soil
