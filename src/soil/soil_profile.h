// The soil profile below the excavation level and the lookups every p-y model
// makes at a curve depth.
#pragma once

#include "core/run_context.h"

namespace darnek::soil {

// Builds data.Profile from the soil layers (profile layers, unit-weight and
// strength curves down to the second fictitious station below the tip, the
// width ratio, the cyclic count) and writes "SOIL LAYERS AND STRENGTH DATA".
void BuildSoilProfile(RunContext& ctx);

// Lookups on the strength curve at depth z below the excavation level. S and
// PHI (radians) stop the run beyond the curve with the warning written twice
// to the console; E50 and RQD are meant to be asked after StrengthAt at the
// same depth and stop the same way.
double StrengthAt(RunContext& ctx, double z);
double FrictionAngleAt(RunContext& ctx, double z);
double E50At(RunContext& ctx, double z);
double RQDAt(RunContext& ctx, double z);

// Mean effective unit weight between the profile top and z ("GAMMA AVG");
// stops the run without a message below the unit-weight curve.
double AverageUnitWeightAt(RunContext& ctx, double z);

// Vertical total-stress overburden on the backfill side at depth x below the
// top of the wall; stops the run with the unit-weight warning in the report
// below the last soil layer.
double BackfillOverburdenAt(RunContext& ctx, double x);

// The ratio WA/WP, at least 1, set by BuildSoilProfile.
inline double WidthRatio(const ProblemData& d) { return d.Profile.WidthRatio; }

// True for SI problems; English problems work in inches and pounds.
inline bool IsSI(const ProblemData& d) { return d.C1.UnitSystemCode == UnitSystem::SI; }

inline bool IsCyclic(const ProblemData& d) { return d.Soil.LoadingType == Loading::Cyclic; }

}  // namespace darnek::soil
