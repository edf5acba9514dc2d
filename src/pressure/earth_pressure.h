// The earth-pressure subsystem: the pressure profile of the retained soil, the
// per-layer resultants, the pressure diagram (active earth, water and
// surcharge pressures) and its conversion into loads on the wall's stations.
#pragma once

#include "core/problem_data.h"
#include "core/run_context.h"

namespace darnek::pressure {

// EarthPressureOption 2, 3 or 5: builds the pressure profile and its
// coefficients and the layer resultants, echoes the input, reports the
// resultants and writes the diagram to the pressure scratch file. Also
// writes the plot record with EarthPressureOption.
// Throws FatalStop (code 1: the soil profile ends at or above the excavation
// level; code 2: more than 20 pressure layers) after the echo, and InputError
// for input the diagram cannot use (option 4 or above 5, a negative
// FreeHeight, soil layers ending above the wall bottom).
void GeneratePressureDiagram(RunContext& ctx);

// Turns data.Pressure.Rows, which hold the values exactly as the scratch file
// was written (never read back from it), into loads with the loaded widths
// (WA down to DividingDepth, WP below; data.Wall.WA is left as it is), prints
// the ACTIVE EARTH PRESSURE table, adds the loads to data.Stations.BaseQ of
// stations 1 .. NumIncrements and writes the plot rows.
void LoadPressureRows(RunContext& ctx);

// EarthPressureOption 1: the diagram in data.Pressure.SpecifiedPressure
// (force per unit length of wall, no width factor) plus the surcharge
// pressure times WA, printed, turned into data.Pressure.Rows, added to BaseQ
// and written to the plot file.
void ApplySpecifiedPressure(RunContext& ctx);

// Lateral pressure of all surcharge loads at a depth below the top of the
// wall (0 without loads, and 0 when FreeHeight is zero: the expressions are
// scaled by it).
double SurchargePressureAt(const ProblemData& data, double depth);

}  // namespace darnek::pressure
