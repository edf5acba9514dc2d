// Report pieces of the soil subsystem: compound unit labels, the depth unit of
// the p-y tables, and the sections written by the profile and generation steps.
#pragma once

#include <string>

#include "core/run_context.h"

namespace darnek::soil {

// Depth printed in the p-y report: feet for English problems, metres for SI.
double ReportDepth(const ProblemData& d, double x);
// Its two-character label ("FT" or " M").
std::string DepthLabel(const ProblemData& d);
// LBS/IN**2, LBS/IN**3, LBS/IN (and the SI forms), from the label block.
std::string StressLabel(const UnitLabels& labels);
std::string UnitWeightLabel(const UnitLabels& labels);
std::string ForcePerLengthLabel(const UnitLabels& labels);

// "SOIL LAYERS AND STRENGTH DATA".
void WriteSoilProfile(RunContext& ctx);
// "REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS" (when a table is
// given) and the heading "P-Y CURVES DATA".
void WritePyCurvesHeading(RunContext& ctx);

}  // namespace darnek::soil
